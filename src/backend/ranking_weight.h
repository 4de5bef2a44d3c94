// The weighting of ranked searches and the weights of the query parts that
// rank names first, shared with the benchmark's reference search so that
// both do the same work.
//
// BM25 with Xapian's defaults but for the length normalisation b: 0.2 where
// Xapian has 0.5. The words of titles, headings and names already count
// several times over (index_schema.h), and the long pages that define many
// things (a table of functions, a list of settings) should not lose much for
// their length. Measured on the PostgreSQL manual's book index
// (bench/relevance), MRR@10 / success@10: b 0.5 0.855 / 0.961, b 0.3
// 0.865 / 0.962, b 0.2 0.871 / 0.963, b 0.1 0.874 / 0.960. k1 between 0.8
// and 2 changes nothing there, and BM25+ (delta 1) gains one entry.
#pragma once

#include <xapian.h>

#include <cstddef>

namespace zeb::backend {

// How much a word's own form weighs beside its stem, and a title-start
// term beside the words. Measured on the PostgreSQL manual's book index
// (bench/relevance), MRR@10 without own forms 0.863, without title starts
// 0.850, with both 0.871; own forms at 0.25 or 1, title starts at 1 or 4
// give 0.870 to 0.873.
constexpr double kOwnFormWeight = 0.5;
constexpr double kTitleStartWeight = 2;
// Free text of more words than this is a passage rather than a name: its
// stems carry it, and own forms would double its posting lists.
constexpr size_t kMaxOwnFormWords = 8;
// Nor is an own form searched where it would only double a long list: where
// it stands on at least 1/kCommonOwnFormShare of the pages and in at least
// kSameOwnFormShare of the documents of its stem ("webster" in a
// dictionary, "table" in a database manual), its stem weighs for both.
// Measured on the PostgreSQL manual's book index (bench/relevance): no
// change to MRR@10, success@1 or success@10.
constexpr Xapian::doccount kCommonOwnFormShare = 2;
constexpr double kSameOwnFormShare = 0.9;

inline Xapian::BM25Weight ranking_weight() {
  return Xapian::BM25Weight(/*k1=*/1, /*k2=*/0, /*k3=*/1, /*b=*/0.2, /*min_normlen=*/0.5);
}

}  // namespace zeb::backend
