#include "backend/stop_words.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace zeb::backend {

namespace {

// Sorted, so that a look-up is a binary search.
constexpr std::string_view kStopWords[] = {
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

static_assert(std::is_sorted(std::begin(kStopWords), std::end(kStopWords)));

}  // namespace

bool is_stop_word(const std::string& word) {
  return std::binary_search(std::begin(kStopWords), std::end(kStopWords),
                            std::string_view(word));
}

}  // namespace zeb::backend
