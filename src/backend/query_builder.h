// Turns a ParsedSearch into a Xapian query over one database (an index or an
// index group): terms, phrases, masked words, topics and the operators that
// join them, and the free text, which the expression restricts.
//
// Terms as the index holds them (index_schema.h): a linguistic word is
// searched by its English stem (Z prefix) when the indexer kept one, an exact
// word as itself; a phrase by its unstemmed words in order and adjacent; a
// topic by its keyword (K prefix).
//
// Ranking: a document whose title starts with the query's words gains the
// weight of a title-start term (XT prefix), which matches nothing by
// itself. This holds for free text and for a ranked search of words joined
// by AND. A short free text (up to eight words) also weighs each word's own
// form beside its stem, so that "repeat" finds the function before
// "repeatable read", except where the own form is on most pages and nearly
// every page of its stem: there the stem weighs for both (ranking_weight.h).
#pragma once

#include <xapian.h>

#include <map>
#include <string>
#include <vector>

#include "backend/mask_expansion.h"
#include "backend/parsed_search.h"
#include "backend/search_bounds.h"
#include "backend/weightless_parts.h"

namespace zeb::backend {

// What a query is built for: the database searched (an index, or the shards
// of an index group side by side) and the same indexes one by one, whose
// vocabularies masked words read.
struct QueryTarget {
  Xapian::Database db;
  std::vector<Vocabulary> vocabularies;
  // Where masked words keep what they expand to, so that a query built
  // again reads no vocabulary twice; null: each build keeps its own.
  std::map<std::string, std::vector<std::string>>* expansions = nullptr;
};

struct BuiltQuery {
  Xapian::Query query;
  bool stop_words_dropped = false;  // some free-text words were stop words
  // Whether rank values come from the terms below rather than from Xapian's
  // count of the query's parts, which the title-start term and the words'
  // own forms would skew: the best match is worth the share of `rank_terms`
  // it holds (all of them when there are none), the others in proportion
  // to their weight.
  bool own_rank_scale = false;
  std::vector<std::string> rank_terms;
  // The weighted title-start term of `query` and `query` without it, both
  // empty when it has none: a search may weigh the few documents that the
  // term matches apart (title_start_split.h).
  Xapian::Query title_start;
  Xapian::Query without_title_start;
};

// 0 with the query; 31 for a masked word of masking characters only; 22 for
// a phrase of more than kMaxPhraseWords words, a masked word that expands
// too far, or a query past the budget (search_bounds.h); 62 for a vocabulary
// that does not read in order; 73 when nothing is left to search for.
// `out.stop_words_dropped` is valid also with 73. The posting lists of the
// query are charged to `budget`, the search's scope filters are not. Terms,
// filters and exclusions are made by `parts`.
int build_query(const QueryTarget& target, const ParsedSearch& parsed, WeightlessParts& parts,
                SearchBudget& budget, BuiltQuery& out);

}  // namespace zeb::backend
