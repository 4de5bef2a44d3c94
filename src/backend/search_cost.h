// What a search costs the matcher, known before it runs: the postings its
// query reads, from the index's own term frequencies, and the rows its
// result list delivers. The bounds of search_bounds.h count what a query is
// made of (posting lists, vocabulary words); this counts the work those
// make on this index, which a list of a word in every document makes a
// hundred thousand times that of a rare word.
//
// The unit is the reading of one posting by an unweighted matcher. Measured
// on the dictionary corpus (126,240 pages) and bench/bounds-bench's indexes
// (bench/bounds-bench), on 2 processors, each unit costs about 10 ns; the
// weights of the ranked search, the positions a phrase checks and a row's
// document cost the multiples below. A ranked search runs the matcher again
// for each window of its result list (search_result.h): each run is charged
// when it starts.
//
// A search is answered "too complex" (22) before a run or a window of rows
// that would take its spending past kSearchCostBudget, so no search spends
// much more than the budget, whatever its form: 5.5e7 units, about 0.55 s,
// which lets a ranked list of a word on most of the dictionary's pages
// (113,182) show 65,535 rows.
#pragma once

#include <xapian.h>

#include <cstdint>

namespace zeb::backend {

constexpr uint64_t kSearchCostBudget = 55'000'000;

// Scoring a posting of a weighted (ranked) search.
constexpr uint64_t kWeightedPostingCost = 3;
// A posting of a phrase word: its positions are read and compared.
constexpr uint64_t kPositionPostingCost = 6;
// An OR of n lists merges them: each posting costs 1 + 0.4 log2(n) (64
// lists of common words, ranked, measured 3.4 times their postings).
constexpr double kMergeCostPerLevel = 0.4;
// One row of the result list: its document's data read and its answer made.
constexpr uint64_t kRowCost = 600;

// Thrown where a search would go past its budget; the engine call that runs
// it answers 22.
struct SearchTooComplex {};

// The postings one unweighted run of the matcher reads for `query` on
// `db`, at most: every term's documents, each once per place it has in the
// query, every document for a part that matches all; with the dearer
// postings of phrases and of ORs of many lists counted as so many more. Asks `db` for the
// frequency of each distinct term once (local databases only: a remote
// shard would answer each with an exchange).
uint64_t query_postings(const Xapian::Database& db, const Xapian::Query& query);

// The spending of one search against kSearchCostBudget.
class SearchCost {
 public:
  SearchCost() = default;
  explicit SearchCost(uint64_t budget) : budget_(budget) {}

  // Counts `units`; throws SearchTooComplex, counting nothing, when they
  // would take the spending past the budget.
  void charge(uint64_t units);
  // Whether `units` more stay within the budget.
  bool affordable(uint64_t units) const { return units <= budget_ - spent_; }

  uint64_t spent() const { return spent_; }

 private:
  uint64_t budget_ = kSearchCostBudget;
  uint64_t spent_ = 0;
};

}  // namespace zeb::backend
