// zebadm update INDEX and zebadm add INDEX FILE...: bring an existing index
// up to date with its document tree, or (re)index single documents of it.
// The index stays searchable throughout: changes are committed in batches
// to the live database (each shard's, for an index of remote shards), and
// the spelling file is replaced whole at the end. Both follow the index's
// rules (index_rules_file.h).
#include <algorithm>
#include <filesystem>

#include "admin/admin_commands.h"
#include "admin/index_databases.h"
#include "admin/index_rules_file.h"
#include "admin/index_spelling.h"
#include "admin/index_sync.h"
#include "admin/instance_layout.h"
#include "admin/run_report.h"

namespace zeb::admin {

namespace fs = std::filesystem;

namespace {

// Opens the index (checked, or every shard reached), runs the sync and
// rewrites the spelling file.
int sync_and_report(const AdminContext& context, const OpenedInstance& instance,
                    const backend::CatalogueEntry& entry, const std::string& doc_dir,
                    const TreeListing& listing, SyncOptions sync, const char* what) {
  const std::string data_dir = instance.data_dir(entry);
  IndexDatabases databases;
  if (!open_index_databases(context, instance, entry, databases)) return kExitError;
  const auto started = RunClock::now();
  sync.show_progress = context.progress;
  sync.messages = context.err;
  sync.rows_in_keys = !databases.addresses.empty();
  SyncCounts counts;
  size_t spelling_keys = 0;
  std::string error;
  try {
    counts = sync_index(databases.shards, doc_dir, listing, sync);
    if (!write_index_spelling_file(databases.combined(), data_dir, spelling_keys, error))
      return report_error(context, "%s", error.c_str());
    if (!databases.close(error)) return report_error(context, "%s", error.c_str());
  } catch (const Xapian::Error& e) {
    return report_error(context, "index %s: %s", entry.name.c_str(), e.get_description().c_str());
  }
  print_run_summary(context, what, entry.name, counts, listing.other_files,
                    seconds_since(started), spelling_keys);
  return kExitOk;
}

// The path of `file` relative to `doc_dir`, when it lies below it.
bool relative_to(const std::string& doc_dir, const std::string& file, std::string& relative) {
  const std::string lexical = absolute_path(file);
  if (lexical.size() > doc_dir.size() + 1 && lexical.compare(0, doc_dir.size(), doc_dir) == 0 &&
      lexical[doc_dir.size()] == '/') {
    relative = lexical.substr(doc_dir.size() + 1);
    return true;
  }
  // Either may have been given through a symbolic link.
  std::error_code ec;
  const std::string real_dir = fs::weakly_canonical(doc_dir, ec).string();
  const std::string real_file = fs::weakly_canonical(file, ec).string();
  if (ec || real_file.size() <= real_dir.size() + 1 ||
      real_file.compare(0, real_dir.size(), real_dir) != 0 || real_file[real_dir.size()] != '/')
    return false;
  relative = real_file.substr(real_dir.size() + 1);
  return true;
}

}  // namespace

int command_update(const AdminContext& context, const Operands& operands, const CommandOptions&) {
  std::string name = operands[0], error, doc_dir;
  OpenedInstance instance;
  backend::CatalogueEntry* entry = nullptr;
  IndexRules rules;
  if (!instance.open(context, error) || !instance.find(name, entry, error) ||
      !read_index_source(instance.data_dir(*entry), doc_dir, error) ||
      !read_index_rules(instance.data_dir(*entry), rules, error))
    return report_error(context, "%s", error.c_str());
  TreeListing listing;
  if (!list_document_tree(doc_dir, listing, error, &rules))
    return report_error(context, "%s", error.c_str());
  print_listing_warnings(context, listing);
  SyncOptions sync;
  sync.remove_missing = true;
  sync.rules = rules.documents;
  return sync_and_report(context, instance, *entry, doc_dir, listing, sync, "updated");
}

int command_add(const AdminContext& context, const Operands& operands, const CommandOptions&) {
  std::string name = operands[0], error, doc_dir;
  OpenedInstance instance;
  backend::CatalogueEntry* entry = nullptr;
  IndexRules rules;
  if (!instance.open(context, error) || !instance.find(name, entry, error) ||
      !read_index_source(instance.data_dir(*entry), doc_dir, error) ||
      !read_index_rules(instance.data_dir(*entry), rules, error))
    return report_error(context, "%s", error.c_str());
  TreeListing listing;
  for (size_t i = 1; i < operands.size(); ++i) {
    std::string relative;
    if (!relative_to(doc_dir, operands[i], relative))
      return report_error(context, "%s is not below the index's document directory %s",
                          operands[i].c_str(), doc_dir.c_str());
    TreeFile file;
    if (!stat_tree_file(doc_dir, relative, file, error))
      return report_error(context, "%s", error.c_str());
    if (file.kind == DocumentKind::kOther || !rules.takes_kind(relative))
      return report_error(context, "%s is not a document of index %s (%s)", operands[i].c_str(),
                          entry->name.c_str(), describe_kinds(rules.kinds).c_str());
    std::string rule;
    if (!rules.admits(relative, &rule))
      return report_error(context, "%s is left out by the rules of index %s (%s)",
                          operands[i].c_str(), entry->name.c_str(),
                          rule.empty() ? "no --include matches it" : rule.c_str());
    if (!acceptable_document_path(relative, error))
      return report_error(context, "%s", error.c_str());
    listing.documents.push_back(std::move(file));
  }
  std::sort(listing.documents.begin(), listing.documents.end(),
            [](const TreeFile& a, const TreeFile& b) { return a.path < b.path; });
  listing.documents.erase(
      std::unique(listing.documents.begin(), listing.documents.end(),
                  [](const TreeFile& a, const TreeFile& b) { return a.path == b.path; }),
      listing.documents.end());
  SyncOptions sync;
  sync.remove_missing = false;
  sync.reindex_all = true;
  sync.rules = rules.documents;
  return sync_and_report(context, instance, *entry, doc_dir, listing, sync, "updated");
}

}  // namespace zeb::admin
