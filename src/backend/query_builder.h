// Turns a ParsedSearch into a Xapian query over one database (an index or an
// index group): terms, phrases, masked words, topics and the operators that
// join them, and the free text, which the expression restricts.
//
// Terms as the index holds them (index_schema.h): a linguistic word is
// searched by its English stem (Z prefix) when the indexer kept one, an exact
// word as itself; a phrase by its unstemmed words in order and adjacent; a
// topic by its keyword (K prefix).
#pragma once

#include <xapian.h>

#include "backend/parsed_search.h"

namespace zeb::backend {

// Most terms one query may expand to, masked words included.
constexpr size_t kMaxQueryTerms = 10000;

struct BuiltQuery {
  Xapian::Query query;
  bool stop_words_dropped = false;  // some free-text words were stop words
};

// 0 with the query; 31 for a masked word of masking characters only, 22 for
// a masked word or a query expanding to too many words, 73 when nothing is
// left to search for. `out.stop_words_dropped` is valid also with 73.
int build_query(const Xapian::Database& db, const ParsedSearch& parsed,
                BuiltQuery& out);

}  // namespace zeb::backend
