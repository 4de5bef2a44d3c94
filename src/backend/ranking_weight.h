// The weighting of ranked searches, shared with the benchmark's reference
// search so that both do the same work.
//
// BM25+ with k1 1.2, b 0.2 and delta 1, measured on the PostgreSQL manual's
// book index (bench/relevance): the words of titles, headings and names
// already count several times over (index_schema.h), so a long page that
// defines a term needs little length normalisation (b 0.2 against Xapian's
// 0.5: mean reciprocal rank 0.872 against 0.868), and the delta keeps a rare
// word in a long page from weighing next to nothing (success in the top ten
// 0.963 against 0.961 with plain BM25). k2 0, k3 1 and min_normlen 0.5 are
// Xapian's defaults; k1 between 0.8 and 2 changes little.
#pragma once

#include <xapian.h>

namespace zeb::backend {

inline Xapian::BM25PlusWeight ranking_weight() {
  return Xapian::BM25PlusWeight(/*k1=*/1.2, /*k2=*/0, /*k3=*/1, /*b=*/0.2,
                                /*min_normlen=*/0.5, /*delta=*/1.0);
}

}  // namespace zeb::backend
