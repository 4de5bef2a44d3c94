// Masked words: a pattern in which '*' stands for any run of characters
// (also none) and '?' for exactly one character, matched against the
// indexes' vocabularies of unstemmed words.
//
// Reading a vocabulary is the dearest thing a search does, so every word
// read is charged to the search's budget (search_bounds.h), and a reading
// that does not move forward (a damaged index) stops.
#pragma once

#include <xapian.h>

#include <string>
#include <vector>

#include "backend/search_bounds.h"

namespace zeb::backend {

// The vocabulary of one index of the search.
struct Vocabulary {
  Xapian::Database db;
  bool remote = false;
  // A remote index's shards one by one: each answers with all its words
  // that begin with the mask's leading letters, and they are asked side by
  // side (shard_parallel.h) rather than one after another.
  std::vector<Xapian::Database> shards;
};

// True when the lower-cased UTF-8 word matches the pattern; both are
// compared character by character, not byte by byte.
bool mask_matches(const std::string& pattern, const std::string& word);

// Fills `words` with the words of the vocabularies that match `pattern`
// (lower-cased), sorted, each once. Returns 0; 22 when the pattern is
// longer than kMaxMaskLength, when more than kMaxMaskExpansion words match,
// when the budget is spent or when a remote vocabulary would be read with
// fewer than kMinRemoteMaskLiteral characters; 62 when a vocabulary does
// not read in order.
int expand_mask(const std::vector<Vocabulary>& vocabularies,
                const std::string& pattern, SearchBudget& budget,
                std::vector<std::string>& words);

}  // namespace zeb::backend
