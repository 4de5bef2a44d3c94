#include "admin/admin_context.h"

#include <sys/stat.h>

#include <cstdarg>

#include "admin/index_name.h"

namespace zeb::admin {

namespace {

void report(FILE* sink, const char* kind, const char* format, va_list args) {
  fprintf(sink, "zebadm: %s", kind);
  vfprintf(sink, format, args);
  fputc('\n', sink);
}

}  // namespace

int report_error(const AdminContext& context, const char* format, ...) {
  va_list args;
  va_start(args, format);
  report(context.err, "", format, args);
  va_end(args);
  return kExitError;
}

void report_warning(const AdminContext& context, const char* format, ...) {
  va_list args;
  va_start(args, format);
  report(context.err, "warning: ", format, args);
  va_end(args);
}

bool OpenedInstance::open(const AdminContext& context, std::string& error) {
  dir_ = context.instance_dir;
  if (dir_.empty()) {
    error = "no instance: set ZEBINSTSRV or give --instance DIR";
    return false;
  }
  struct stat st;
  if (::stat(backend::catalogue_path(dir_).c_str(), &st) != 0) {
    error = "no instance at " + dir_ + " (make one with: zebadm init NAME)";
    return false;
  }
  return lock_.acquire(dir_, context.err, error) &&
         backend::load_catalogue(dir_, catalogue, error);
}

bool OpenedInstance::find(std::string& name, backend::CatalogueEntry*& entry,
                          std::string& error) {
  if (!normalise_index_name(name, error)) return false;
  entry = catalogue.find(name);
  if (!entry) {
    error = "no index " + name + " in the instance";
    return false;
  }
  return true;
}

std::string OpenedInstance::data_dir(const backend::CatalogueEntry& entry) const {
  return backend::resolve_data_dir(dir_, entry);
}

}  // namespace zeb::admin
