// Scoring a ranked list against relevance judgements: where the first
// relevant document stands, and the figures over a set of queries that
// tell how often a reader finds one at once or on the first page.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zeb::bench {

// Results a reader looks at: one page of ten.
constexpr size_t kJudgedDepth = 10;

// 1-based place of the first of `listed` that is in `relevant`, among the
// first kJudgedDepth; 0 when none of them is.
size_t first_relevant_rank(const std::vector<std::string>& listed,
                           const std::vector<std::string>& relevant);

struct RelevanceFigures {
  size_t queries = 0;
  double success_at_1 = 0;   // share of queries with a relevant first result
  double success_at_10 = 0;  // share with one in the first ten
  double mrr_at_10 = 0;      // mean of 1/rank of the first, 0 past ten
};

// The figures of the ranks first_relevant_rank gave, one per query.
RelevanceFigures summarize_ranks(const std::vector<size_t>& ranks);

// The documents a result page links to, in page order: each link that
// starts with `prefix`, with the prefix and any #fragment taken off.
std::vector<std::string> listed_documents(std::string_view page, std::string_view prefix);

// What a result row shows of a document, read from a page with excerpts.
struct ListedRow {
  std::string document;  // as listed_documents gives it
  std::string fragment;  // the link's #fragment, without '#'
  bool marked = false;   // its excerpt marks a word
};
std::vector<ListedRow> listed_rows(std::string_view page, std::string_view prefix);

}  // namespace zeb::bench
