#include "admin/index_sync.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "admin/document_builder.h"
#include "admin/document_pipeline.h"
#include "admin/duplicate_texts.h"
#include "admin/progress.h"
#include "admin/shard_placement.h"
#include "admin/shard_stamp.h"
#include "backend/document_data.h"
#include "backend/index_schema.h"

namespace zeb::admin {

namespace {

bool same_file(const Xapian::Document& indexed, const TreeFile& file) {
  const std::string data = indexed.get_data();
  const std::string_view stamp = backend::stamp_of(data);
  if (!stamp.empty()) return stamp == backend::file_stamp(file.modified, file.size);
  // Built before documents kept their stamp in their data.
  return indexed.get_value(backend::kValueModified) == std::to_string(file.modified) &&
         indexed.get_value(backend::kValueSize) == std::to_string(file.size);
}

// The format the index's documents were built in; an index without the
// marker was built before there was one.
int index_format(const Xapian::Database& db) {
  const std::string value = db.get_metadata(backend::kFormatKey);
  return value.empty() ? 1 : atoi(value.c_str());
}

// Whether a listed path (sorted listing) is in `files`.
bool listed(const std::vector<TreeFile>& files, const std::string& path) {
  const auto at = std::lower_bound(
      files.begin(), files.end(), path,
      [](const TreeFile& file, const std::string& wanted) { return file.path < wanted; });
  return at != files.end() && at->path == path;
}

const std::string& path_of(const TreeFile* file) { return file->path; }
const std::string& path_of(const std::string& path) { return path; }

// The path of a document of the index.
std::string indexed_path(const Xapian::Document& doc) {
  const std::string data = doc.get_data();
  const std::string_view identifier = backend::identifier_of(data);
  return std::string(identifier.substr(0, identifier.find(';')));
}

class BatchCommitter {
 public:
  explicit BatchCommitter(Xapian::WritableDatabase& db) : db_(db) {}
  void changed() {
    if (++pending_ < batch_) return;
    flush();
    batch_ = std::min(2 * batch_, kLargestCommitBatch);
  }
  void flush() {
    if (pending_ == 0) return;
    commit_counted(db_);
    pending_ = 0;
  }

