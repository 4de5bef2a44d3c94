// The instance catalogue: the instance's name and its indexes (number, name,
// status, data directory, remote shards). One text file in the instance
// directory, replaced whole by rename so that a reader never sees it torn.
//
//   zebsrch-catalogue 1
//   instance<TAB>NAME
//   index<TAB>NUMBER<TAB>NAME<TAB>active|suspended<TAB>DATA DIR<TAB>SHARDS
//
// DATA DIR is relative to the instance directory, with no ".." component:
// an index's data stays inside its instance, and one catalogue cannot serve
// another instance's index or any other directory under an index's name. A
// line whose data directory is absolute, reaches up or holds a zero byte
// makes the whole catalogue unreadable, like any other malformed line
// (zebadm only ever writes data/NAME). SHARDS is "-" for a local index,
// else a comma-separated list of host:port of remote Xapian servers that
// together hold the index (the data directory is still recorded).
#pragma once

#include <string>
#include <vector>

namespace zeb::backend {

constexpr const char* kCatalogueFileName = "zebinst.cat";
constexpr const char* kLockFileName = ".zebadm.lock";

enum class IndexStatus { kActive, kSuspended };

struct CatalogueEntry {
  int number = 0;
  std::string name;
  IndexStatus status = IndexStatus::kActive;
  std::string data_dir;             // as recorded
  std::vector<std::string> shards;  // host:port; empty for a local index
};

struct Catalogue {
  std::string instance_name;
  std::vector<CatalogueEntry> indexes;

  const CatalogueEntry* find(const std::string& name) const;
  CatalogueEntry* find(const std::string& name);
  int next_number() const;
};

std::string catalogue_path(const std::string& instance_dir);
// The data directory of an entry as a path usable on disk (below the
// instance directory for every entry load_catalogue accepts).
std::string resolve_data_dir(const std::string& instance_dir,
                             const CatalogueEntry& entry);

// False with a message when the file is missing or malformed.
bool load_catalogue(const std::string& instance_dir, Catalogue& catalogue,
                    std::string& error);
// Writes a temporary file, syncs it and renames it over the catalogue.
bool save_catalogue(const std::string& instance_dir, const Catalogue& catalogue,
                    std::string& error);

// Serialises administration runs on one instance: an exclusive lock on the
// instance's lock file, held until destruction.
class InstanceLock {
 public:
  explicit InstanceLock(const std::string& instance_dir);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;
  bool locked() const { return fd_ >= 0; }
  const std::string& error() const { return error_; }

 private:
  int fd_ = -1;
  std::string error_;
};

}  // namespace zeb::backend
