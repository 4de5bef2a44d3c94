// zebadm list, status, suspend, resume, clear and delete: the catalogue's
// view of the indexes and the changes of their state.
#include <xapian.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "admin/admin_commands.h"
#include "admin/index_check.h"
#include "admin/index_spelling.h"
#include "admin/index_sync.h"
#include "admin/instance_layout.h"
#include "results/lookup_table_writer.h"

namespace zeb::admin {

namespace fs = std::filesystem;

namespace {

// Remote servers get this long to answer a document count.
constexpr unsigned kRemoteTimeoutMs = 5000;

// The document count of an index as text; "unavailable" with the reason
// on the error sink when it cannot be opened.
std::string document_count(const AdminContext& context, const OpenedInstance& instance,
                           const backend::CatalogueEntry& entry) {
  try {
    Xapian::Database db;
    if (entry.shards.empty()) {
      db = Xapian::Database(index_database_dir(instance.data_dir(entry)));
    } else {
      for (const auto& shard : entry.shards) {
        const size_t colon = shard.rfind(':');
        if (colon == std::string::npos) throw Xapian::InvalidArgumentError("bad shard " + shard);
        db.add_database(Xapian::Remote::open(shard.substr(0, colon),
                                             std::stoi(shard.substr(colon + 1)),
                                             kRemoteTimeoutMs, kRemoteTimeoutMs));
      }
    }
    return std::to_string(db.get_doccount());
  } catch (const Xapian::Error& e) {
    report_warning(context, "index %s: %s", entry.name.c_str(), e.get_description().c_str());
  } catch (const std::exception& e) {
    report_warning(context, "index %s: %s", entry.name.c_str(), e.what());
  }
  return "unavailable";
}

// The look-up table's location of every index; empty when it has none.
std::string location_of(const std::vector<LookupRecord>& records, const std::string& name) {
  for (const auto& record : records)
    if (record.index_name == name) return record.location;
  return {};
}

bool read_records(const AdminContext& context, const OpenedInstance& instance,
                  std::vector<LookupRecord>& records) {
  std::string error;
  if (read_lookup_records(lookup_table_file(instance.dir()), records, error)) return true;
  report_warning(context, "%s", error.c_str());
  return false;
}

const char* status_text(backend::IndexStatus status) {
  return status == backend::IndexStatus::kActive ? "active" : "suspended";
}

int set_status(const AdminContext& context, const Operands& operands,
               backend::IndexStatus status) {
  std::string name = operands[0], error;
  OpenedInstance instance;
  backend::CatalogueEntry* entry = nullptr;
  if (!instance.open(context, error) || !instance.find(name, entry, error))
    return report_error(context, "%s", error.c_str());
  if (entry->status == status) {
    fprintf(context.out, "index %s is already %s\n", name.c_str(), status_text(status));
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

int command_list(const AdminContext& context, const Operands&, const CommandOptions&) {
  std::string error;
  OpenedInstance instance;
  if (!instance.open(context, error)) return report_error(context, "%s", error.c_str());
  if (instance.catalogue.indexes.empty()) {
    fprintf(context.out, "instance %s has no indexes\n", instance.catalogue.instance_name.c_str());
    return kExitOk;
  }
  std::vector<LookupRecord> records;
  read_records(context, instance, records);
  fprintf(context.out, "%6s  %-8s  %-9s  %9s  %s\n", "NUMBER", "NAME", "STATUS", "DOCUMENTS",
          "LOCATION");
  for (const auto& entry : instance.catalogue.indexes) {
    fprintf(context.out, "%6d  %-8s  %-9s  %9s  %s\n", entry.number, entry.name.c_str(),
            status_text(entry.status), document_count(context, instance, entry).c_str(),
            location_of(records, entry.name).c_str());
  }
  return kExitOk;
}

int command_status(const AdminContext& context, const Operands& operands, const CommandOptions&) {
  std::string name = operands[0], error;
  OpenedInstance instance;
  backend::CatalogueEntry* entry = nullptr;
  if (!instance.open(context, error) || !instance.find(name, entry, error))
    return report_error(context, "%s", error.c_str());
  std::vector<LookupRecord> records;
  read_records(context, instance, records);
  const std::string data_dir = instance.data_dir(*entry);
  fprintf(context.out, "number:     %d\n", entry->number);
  fprintf(context.out, "name:       %s\n", entry->name.c_str());
  fprintf(context.out, "status:     %s\n", status_text(entry->status));
  fprintf(context.out, "documents:  %s\n", document_count(context, instance, *entry).c_str());
  fprintf(context.out, "location:   %s\n", location_of(records, entry->name).c_str());
  fprintf(context.out, "data:       %s\n", data_dir.c_str());
  if (entry->shards.empty()) {
    std::string doc_dir;
    if (read_index_source(data_dir, doc_dir, error))
      fprintf(context.out, "documents from: %s\n", doc_dir.c_str());
  } else {
    for (const auto& shard : entry->shards) fprintf(context.out, "shard:      %s\n", shard.c_str());
  }
  return kExitOk;
}

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
  if (!instance.open(context, error) || !instance.find_local(name, entry, error))
    return report_error(context, "%s", error.c_str());
  const std::string data_dir = instance.data_dir(*entry);
  if (!index_sound_for_writing(context, name, data_dir)) return kExitError;
  Xapian::WritableDatabase db(index_database_dir(data_dir), Xapian::DB_OPEN);
  const size_t removed = clear_index(db);
  size_t keys = 0;
  if (!write_index_spelling_file(db, data_dir, keys, error))
    return report_error(context, "%s", error.c_str());
  db.close();
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
  // Only data that zebadm laid out itself is removed; it is moved aside
  // first, so that no half-removed directory keeps the index's name.
  if (deleted.shards.empty() && deleted.data_dir == index_data_dir(name)) {
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
