// What every zebadm command gets: the instance directory, where its output
// and messages go, and the helpers that open the instance for a run.
#pragma once

#include <cstdio>
#include <string>

#include "admin/instance_lock.h"
#include "backend/catalogue.h"

namespace zeb::admin {

enum ExitStatus { kExitOk = 0, kExitError = 1, kExitUsage = 2 };

struct AdminContext {
  std::string instance_dir;  // from --instance or ZEBINSTSRV; empty when neither
  FILE* out = stdout;        // results and summaries
  FILE* err = stderr;        // errors, warnings and the progress line
  bool progress = false;     // draw a progress line on `err`
};

// "zebadm: <message>" on the error sink; returns kExitError.
[[gnu::format(printf, 2, 3)]] int report_error(const AdminContext& context, const char* format,
                                                ...);
[[gnu::format(printf, 2, 3)]] void report_warning(const AdminContext& context,
                                                   const char* format, ...);

// An instance held for one command: its lock taken for the whole run (runs
// on one instance are serialised, instance_lock.h) and its catalogue loaded.
class OpenedInstance {
 public:
  // False with a message when there is no instance or it cannot be locked;
  // waits while another run holds the lock.
  bool open(const AdminContext& context, std::string& error);

  backend::Catalogue catalogue;
  const std::string& dir() const { return dir_; }

  // The entry of `name` (normalised in place); false with a message when the
  // name is invalid or the catalogue has no such index.
  bool find(std::string& name, backend::CatalogueEntry*& entry, std::string& error);

  std::string data_dir(const backend::CatalogueEntry& entry) const;

 private:
  std::string dir_;
  InstanceLock lock_;
};

}  // namespace zeb::admin
