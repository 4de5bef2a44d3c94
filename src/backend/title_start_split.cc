#include "backend/title_start_split.h"

#include <algorithm>
#include <string>
#include <utility>

namespace zeb::backend {

bool split_first_window(const Xapian::Database& db, const Xapian::Weight& weighting,
                        const Xapian::Query& query, const Xapian::Query& title_start,
                        const Xapian::Query& without, Xapian::doccount count,
                        std::vector<WindowEntry>& out, Xapian::MSet& counts) {
  if (title_start.get_terms_begin() == title_start.get_terms_end()) return false;
  Xapian::doccount longest = 0;
  for (auto it = without.get_unique_terms_begin(); it != without.get_unique_terms_end(); ++it)
    longest = std::max(longest, db.get_termfreq(*it));
  if (longest < kMinSplitMatches) return false;
  const std::string term = *title_start.get_terms_begin();
  if (db.get_termfreq(term) > kMaxSplitTitleStarts) return false;

  // The whole query restricted to the term: each document weighs what the
  // whole query gives it (the filter adds no weight).
  Xapian::Enquire titled(db);
  titled.set_weighting_scheme(weighting);
  titled.set_query(Xapian::Query(Xapian::Query::OP_FILTER, query, Xapian::Query(term)));
  const Xapian::MSet starts = titled.get_mset(0, kMaxSplitTitleStarts);
  std::vector<Xapian::docid> start_ids(starts.begin(), starts.end());
  std::sort(start_ids.begin(), start_ids.end());

  // The window of the rest holds every other document of the whole window:
  // a title start among its first `count` is among the whole query's too,
  // as the title start only adds weight.
  Xapian::Enquire rest(db);
  rest.set_weighting_scheme(weighting);
  rest.set_query(without);
  counts = rest.get_mset(0, count);

  std::vector<WindowEntry> merged;
  merged.reserve(starts.size() + counts.size());
  for (auto it = starts.begin(); it != starts.end(); ++it)
    merged.push_back({*it, it.get_weight(), 0, {}});
  for (auto it = counts.begin(); it != counts.end(); ++it) {
    if (!std::binary_search(start_ids.begin(), start_ids.end(), *it))
      merged.push_back({*it, it.get_weight(), 0, {}});
  }
  std::sort(merged.begin(), merged.end(), [](const WindowEntry& a, const WindowEntry& b) {
    return a.weight != b.weight ? a.weight > b.weight : a.id < b.id;
  });
  if (merged.size() > count) merged.resize(count);
  out = std::move(merged);
  return true;
}

}  // namespace zeb::backend
