// The messages of an indexing run: the tree's warnings and the one-line
// summary at its end.
#pragma once

#include <chrono>

#include "admin/admin_context.h"
#include "admin/document_tree.h"
#include "admin/index_sync.h"

namespace zeb::admin {

using RunClock = std::chrono::steady_clock;

inline double seconds_since(RunClock::time_point start) {
  return std::chrono::duration<double>(RunClock::now() - start).count();
}

// Warnings shown one by one before they are only counted.
constexpr size_t kMaxWarningsShown = 20;

void print_listing_warnings(const AdminContext& context, const TreeListing& listing);

// "index PGDOC updated: 3 documents indexed, 1170 unchanged, 1 removed, 0
// unreadable, 12 other files skipped, 40 left out by the rules, 1 asking not
// to be indexed, 2 duplicates folded; 2.9 s, 404 documents/s; spelling file:
// 850 words" (the counts after "unreadable" only when not 0)
void print_run_summary(const AdminContext& context, const char* what, const std::string& name,
                       const SyncCounts& counts, size_t other_files, double seconds,
                       size_t spelling_keys);

}  // namespace zeb::admin
