// The first window of a ranked search whose title-start part (query_builder.h)
// matches only a few documents, taken in two runs of the matcher rather than
// one. In one run the matcher checks every match of the rest of the query
// against the title-start term's short list; on a word that stands on
// nearly every page that check costs about a quarter again of the whole
// search. So the few documents whose title starts with the words are
// weighed by the whole query on their own, the rest of the query runs
// without the part, and the two lists are merged in the order the whole
// query gives: by weight, and by document number where weights are equal,
// as Xapian orders a ranked list. A document weighs exactly what the whole
// query gives it: the title-start documents are those of the whole query,
// and the part adds nothing to the others.
//
// Only for local databases: a remote shard would answer each run with
// exchanges of its own.
#pragma once

#include <xapian.h>

#include <string>
#include <vector>

namespace zeb::backend {

// One entry of a window of a result list.
struct WindowEntry {
  Xapian::docid id = 0;
  double weight = 0;
  int percent = 0;  // Xapian's own percentage; 0 in a merged window
  std::string key;  // the sort key; empty in a merged window
};

// Title-start documents that are weighed apart at most. Where more match,
// they fill a page soon, and from then on the matcher skips along their
// list instead of checking every match against it.
constexpr Xapian::doccount kMaxSplitTitleStarts = 50;
// The documents that one word of the rest must stand in for the split to
// pay for its second run: the check costs the one run less than a hundred
// instructions a match, the second run about as much as 1,000 matches.
constexpr Xapian::doccount kMinSplitMatches = 4096;

// Fills `out` with the first `count` entries of `query`, which is
// `without` with the weighted title-start term `title_start` added as
// query_builder.h adds it, and `counts` with the run of `without`, whose
// match counts are those of `query`. False, with nothing filled, where the
// term matches more than kMaxSplitTitleStarts documents or no word of
// `without` stands in kMinSplitMatches.
bool split_first_window(const Xapian::Database& db, const Xapian::Weight& weighting,
                        const Xapian::Query& query, const Xapian::Query& title_start,
                        const Xapian::Query& without, Xapian::doccount count,
                        std::vector<WindowEntry>& out, Xapian::MSet& counts);

}  // namespace zeb::backend
