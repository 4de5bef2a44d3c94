#include "admin/index_build.h"

#include <xapian.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <mutex>
#include <thread>

#include "admin/document_builder.h"
#include "admin/document_pipeline.h"
#include "admin/duplicate_texts.h"
#include "admin/progress.h"
#include "admin/scoped_directory.h"
#include "admin/shard_stamp.h"
#include "backend/index_schema.h"

namespace zeb::admin {

namespace {

// A run's database is scratch (see the header); a single run is the
// index's database itself and synced like any.
constexpr int kRunDatabaseFlags = Xapian::DB_CREATE | Xapian::DB_NO_SYNC;
constexpr int kSingleRunFlags = Xapian::DB_CREATE;
// Documents a run's database takes between commits. Xapian holds the
// changes of a batch in maps that grow with it; below some thousands of
// documents they stay small enough to be quick, while each commit costs
// little without syncs. Measured on the dictionary's short pages: batches
// of 500 to 3000 write about 15 % faster than Xapian's own 10,000.
constexpr size_t kRunCommitBatch = 2000;
// How often the progress line is looked at while the writers work.
constexpr auto kProgressPoll = std::chrono::milliseconds(100);

struct RunResult {
  size_t indexed = 0;
  size_t noindex = 0;
  size_t folded = 0;
  std::vector<std::string> failures;  // why documents could not be read, in path order
};

// The writer threads and what they share: each takes the next run not yet
// taken and writes it into a new database at dirs[run].
class RunWriters {
 public:
  RunWriters(const std::string& root, const TreeListing& listing, std::vector<DocumentRun> runs,
             std::vector<std::string> dirs, int flags, const DocumentRules& rules)
      : root_(root), listing_(listing), runs_(std::move(runs)), dirs_(std::move(dirs)),
        flags_(flags), rules_(rules), results_(runs_.size()) {}

  const std::vector<RunResult>& results() const { return results_; }
  const ContentClaims& claims() const { return claims_; }

  // Writes every run on `threads` threads, drawing `progress` meanwhile.
  // The first error of a writer stops the others and is thrown here.
  void write_all(size_t threads, Progress& progress) {
    {
      std::vector<std::jthread> writers;
      for (size_t i = 0; i < threads; ++i) writers.emplace_back([this] { take_runs(); });
      std::unique_lock<std::mutex> lock(mutex_);
      while (finished_ < writers.size()) {
        finished_changed_.wait_for(lock, kProgressPoll);
        progress.update(done_.load(std::memory_order_relaxed));
      }
    }
    if (failure_) std::rethrow_exception(failure_);
  }

 private:
  void take_runs() {
    try {
      for (size_t run; !stopping_ && (run = next_run_++) < runs_.size();) write_run(run);
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!failure_) failure_ = std::current_exception();
      stopping_ = true;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++finished_;
    }
    finished_changed_.notify_all();
  }

  void write_run(size_t run) {
    std::vector<const TreeFile*> files;
    for (size_t i = runs_[run].begin; i < runs_[run].end; ++i) files.push_back(&listing_.documents[i]);
    Xapian::WritableDatabase db(dirs_[run], flags_);
    DocumentPipeline pipeline(root_, std::move(files), rules_);
    RunResult& result = results_[run];
    BuiltDocument built;
    while (!stopping_ && pipeline.next(built)) {
      if (built.ok && built.noindex) {
        ++result.noindex;
      } else if (built.ok && !built.content.empty() &&
                 !claims_.claim(built.content, built.file->path, run)) {
        ++result.folded;
      } else if (built.ok) {
        db.add_document(built.document);
        built.document = Xapian::Document();
        if (++result.indexed % kRunCommitBatch == 0) db.commit();
      } else {
        result.failures.push_back(std::move(built.error));
      }
      done_.fetch_add(1, std::memory_order_relaxed);
    }
    db.close();
  }

