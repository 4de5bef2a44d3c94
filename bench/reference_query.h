// The queries of the reference searcher: the Xapian queries that a search of
// each kind comes down to, built directly (no query parser) over an index laid
// out as src/backend/index_schema.h says.
//
//   free    free text: its words, lower-cased, stop words dropped, each as its
//           English stem (Z prefix), joined by OR; ranked by BM25
//   words   "w1 and w2 not w3 or w4": linguistic words (stems) combined left
//           to right by the operators; a word with no operator before it is
//           ANDed
//   mask    one word with * (any run) and ? (one character), expanded over the
//           unstemmed vocabulary, the expansions weighed as one word
//   phrase  unstemmed words, adjacent and in order
//
// Free text, words joined by AND only and phrases also rank a document whose
// title starts with the words first, and short free text weighs each word's
// own form beside its stem, as the engine does.
//
// The plain search is what any Xapian program would run without fields: one
// unprefixed term per word (no stems, no title start, no own forms), ranked
// by Xapian's default BM25 (plain_weight()). It is the floor that the
// ranking's own cost is measured against.
#pragma once

#include <xapian.h>

#include <string>
#include <string_view>
#include <vector>

namespace zeb::bench {

enum class QueryKind { kFree, kWords, kMask, kPhrase };
enum class Ranking { kEngine, kPlain };

// False for an unknown kind name.
bool parse_query_kind(std::string_view name, QueryKind& kind);

// Lower-cased runs of ASCII letters and digits and of bytes >= 0x80 (UTF-8).
std::vector<std::string> split_words(std::string_view text);

bool is_stop_word(std::string_view word);

// True when `word` matches the pattern of * and ? in full.
bool mask_matches(std::string_view pattern, std::string_view word);

// The query for `text`; an empty query (matches nothing) when nothing is left,
// e.g. free text of stop words only or a mask that expands to no term.
Xapian::Query build_query(const Xapian::Database& db, QueryKind kind, std::string_view text,
                          Ranking ranking = Ranking::kEngine);

// Xapian's BM25 with its default parameters.
inline Xapian::BM25Weight plain_weight() { return Xapian::BM25Weight(); }

}  // namespace zeb::bench
