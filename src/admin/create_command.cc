// zebadm create INDEX DOCDIR [--location LOC] [--shard HOST:PORT[,REPLICA:PORT...]...]:
// indexes a document tree as a new index. The index is built in a directory
// of its own and renamed into place when complete; only then is it entered
// in the catalogue and the look-up table, so that a failed create leaves
// nothing behind. A local index is built on every processor
// (index_build.h). With --shard, the documents go to remote shard servers
// instead (index_databases.h); the directory keeps the spelling file and
// the record of the tree. What a failed create left on its shards is
// cleared by the next create of the same index. The index's rules
// (index_rules.h) are kept beside them.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "admin/admin_commands.h"
#include "admin/index_build.h"
#include "admin/index_check.h"
#include "admin/index_databases.h"
#include "admin/index_name.h"
#include "admin/index_rules_file.h"
#include "admin/index_spelling.h"
#include "admin/index_sync.h"
#include "admin/instance_layout.h"
#include "admin/run_report.h"
#include "admin/scoped_directory.h"
#include "admin/shard_placement.h"
#include "backend/index_opener.h"
#include "results/lookup_table_writer.h"

namespace zeb::admin {

namespace fs = std::filesystem;

namespace {

// The table with `record` in place of the index's old record, or added.
std::vector<LookupRecord> with_record(std::vector<LookupRecord> records,
                                      const LookupRecord& record) {
  for (auto& existing : records) {
    if (existing.index_name == record.index_name) {
      existing = record;
      return records;
    }
  }
  records.push_back(record);
  return records;
}

// Replicas at most per shard: each is a server that searches may read.
constexpr size_t kMaxReplicas = 8;

// The --shard operands, "PRIMARY[,REPLICA...]" each, split into the
// primaries and their replicas: every address well formed and given once.
bool split_shards(const std::vector<std::string>& operands, std::vector<std::string>& primaries,
                  std::vector<std::vector<std::string>>& replicas, std::string& error) {
  if (operands.size() > kMaxShards) {
    error = "an index has at most " + std::to_string(kMaxShards) + " shards";
    return false;
  }
  std::vector<std::string> seen;
  bool any_replica = false;
  for (const std::string& operand : operands) {
    std::vector<std::string> copies;
    for (size_t start = 0;;) {
      const size_t comma = operand.find(',', start);
      copies.push_back(operand.substr(start, comma == std::string::npos ? comma : comma - start));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    if (copies.size() > 1 + kMaxReplicas) {
      error = "--shard " + operand + ": a shard has at most " + std::to_string(kMaxReplicas) +
              " replicas";
      return false;
    }
    for (const std::string& copy : copies) {
      std::string host;
      unsigned port = 0;
      if (!backend::parse_shard_address(copy, host, port) ||
          copy.find_first_of("|\t\n") != std::string::npos) {
        error = "--shard " + copy + " is not HOST:PORT";
        return false;
      }
      if (std::find(seen.begin(), seen.end(), copy) != seen.end()) {
        error = "--shard " + copy + " is given twice";
        return false;
      }
      seen.push_back(copy);
    }
    primaries.push_back(copies.front());
    replicas.emplace_back(copies.begin() + 1, copies.end());
    any_replica = any_replica || copies.size() > 1;
  }
  if (!any_replica) replicas.clear();
  return true;
}

}  // namespace

int command_create(const AdminContext& context, const Operands& operands,
                   const CommandOptions& options) {
  std::string name = operands[0], error;
  if (!normalise_index_name(name, error)) return report_error(context, "%s", error.c_str());
  std::vector<std::string> shards;
  std::vector<std::vector<std::string>> replicas;
  if (!split_shards(options.shards, shards, replicas, error))
    return report_error(context, "%s", error.c_str());
  const std::string doc_dir = absolute_path(operands[1]);
  if (doc_dir.find('\n') != std::string::npos)
    return report_error(context, "a document directory may not hold a line feed");
  IndexRules rules = IndexRules::for_new_index();
  if (!apply_rule_changes(rules, options.rules, error))
    return report_error(context, "%s", error.c_str());
  TreeListing listing;
  if (!list_document_tree(doc_dir, listing, error, &rules))
    return report_error(context, "%s", error.c_str());

  OpenedInstance instance;
  if (!instance.open(context, error)) return report_error(context, "%s", error.c_str());
  if (instance.catalogue.find(name))
    return report_error(context, "index %s already exists", name.c_str());

  const std::string table = lookup_table_file(instance.dir());
  std::vector<LookupRecord> records;
  if (!read_lookup_records(table, records, error))
    return report_error(context, "%s", error.c_str());
  const LookupRecord record{name, options.has_location ? options.location : doc_dir, "", ""};
  const std::vector<LookupRecord> new_records = with_record(records, record);

  IndexDatabases databases;
  // Replicas are written by their primaries' replication only.
  if (!shards.empty() && !open_new_shards(context, instance, name, shards, databases))
    return kExitError;

  // Left-overs of a create or delete that was killed: not in the catalogue,
  // so nothing refers to them.
  const std::string final_dir = instance.dir() + "/" + index_data_dir(name);
  std::error_code ec;
  fs::remove_all(final_dir, ec);
  fs::remove_all(old_index_dir(instance.dir(), name), ec);
  ScopedDirectory work(new_index_dir(instance.dir(), name));
  fs::remove_all(work.path(), ec);
  if (!fs::create_directories(work.path(), ec))
    return report_error(context, "cannot make %s: %s", work.path().c_str(), ec.message().c_str());

  // The table must take the new record before anything is built.
  if (!write_lookup_records(work.path() + "/lookup.check", new_records, error))
    return report_error(context, "cannot enter %s in the look-up table: %s", name.c_str(),
                        error.c_str());
  fs::remove(work.path() + "/lookup.check", ec);

  print_listing_warnings(context, listing);
  const auto started = RunClock::now();
  SyncCounts counts;
  size_t spelling_keys = 0;
  {
    SyncOptions sync;
    sync.show_progress = context.progress;
    sync.messages = context.err;
    sync.rules = rules.documents;
    bool spelling_written = false;
    const auto write_spelling = [&](const Xapian::Database& built) {
      spelling_written = write_index_spelling_file(built, work.path(), spelling_keys, error);
    };
    if (shards.empty()) {
      counts = build_new_index(index_database_dir(work.path()), doc_dir, listing, sync,
                               build_threads(), write_spelling);
    } else {
      sync.rows_in_keys = true;
      counts = sync_index(databases.shards, doc_dir, listing, sync);
      write_spelling(databases.combined());
    }
    if (!spelling_written) return report_error(context, "%s", error.c_str());
    databases.record_dir = work.path();
    if (!databases.close(error)) return report_error(context, "%s", error.c_str());
  }
  if (!write_index_source(work.path(), doc_dir, error) ||
      !write_index_rules(work.path(), rules, error))
    return report_error(context, "%s", error.c_str());
  if (::rename(work.path().c_str(), final_dir.c_str()) != 0)
    return report_error(context, "cannot move %s to %s: %s", work.path().c_str(),
                        final_dir.c_str(), std::strerror(errno));
  work.keep();
  ScopedDirectory placed(final_dir);

  backend::CatalogueEntry entry;
  entry.number = instance.catalogue.next_number();
  entry.name = name;
  entry.data_dir = index_data_dir(name);
  entry.shards = shards;
  entry.replicas = replicas;
  // The look-up record goes in first: searches find the index once the
  // catalogue names it, and its links must be there from that moment on.
  if (!write_lookup_records(table, new_records, error))
    return report_error(context, "%s", error.c_str());
  instance.catalogue.indexes.push_back(entry);
  if (!backend::save_catalogue(instance.dir(), instance.catalogue, error)) {
    std::string ignored;
    write_lookup_records(table, records, ignored);
    return report_error(context, "%s", error.c_str());
  }
  placed.keep();
  print_run_summary(context, "created", name, counts, listing.other_files,
                    seconds_since(started), spelling_keys);
  return kExitOk;
}

}  // namespace zeb::admin
