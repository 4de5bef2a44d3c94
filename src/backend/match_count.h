// The found count of a search, exact as far as a result page can show it.
// A page shows the smaller of its result limit and the found count, so the
// count must be exact up to the largest limit the page may have, and may be
// any number at least that large beyond it.
#pragma once

#include <xapian.h>

#include <algorithm>

namespace zeb::backend {

// `first`: the first window of the search, fetched without extra counting;
// `weighting`: the weights a count needs (weightless_parts.h), none by default.
inline Xapian::doccount exact_match_count(const Xapian::Database& db, const Xapian::Query& query,
                                          const Xapian::MSet& first,
                                          Xapian::doccount exact_up_to,
                                          const Xapian::Weight& weighting = Xapian::BoolWeight()) {
  Xapian::doccount lower = first.get_matches_lower_bound();
  Xapian::doccount estimate = first.get_matches_estimated();
  if (lower != first.get_matches_upper_bound() && lower < exact_up_to) {
    // The matcher stopped counting early. Counting again without a window
    // (and mostly without weights) is a pass over the matches; only queries
    // whose size the posting lists do not tell (AND, NOT, phrases, filters)
    // pay it.
    Xapian::Enquire counter(db);
    counter.set_query(query);
    counter.set_weighting_scheme(weighting);
    const Xapian::MSet counted = counter.get_mset(0, 0, exact_up_to);
    lower = counted.get_matches_lower_bound();
    estimate = counted.get_matches_estimated();
  }
  return std::max({estimate, lower, first.size()});
}

}  // namespace zeb::backend
