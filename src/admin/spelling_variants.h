// Finds, in an index's vocabulary, the likely misspellings of its words: for
// each word that occurs in at least kMinKeyDocuments documents, the words of
// the vocabulary that
//   - are clearly rarer: in at most 1/kRarityFactor as many documents (a
//     misspelling is an accident; two common words a letter apart are two
//     words),
//   - are within one edit of it, two for words of kLongWordLetters letters or
//     more (an edit inserts, deletes or replaces a letter, or swaps two
//     adjacent ones),
//   - and are not merely another form of it: the same English stem ("tables"
//     is no misspelling of "table").
//
// Only alphabetic words of kMinWordLetters to kMaxWordLetters letters take
// part. Candidates are found through a deletion neighbourhood: two words
// within k edits share a string obtained by deleting at most k letters from
// each, so only words that share such a string are compared.
#pragma once

#include <string>
#include <vector>

#include "admin/spelling_file.h"

namespace zeb::admin {

constexpr size_t kMinWordLetters = 3;
constexpr size_t kMaxWordLetters = 30;
constexpr size_t kLongWordLetters = 8;
constexpr unsigned kMinKeyDocuments = 2;
constexpr unsigned kRarityFactor = 2;

struct VocabularyWord {
  std::string word;       // UTF-8, lower case
  unsigned documents = 0;  // how many documents hold it
};

// Edits between two words, counted as described above (optimal string
// alignment); stops counting past `limit` and then returns limit + 1.
size_t edit_distance(const std::u32string& a, const std::u32string& b, size_t limit);

// The groups for the spelling file, sorted by key; variants of a group most
// frequent first, then in byte order. The result depends on the vocabulary
// only, not on its order.
std::vector<SpellingGroup> find_misspellings(const std::vector<VocabularyWord>& vocabulary);

}  // namespace zeb::admin
