// Builds the database of a new local index from a document tree on every
// processor. The documents, in path order, are cut into runs of about the
// same size; writer threads take the runs one after another, and each
// builds its run's documents into a database of its own. The run
// databases are then merged, in run order, into the index's database by
// Xapian's compaction, which numbers the documents on from one run to the
// next: every document has the number, and every term the statistics, that
// one database written in path order gives, so every search answers the
// same. The merged database is an ordinary one, written compactly. A tree
// too small for two runs is written straight into the index's database.
//
// Why: a new document costs Xapian's writing thread more than it costs to
// read and build it, so one database written by one thread leaves the other
// processors mostly idle. The merge costs about a tenth of the writing.
//
// A run's database is nothing that a search or a later run ever opens: an
// interrupted create leaves only the new index's directory, which the next
// create removes. It is therefore written without syncs; the merge writes
// and syncs the index's database.
#pragma once

#include <xapian.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "admin/document_tree.h"
#include "admin/index_sync.h"

namespace zeb::admin {

// Writer threads at most; fewer where the machine has fewer processors.
// Each holds the changes of up to one commit batch of documents in memory.
constexpr size_t kMaxBuildThreads = 4;
// Runs per writer thread: a thread that finishes early takes the next run,
// so no thread is left with much more to do than the others at the end.
constexpr size_t kRunsPerBuildThread = 4;
// Trees of fewer documents are written in one run. Xapian 1.4 keeps the
// document lengths in chunks of 2,000 bytes, 2 bytes or more a document,
// and once a document was deleted, a search without weights for a word
// that every document holds fails (DatabaseCorruptError) where it reads
// from one chunk into the next. A merged database has a chunk end where
// each run ends; written in order, up to 1,001 documents may fit in one
// chunk, and this many never do.
constexpr size_t kMinSplitDocuments = 1100;
// What a document costs to build and write besides its bytes (opening it,
// its data, path and values), in bytes of text: about what a page of the
// dictionary corpus (500 bytes) and one of the PostgreSQL manual (14 KB)
// each cost in all.
constexpr unsigned long long kDocumentWeightBytes = 1024;

struct DocumentRun {
  size_t begin = 0;  // index of the first document
  size_t end = 0;    // one past the last
};

// `documents` cut into `count` consecutive runs of about equal weight (bytes
// and kDocumentWeightBytes a document), but never into more runs than
// documents nor fewer than one; a run is empty only when there are no
// documents.
std::vector<DocumentRun> cut_into_runs(const std::vector<TreeFile>& documents, size_t count);

// Reads the new index's documents while they are merged (the runs'
// databases opened as one, which answers as the merged database will), so
// that what reads them all, such as the spelling file, runs beside the merge.
using BuiltReader = std::function<void(const Xapian::Database&)>;

// Writer threads for this machine: one per processor, up to kMaxBuildThreads.
size_t build_threads();

// Builds the database at `db_dir`, which must not exist yet, from every
// document of `listing` below `root` on `threads` writer threads, with
// scratch directories beside it, and calls `while_merging` once. A
// document that cannot be read is counted as failed, with a warning on
// options.messages; the database takes the current format marker when none
// failed and no directory was unreadable. Xapian errors, and what
// `while_merging` throws, are thrown.
SyncCounts build_new_index(const std::string& db_dir, const std::string& root,
                           const TreeListing& listing, const SyncOptions& options,
                           size_t threads, const BuiltReader& while_merging);

}  // namespace zeb::admin
