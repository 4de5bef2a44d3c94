// Words of a query text, cut and cased the way the index's words were: the
// unmasked words are split by Xapian's term generator, as the indexer splits
// documents, so that a query word and an indexed word agree on what a word
// is (apostrophes, "C++", numbers with points). Masked words keep their
// masking characters.
#pragma once

#include <string>
#include <vector>

namespace zeb::backend {

constexpr char kMaskAny = '*';  // any run of characters, also none
constexpr char kMaskOne = '?';  // exactly one character

// The words of a UTF-8 text, lower-cased, in text order. Plain ASCII texts
// are cut by hand; the result is always what generator_words gives.
std::vector<std::string> split_words(const std::string& text);

// The words as Xapian's term generator cuts them, in text order.
std::vector<std::string> generator_words(const std::string& text);

// One piece of a masked term: a plain word or a pattern with masking
// characters, lower-cased.
struct MaskedPiece {
  std::string text;
  bool pattern = false;
};

// Splits a masked term's text into words; the masking characters that are
// active count as word characters, inactive ones as separators.
std::vector<MaskedPiece> split_masked_words(const std::string& text,
                                            bool mask_any, bool mask_one);

// True when a piece consists of masking characters only.
bool is_only_masking(const std::string& piece);

// Unicode lower case of a UTF-8 text.
std::string lower_case(const std::string& text);

// Lower case with every run of white space (ASCII white space and no-break
// space) made one blank and none at either end: the form a keyword is
// indexed in.
std::string keyword_form(const std::string& text);

// Whether the indexer kept a stem of this (lower-cased) word: only words that
// begin with a letter have one.
bool has_stem(const std::string& word);

}  // namespace zeb::backend
