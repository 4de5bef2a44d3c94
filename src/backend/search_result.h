// The result of one search: the query run against its database, fetched
// window by window as the result list is read, never as a whole. The first
// window is fetched by the search itself (it fixes the found count) and
// serves the first answer of the result list. Every matcher run scores all
// matches, so each later window holds twice the entries of the one before
// (up to kMaxWindowEntries): a list read to its end costs a few runs, not
// one run per answer.
#pragma once

#include <xapian.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "backend/row_extras.h"
#include "backend/search_cost.h"
#include "backend/shard_documents.h"
#include "backend/title_start_split.h"

namespace zeb::backend {

// Entries per answer of a result list.
constexpr uint32_t kEntriesPerAnswer = 50;
// The largest result limit a page can have (a 16-bit number): the found
// count is exact up to it.
constexpr uint32_t kLargestResultLimit = 65535;
// Entries one window holds at most: 8192 entries are about 1 MiB.
constexpr uint32_t kMaxWindowEntries = 8192;

struct SearchOptions {
  bool weighted = false;      // probabilistic ranking, else boolean order
  // Every part weighed, boolean order kept when not ranked, and the found
  // count counted with weights (weightless_parts.h).
  bool weigh_all = false;
  bool count_with_weights = false;
  bool ranking_data = false;  // rank values may be asked for
  // An unranked search sorts its matches by path (index_schema.h) rather
  // than taking document order, which is path order only in a local index.
  bool sort_by_path = false;
  // A ranked search lists equal weights by path where document order is
  // not path order (several databases, remote shards, numbers appended).
  bool ties_by_path = true;
  bool percent = false;       // rank values in percent, else a fraction
  uint32_t cap = 0;           // most entries the result holds; 0: no cap
  // Rank values scaled by these terms rather than by Xapian's percentages
  // (BuiltQuery in backend/query_builder.h).
  bool own_rank_scale = false;
  std::vector<std::string> rank_terms;
  // Entries the result list skips at its start (a later page).
  uint32_t first_entry = 0;
  // Entries the page shows from there, where it said; the list ends after
  // them.
  uint32_t rows_shown = 0;
  RowExtrasWanted extras;
  // The postings one unweighted run of the matcher reads (search_cost.h);
  // 0 where they are not known (remote shards), and runs cost nothing.
  uint64_t run_postings = 0;
  uint64_t cost_budget = kSearchCostBudget;
  // The query's weighted title-start term and the query without it
  // (BuiltQuery), empty when it has none.
  Xapian::Query title_start;
  Xapian::Query without_title_start;
};

struct ResultEntry {
  std::string data;              // "path;title"
  const std::string* index_name; // upper case
  float rank = 0.0f;
  RowExtras extras;              // when the search asked for them
};

class SearchResult {
 public:
  // `shard_names` names the index of each shard of `db`, in shard order;
  // `documents` reads the entries' data from them.
  SearchResult(const Xapian::Database& db, std::vector<std::string> shard_names,
               const Xapian::Query& query, const SearchOptions& options,
               ShardDocuments documents = {});

  // Runs the match for the first page. May throw Xapian::Error, or
  // SearchTooComplex when the search would go past its budget: with a cap,
  // the whole list of up to cap entries is foreseen here.
  void start();

  uint32_t found() const { return found_; }
  // The number of entries the result list holds.
  uint32_t entries() const { return entries_; }
  uint32_t first_entry() const { return options_.first_entry; }
  bool has_ranking_data() const { return options_.ranking_data; }
  bool ranked() const { return ranked_; }
  void set_ranked() { ranked_ = true; }

  // Up to kEntriesPerAnswer entries from `offset`; `more` tells whether
  // entries follow. May throw Xapian::Error, or SearchTooComplex when the
  // entries would take the search past its budget.
  void fetch(uint32_t offset, std::vector<ResultEntry>& out, bool& more);

 private:
  // What one run of the matcher costs (search_cost.h).
  uint64_t run_units() const;
  // `check_at_least`: the matches to count before the matcher may stop.
  // Returns the matcher's run, whose match counts are the query's.
  Xapian::MSet load_window(uint32_t offset, uint32_t check_at_least = 0);
  // Whether the window holds the `count` entries from `offset`, or all of
  // them that exist.
  bool holds(uint32_t offset, uint32_t count) const;
  // Sets rank_factor_ from the best match, the first of the first window,
  // whose data `best_data` holds when already read (else null), and
  // `asked` the rank terms it holds when they were asked with it.
  void scale_ranks(const std::string* best_data, const HeldTerms* asked = nullptr);
  // How many of the rank terms the best match holds, counted on its remote
  // shard; false when that cannot be told.
  bool count_held_remotely(Xapian::docid best, const std::string* best_data, size_t& held) const;
  // The rank value of `match` in percent.
  int rank_percent(const WindowEntry& match) const;

  Xapian::Database db_;
  std::vector<std::string> shard_names_;
  ShardDocuments documents_;
  Xapian::Enquire enquire_;
  SearchOptions options_;
  std::vector<WindowEntry> window_;
  std::string best_path_;  // the first window's best match's path, when known
  uint32_t window_offset_ = 0;
  uint32_t window_asked_ = 0;  // entries asked for; 0 before the first window
  uint32_t found_ = 0;
  uint32_t entries_ = 0;
  bool ranked_ = false;
  double rank_factor_ = 0;  // percent per unit of weight, with own_rank_scale
  bool ranks_scaled_ = false;  // rank_factor_ set, at the first fetch
  SearchCost cost_;

};

}  // namespace zeb::backend
