// zebadm suspend, resume, clear and delete: the changes of an index's state.
#include <xapian.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "admin/admin_commands.h"
#include "admin/index_databases.h"
#include "admin/index_spelling.h"
#include "admin/index_sync.h"
#include "admin/instance_layout.h"
#include "results/lookup_table_writer.h"

namespace zeb::admin {

namespace fs = std::filesystem;

namespace {

int set_status(const AdminContext& context, const Operands& operands,
               backend::IndexStatus status) {
  std::string name = operands[0], error;
  OpenedInstance instance;
  backend::CatalogueEntry* entry = nullptr;
  if (!instance.open(context, error) || !instance.find(name, entry, error))
    return report_error(context, "%s", error.c_str());
  if (entry->status == status) {
    fprintf(context.out, "index %s is already %s\n", name.c_str(),
            backend::index_status_name(status));
    return kExitOk;
  }
  entry->status = status;
  if (!backend::save_catalogue(instance.dir(), instance.catalogue, error))
    return report_error(context, "%s", error.c_str());
  fprintf(context.out, "index %s %s\n", name.c_str(),
          status == backend::IndexStatus::kActive ? "resumed" : "suspended");
  return kExitOk;
}

}  // namespace

int command_suspend(const AdminContext& context, const Operands& operands, const CommandOptions&) {
  return set_status(context, operands, backend::IndexStatus::kSuspended);
}

int command_resume(const AdminContext& context, const Operands& operands, const CommandOptions&) {
  return set_status(context, operands, backend::IndexStatus::kActive);
}

int command_clear(const AdminContext& context, const Operands& operands, const CommandOptions&) {
  std::string name = operands[0], error;
  OpenedInstance instance;
  backend::CatalogueEntry* entry = nullptr;
  if (!instance.open(context, error) || !instance.find(name, entry, error))
    return report_error(context, "%s", error.c_str());
  IndexDatabases databases;
  if (!open_index_databases(context, instance, *entry, databases)) return kExitError;
  size_t removed = 0;
  for (Xapian::WritableDatabase& shard : databases.shards) removed += clear_index(shard);
  size_t keys = 0;
  if (!write_index_spelling_file(databases.combined(), instance.data_dir(*entry), keys, error))
    return report_error(context, "%s", error.c_str());
  if (!databases.close(error)) return report_error(context, "%s", error.c_str());
  fprintf(context.out, "index %s cleared: %zu documents removed\n", name.c_str(), removed);
  return kExitOk;
}

int command_delete(const AdminContext& context, const Operands& operands, const CommandOptions&) {
  std::string name = operands[0], error;
  OpenedInstance instance;
  backend::CatalogueEntry* entry = nullptr;
  if (!instance.open(context, error) || !instance.find(name, entry, error))
    return report_error(context, "%s", error.c_str());
  const backend::CatalogueEntry deleted = *entry;
  std::erase_if(instance.catalogue.indexes,
                [&](const backend::CatalogueEntry& e) { return e.name == name; });
  if (!backend::save_catalogue(instance.dir(), instance.catalogue, error))
    return report_error(context, "%s", error.c_str());

  int status = kExitOk;
  bool removed = false;
  if (!remove_lookup_record(lookup_table_file(instance.dir()), name, removed, error))
    status = report_error(context, "index %s is out of the catalogue, but its look-up record "
                          "stays: %s", name.c_str(), error.c_str());
  // The shards are emptied once no search can find the index any more.
  release_shards(context, instance, deleted);
  // Only data that zebadm laid out itself is removed; it is moved aside
  // first, so that no half-removed directory keeps the index's name.
  if (deleted.data_dir == index_data_dir(name)) {
    const std::string data_dir = instance.data_dir(deleted);
    const std::string aside = old_index_dir(instance.dir(), name);
    std::error_code ec;
    fs::remove_all(aside, ec);
    if (::rename(data_dir.c_str(), aside.c_str()) != 0 && errno != ENOENT)
      status = report_error(context, "cannot remove %s: %s", data_dir.c_str(),
                            std::strerror(errno));
    fs::remove_all(aside, ec);
  } else {
    fprintf(context.out, "the data of index %s (%s) is left in place\n", name.c_str(),
            instance.data_dir(deleted).c_str());
  }
  if (status == kExitOk) fprintf(context.out, "index %s deleted\n", name.c_str());
  return status;
}

}  // namespace zeb::admin
