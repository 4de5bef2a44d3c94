#include "backend/title_key.h"

#include "backend/index_schema.h"
#include "backend/query_words.h"

namespace zeb::backend {

namespace {

// Xapian refuses terms of more than 245 bytes; the prefix takes two.
constexpr size_t kMaxKeyBytes = 240;

std::string key_word(const std::string& word, const Xapian::Stem& stemmer) {
  return has_stem(word) ? stemmer(word) : word;
}

bool has_digit(const std::string& word) {
  return word.find_first_of("0123456789") != std::string::npos;
}

// How many words of a title its section number takes: a number ("9.4") or
// a letter or word with a number ("F.21", "Chapter 5"), when words follow.
size_t numbering_words(const std::vector<std::string>& words) {
  if (words.size() > 2 && has_digit(words[1])) return 2;
  if (words.size() > 1 && has_digit(words[0])) return 1;
  return 0;
}

// The terms of the runs of words[first...] that start at `first`.
void add_runs(const std::vector<std::string>& words, size_t first, const Xapian::Stem& stemmer,
              std::vector<std::pair<std::string, Xapian::termcount>>& terms) {
  std::string key;
  size_t i = first;
  for (; i < words.size() && i - first < kMaxTitleKeyWords; ++i) {
    if (i > first) key += ' ';
    key += key_word(words[i], stemmer);
    if (key.size() > kMaxKeyBytes) return;
    terms.emplace_back(prefixed_term(kTitleStartPrefix, key), 1);
  }
  if (i == words.size() && i > first) terms.back().second = 2;
}

}  // namespace

std::string title_key(const std::vector<std::string>& words, const Xapian::Stem& stemmer) {
  if (words.size() > kMaxTitleKeyWords) return {};
  std::string key;
  for (const std::string& word : words) {
    if (!key.empty()) key += ' ';
    key += key_word(word, stemmer);
  }
  return key.size() > kMaxKeyBytes ? std::string() : key;
}

std::vector<std::pair<std::string, Xapian::termcount>> title_start_terms(
    const std::string& title, const Xapian::Stem& stemmer) {
  const std::vector<std::string> words = split_words(title);
  std::vector<std::pair<std::string, Xapian::termcount>> terms;
  add_runs(words, 0, stemmer, terms);
  if (const size_t numbering = numbering_words(words)) add_runs(words, numbering, stemmer, terms);
  return terms;
}

}  // namespace zeb::backend
