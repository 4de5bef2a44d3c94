#include "admin/index_sync.h"

#include <algorithm>
#include <cstdlib>

#include "admin/document_builder.h"
#include "admin/document_pipeline.h"
#include "admin/progress.h"
#include "backend/index_schema.h"

namespace zeb::admin {

namespace {

bool same_file(const Xapian::Document& indexed, const TreeFile& file) {
  return indexed.get_value(backend::kValueModified) == std::to_string(file.modified) &&
         indexed.get_value(backend::kValueSize) == std::to_string(file.size);
}

// The format the index's documents were built in; an index without the
// marker was built before there was one.
int index_format(const Xapian::Database& db) {
  const std::string value = db.get_metadata(backend::kFormatKey);
  return value.empty() ? 1 : atoi(value.c_str());
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
    db_.commit();
    pending_ = 0;
  }

 private:
  Xapian::WritableDatabase& db_;
  size_t pending_ = 0;
  size_t batch_ = kFirstCommitBatch;
};

}  // namespace

SyncCounts sync_index(Xapian::WritableDatabase& db, const std::string& root,
                      const TreeListing& listing, const SyncOptions& options) {
  SyncCounts counts;
  Progress progress(options.messages, listing.documents.size(),
                    options.show_progress && options.messages);
  BatchCommitter committer(db);
  // An empty index has nothing to compare or replace.
  const bool fresh = db.get_doccount() == 0;
  const bool upgrade =
      !fresh && options.remove_missing && index_format(db) < backend::kIndexFormat;
  if (upgrade && options.messages)
    fprintf(options.messages,
            "zebadm: the index was built by an earlier version: indexing every document again\n");
  std::vector<const TreeFile*> to_index;
  for (const TreeFile& file : listing.documents) {
    if (!fresh && !options.reindex_all && !upgrade) {
      const std::string term = path_term(file.path);
      const Xapian::PostingIterator found = db.postlist_begin(term);
      if (found != db.postlist_end(term) && same_file(db.get_document(*found), file)) {
        ++counts.unchanged;
        continue;
      }
    }
    to_index.push_back(&file);
  }
  DocumentPipeline pipeline(root, to_index);
  BuiltDocument built;
  for (size_t done = counts.unchanged; pipeline.next(built); ++done) {
    progress.update(done);
    if (!built.ok) {
      progress.clear_line();
      if (options.messages) fprintf(options.messages, "zebadm: warning: %s\n", built.error.c_str());
      ++counts.failed;
      continue;
    }
    if (fresh) db.add_document(built.document);
    else db.replace_document(path_term(built.file->path), built.document);
    built.document = Xapian::Document();
    ++counts.indexed;
    committer.changed();
  }
  progress.update(listing.documents.size());

  if (options.remove_missing) {
    std::vector<std::string> gone;
    const std::string prefix = backend::kPathPrefix;
    for (auto it = db.allterms_begin(prefix); it != db.allterms_end(prefix); ++it) {
      const std::string path = (*it).substr(prefix.size());
      const auto at = std::lower_bound(
          listing.documents.begin(), listing.documents.end(), path,
          [](const TreeFile& file, const std::string& wanted) { return file.path < wanted; });
      const bool listed = at != listing.documents.end() && at->path == path;
      if (!listed && !listing.below_unreadable(path)) gone.push_back(*it);
    }
    for (const auto& term : gone) {
      db.delete_document(term);
      ++counts.removed;
      committer.changed();
    }
  }
  if ((fresh || upgrade) && counts.failed == 0 && listing.unreadable.empty())
    db.set_metadata(backend::kFormatKey, std::to_string(backend::kIndexFormat));
  committer.flush();
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