  const std::string& root_;
  const TreeListing& listing_;
  const std::vector<DocumentRun> runs_;
  const std::vector<std::string> dirs_;
  const int flags_;
  const DocumentRules& rules_;
  ContentClaims claims_;
  std::vector<RunResult> results_;  // each written by the thread of its run only
  std::atomic<size_t> next_run_{0};
  std::atomic<size_t> done_{0};
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::condition_variable finished_changed_;
  size_t finished_ = 0;
  std::exception_ptr failure_;
};

// Merges the run databases at `dirs`, in order, into a new database at
// `db_dir`, calling `while_merging` meanwhile.
void merge_runs(const std::vector<std::string>& dirs, const std::string& db_dir,
                const BuiltReader& while_merging) {
  // Each thread opens the runs for itself: a Xapian handle is for one thread.
  const auto open_runs = [&dirs] {
    Xapian::Database runs;
    for (const std::string& dir : dirs) runs.add_database(Xapian::Database(dir));
    return runs;
  };
  std::exception_ptr failure;
  {
    std::jthread merger([&] {
      try {
        // Numbered on from one run to the next, in run order: see the header.
        open_runs().compact(db_dir);
      } catch (...) {
        failure = std::current_exception();
      }
    });
    while_merging(open_runs());
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace

size_t build_threads() {
  return std::clamp<size_t>(std::thread::hardware_concurrency(), 1, kMaxBuildThreads);
}

std::vector<DocumentRun> cut_into_runs(const std::vector<TreeFile>& documents, size_t count) {
  count = std::clamp<size_t>(count, 1, std::max<size_t>(documents.size(), 1));
  const auto weight = [](const TreeFile& file) {
    return static_cast<unsigned long long>(file.size) + kDocumentWeightBytes;
  };
  unsigned long long total = 0;
  for (const TreeFile& file : documents) total += weight(file);
  std::vector<DocumentRun> runs(count);
  size_t next = 0;
  unsigned long long taken = 0;
  for (size_t run = 0; run < count; ++run) {
    runs[run].begin = next;
    // A run ends where its share of the whole is reached, leaving at least
    // one document for each run after it.
    const unsigned long long share = total * (run + 1) / count;
    const size_t later_runs = count - run - 1;
    while (next + later_runs < documents.size() &&
           (later_runs == 0 || next == runs[run].begin || taken < share))
      taken += weight(documents[next++]);
    runs[run].end = next;
  }
  return runs;
}

SyncCounts build_new_index(const std::string& db_dir, const std::string& root,
                           const TreeListing& listing, const SyncOptions& options,
                           size_t threads, const BuiltReader& while_merging) {
  threads = std::max<size_t>(threads, 1);
  // One processor gains nothing from runs but the cost of merging them.
  const bool split = threads > 1 && listing.documents.size() >= kMinSplitDocuments;
  std::vector<DocumentRun> runs =
      cut_into_runs(listing.documents, split ? threads * kRunsPerBuildThread : 1);
  const size_t run_count = runs.size();
  ScopedDirectory runs_dir(db_dir + ".runs");
  std::vector<std::string> dirs;
  if (run_count == 1) {
    dirs.push_back(db_dir);
  } else {
    std::filesystem::create_directories(runs_dir.path());
    for (size_t run = 0; run < run_count; ++run)
      dirs.push_back(runs_dir.path() + "/" + std::to_string(run));
  }
  RunWriters writers(root, listing, std::move(runs), dirs,
                     run_count == 1 ? kSingleRunFlags : kRunDatabaseFlags, options.rules);
  {
    Progress progress(options.messages, listing.documents.size(),
                      options.show_progress && options.messages);
    writers.write_all(std::min(threads, run_count), progress);
  }

  SyncCounts counts;
  counts.excluded = listing.excluded;
  for (const RunResult& result : writers.results()) {
    counts.indexed += result.indexed;
    counts.noindex += result.noindex;
    counts.folded += result.folded;
    counts.failed += result.failures.size();
    for (const std::string& failure : result.failures)
      if (options.messages) fprintf(options.messages, "zebadm: warning: %s\n", failure.c_str());
  }
  // A run that indexed a document before an earlier run indexed one of the
  // same text takes it out again: rare (a copy in another part of the
  // tree, met out of order), and it leaves a gap in the numbering.
  for (const ContentClaims::Displaced& late : writers.claims().displaced()) {
    Xapian::WritableDatabase db(dirs[late.run], Xapian::DB_OPEN | Xapian::DB_NO_SYNC);
    db.delete_document(path_term(late.path));
    db.commit();
    --counts.indexed;
    ++counts.folded;
  }
  if (run_count == 1) while_merging(Xapian::Database(db_dir));
  else merge_runs(dirs, db_dir, while_merging);

  // Every document of the new database is of the current format, also when
  // some files could not be read: those are not in it at all.
  Xapian::WritableDatabase db(db_dir, Xapian::DB_OPEN);
  db.set_metadata(backend::kFormatKey, std::to_string(backend::kIndexFormat));
  db.set_metadata(kRulesKey, options.rules.signature());
  commit_counted(db);
  return counts;
}

}  // namespace zeb::admin
