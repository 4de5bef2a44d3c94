#include "backend/stop_words.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace zeb::backend {

namespace {

// Sorted, so that a look-up is a binary search. The words are held in the
// table itself: a table of pointers would be rewritten by the loader at
// every start of the program.
constexpr char kStopWords[][11] = {
    "a",     "about", "above", "after",   "again", "against", "all",   "am",
    "an",    "and",   "any",   "are",     "as",    "at",      "be",    "because",
    "been",  "before", "being", "below",  "between", "both",  "but",   "by",
    "can",   "could", "did",   "do",      "does",  "doing",   "down",  "during",
    "each",  "few",   "for",   "from",    "further", "had",   "has",   "have",
    "having", "he",   "her",   "here",    "hers",  "herself", "him",   "himself",
    "his",   "how",   "i",     "if",      "in",    "into",    "is",    "it",
    "its",   "itself", "me",   "more",    "most",  "my",      "myself", "no",
    "nor",   "not",   "of",    "off",     "on",    "once",    "only",  "or",
    "other", "our",   "ours",  "ourselves", "out", "over",    "own",   "same",
    "she",   "should", "so",   "some",    "such",  "than",    "that",  "the",
    "their", "theirs", "them", "themselves", "then", "there",  "these", "they",
    "this",  "those", "through", "to",    "too",   "under",   "until", "up",
    "very",  "was",   "we",    "were",    "what",  "when",    "where", "which",
    "while", "who",   "whom",  "why",     "will",  "with",    "would", "you",
    "your",  "yours", "yourself", "yourselves",
};

constexpr bool word_before(std::string_view a, std::string_view b) { return a < b; }

static_assert(std::is_sorted(std::begin(kStopWords), std::end(kStopWords), word_before));

}  // namespace

bool is_stop_word(const std::string& word) {
  return std::binary_search(std::begin(kStopWords), std::end(kStopWords),
                            std::string_view(word), word_before);
}

}  // namespace zeb::backend
