// Masked words: a pattern in which '*' stands for any run of characters
// (also none) and '?' for exactly one character, matched against the
// index's vocabulary of unstemmed words.
#pragma once

#include <xapian.h>

#include <string>
#include <vector>

namespace zeb::backend {

// More words than this from one pattern make the query too complex.
constexpr size_t kMaxMaskExpansion = 1000;

// True when the lower-cased UTF-8 word matches the pattern; both are
// compared character by character, not byte by byte.
bool mask_matches(const std::string& pattern, const std::string& word);

// Fills `words` with the vocabulary words that match `pattern`, in term
// order. Returns 0, or 22 when more than `limit` words match.
int expand_mask(const Xapian::Database& db, const std::string& pattern,
                size_t limit, std::vector<std::string>& words);

}  // namespace zeb::backend
