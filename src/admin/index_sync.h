// Brings an index in line with a document tree: indexes documents that are
// new, or whose size or modification time changed, and removes documents
// that are gone. The index is one database or several shards; a document
// lives on the shard shard_for_path names. Changes are committed in batches
// on each shard, so that a search sees the index grow and a run killed half
// way leaves every shard as of its last batch.
//
// A shard of an earlier format (backend/index_schema.h) has every document
// indexed again by a run over its whole tree. A shard takes the current
// format with the last batch of a run that built every document it holds
// (a new shard, or an earlier one indexed again), when no document failed
// and no directory was unreadable.
#pragma once

#include <xapian.h>

#include <cstdio>
#include <string>
#include <vector>

#include "admin/document_rules.h"
#include "admin/document_tree.h"

namespace zeb::admin {

// Documents changed between two commits: the first batch is small, so that
// searches see a long run's progress early, and each next one twice the size
// of the one before, up to the largest. A commit writes every table block
// the batch touched, so many small commits cost a large index more than
// the documents themselves.
constexpr size_t kFirstCommitBatch = 200;
constexpr size_t kLargestCommitBatch = 12800;

// Metadata: the signature of the document rules (DocumentRules::signature)
// the shard's documents were built under; absent when all were off.
constexpr const char* kRulesKey = "zeb.rules";

struct SyncCounts {
  size_t indexed = 0;    // new or changed documents indexed
  size_t unchanged = 0;  // same size and time as in the index
  size_t removed = 0;    // gone from the tree
  size_t failed = 0;     // could not be read: left as the index had them
  size_t noindex = 0;    // pages that ask to be left out (taken out when indexed before)
  size_t folded = 0;     // duplicates of an earlier path's text (duplicate_texts.h)
  size_t excluded = 0;   // files the index's rules leave out (TreeListing::excluded)
};

struct SyncOptions {
  bool remove_missing = true;   // false: only the given documents are touched
  bool reindex_all = false;     // true: index even unchanged documents
  bool show_progress = false;   // a progress line on `messages`
  FILE* messages = nullptr;     // warnings ("zebadm: warning: ...")
  DocumentRules rules;          // how each document is read and kept
  bool rows_in_keys = false;    // remote shards: each row's data in its order key
};

// `documents` are below `root` (TreeListing::documents); `unreadable`
// directories keep what the index holds below them. With remove_missing, a
// document found on a shard other than its own is removed there too (it is
// indexed on its own). Xapian errors are thrown.
SyncCounts sync_index(std::vector<Xapian::WritableDatabase>& shards, const std::string& root,
                      const TreeListing& listing, const SyncOptions& options);

// Removes every document; committed in batches.
size_t clear_index(Xapian::WritableDatabase& db);

}  // namespace zeb::admin