 private:
  Xapian::WritableDatabase& db_;
  size_t pending_ = 0;
  size_t batch_ = kFirstCommitBatch;
};

}  // namespace

SyncCounts sync_index(std::vector<Xapian::WritableDatabase>& shards, const std::string& root,
                      const TreeListing& listing, const SyncOptions& options) {
  SyncCounts counts;
  counts.excluded = listing.excluded;
  Progress progress(options.messages, listing.documents.size(),
                    options.show_progress && options.messages);
  const size_t count = shards.size();
  std::vector<BatchCommitter> committers;
  // An empty shard has nothing to compare or replace; one built by an
  // earlier version has every document indexed again.
  std::vector<bool> fresh, upgrade, appended;
  std::vector<Xapian::docid> last;  // a new path is numbered after it
  const std::string rules = options.rules.signature();
  size_t old_formats = 0, other_rule_shards = 0;
  for (Xapian::WritableDatabase& db : shards) {
    committers.emplace_back(db);
    fresh.push_back(db.get_doccount() == 0);
    last.push_back(fresh.back() ? 0 : db.get_lastdocid());
    appended.push_back(false);
    // An emptied index is filled in path order again.
    if (fresh.back() && !db.get_metadata(backend::kAppendedKey).empty())
      db.set_metadata(backend::kAppendedKey, "");
    const bool old_format = index_format(db) < backend::kIndexFormat;
    const bool other_rules = db.get_metadata(kRulesKey) != rules;
    upgrade.push_back(!fresh.back() && options.remove_missing && (old_format || other_rules));
    if (upgrade.back()) (old_format ? old_formats : other_rule_shards)++;
  }
  if (options.messages && old_formats)
    fprintf(options.messages,
            "zebadm: the index was built by an earlier version: indexing every document again\n");
  else if (options.messages && other_rule_shards)
    fprintf(options.messages,
            "zebadm: the index's document rules changed: indexing every document again\n");
  std::vector<const TreeFile*> to_index;
  for (const TreeFile& file : listing.documents) {
    const size_t shard = shard_for_path(file.path, count);
    if (!fresh[shard] && !options.reindex_all && !upgrade[shard]) {
      Xapian::WritableDatabase& db = shards[shard];
      const std::string term = path_term(file.path);
      const Xapian::PostingIterator found = db.postlist_begin(term);
      if (found != db.postlist_end(term) && same_file(db.get_document(*found), file)) {
        ++counts.unchanged;
        continue;
      }
    }
    to_index.push_back(&file);
  }
  DocumentPipeline pipeline(root, to_index, options.rules);
  // The first path of each content term in this run; earlier runs' are in
  // the index (see keep_content).
  std::map<std::string, std::string> run_holders;
  // Whether a duplicate's text is to be indexed under its path: see
  // duplicate_texts.h. An indexed document of the same text that comes
  // later is taken out.
  const auto keep_content = [&](const std::string& term, const std::string& path) {
    if (!run_holders.try_emplace(term, path).second) return false;
    for (size_t shard = 0; shard < count; ++shard) {
      // What a new shard holds came in this run, in path order: run_holders.
      if (fresh[shard]) continue;
      Xapian::WritableDatabase& db = shards[shard];
      std::vector<std::string> later;
      for (auto it = db.postlist_begin(term); it != db.postlist_end(term); ++it) {
        const std::string holder = indexed_path(db.get_document(*it));
        // Its own earlier version, or a document that goes anyway.
        if (holder == path || (options.remove_missing && !listed(listing.documents, holder)))
          continue;
        if (holder < path) return false;
        later.push_back(holder);
      }
      for (const std::string& holder : later) {
        db.delete_document(path_term(holder));
        committers[shard].changed();
        // One to be read again in this run is counted then.
        const bool again = std::binary_search(
            to_index.begin(), to_index.end(), holder,
            [](const auto& a, const auto& b) { return path_of(a) < path_of(b); });
        if (!again && counts.unchanged > 0) --counts.unchanged;
        if (!again) ++counts.folded;
      }
    }
    return true;
  };
  BuiltDocument built;
  for (size_t done = counts.unchanged; pipeline.next(built); ++done) {
    progress.update(done);
    if (!built.ok) {
      progress.clear_line();
      if (options.messages) fprintf(options.messages, "zebadm: warning: %s\n", built.error.c_str());
      ++counts.failed;
      continue;
    }
    const size_t shard = shard_for_path(built.file->path, count);
    if (built.noindex || (!built.content.empty() && !keep_content(built.content, built.file->path))) {
      ++(built.noindex ? counts.noindex : counts.folded);
      if (fresh[shard]) continue;
      shards[shard].delete_document(path_term(built.file->path));
      committers[shard].changed();
      continue;
    }
    if (options.rows_in_keys)
      built.document.add_value(backend::kValueOrderKey,
                               backend::order_key(built.file->path, built.document.get_data()));
    if (fresh[shard]) {
      shards[shard].add_document(built.document);
    } else if (shards[shard].replace_document(path_term(built.file->path), built.document) >
                   last[shard] &&
               !appended[shard]) {
      // A new path goes after every other document, wherever its path sorts.
      shards[shard].set_metadata(backend::kAppendedKey, "1");
      appended[shard] = true;
    }
    built.document = Xapian::Document();
    ++counts.indexed;
    committers[shard].changed();
  }
  progress.update(listing.documents.size());

  if (options.remove_missing) {
    const std::string prefix = backend::kPathPrefix;
    for (size_t shard = 0; shard < count; ++shard) {
      Xapian::WritableDatabase& db = shards[shard];
      std::vector<std::string> gone;
      size_t strays = 0;
      for (auto it = db.allterms_begin(prefix); it != db.allterms_end(prefix); ++it) {
        const std::string path = (*it).substr(prefix.size());
        const bool in_tree = listed(listing.documents, path);
        if (in_tree && shard_for_path(path, count) == shard) continue;
        if (in_tree) ++strays;
        if (in_tree || !listing.below_unreadable(path)) gone.push_back(*it);
      }
      for (const auto& term : gone) {
        db.delete_document(term);
        committers[shard].changed();
      }
      counts.removed += gone.size() - strays;
    }
  }
  // Every document read is now of the current format and rules. One that
  // could not be read stays as it was, as in any update, until its file
  // changes: an unreadable file must not have every later update index all
  // again.
  for (size_t shard = 0; shard < count; ++shard) {
    if (!fresh[shard] && !upgrade[shard]) continue;
    shards[shard].set_metadata(backend::kFormatKey, std::to_string(backend::kIndexFormat));
    shards[shard].set_metadata(kRulesKey, rules);
    committers[shard].changed();
  }
  for (BatchCommitter& committer : committers) committer.flush();
  progress.finish();
  return counts;
}

size_t clear_index(Xapian::WritableDatabase& db) {
  std::vector<Xapian::docid> ids;
  for (auto it = db.postlist_begin(""); it != db.postlist_end(""); ++it) ids.push_back(*it);
  BatchCommitter committer(db);
  for (Xapian::docid id : ids) {
    db.delete_document(id);
    committer.changed();
  }
  committer.flush();
  return ids.size();
}

}  // namespace zeb::admin
