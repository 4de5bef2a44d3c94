// The weighting of ranked searches, shared with the benchmark's reference
// search so that both do the same work.
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

namespace zeb::backend {

inline Xapian::BM25Weight ranking_weight() {
  return Xapian::BM25Weight(/*k1=*/1, /*k2=*/0, /*k3=*/1, /*b=*/0.2, /*min_normlen=*/0.5);
}

}  // namespace zeb::backend
