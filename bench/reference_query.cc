#include "reference_query.h"

#include <algorithm>
#include <array>

#include "backend/index_schema.h"
#include "backend/query_words.h"
#include "backend/ranking_weight.h"
#include "backend/title_key.h"

namespace zeb::bench {
namespace {

// Common English function words; sorted, for binary search.
constexpr std::array<std::string_view, 96> kStopWords = {
    "a",     "about", "above", "after", "again", "all",   "am",    "an",    "and",
    "any",   "are",   "as",    "at",    "be",    "because", "been", "before", "being",
    "below", "between", "both", "but",  "by",    "can",   "did",   "do",    "does",
    "doing", "down",  "during", "each", "few",   "for",   "from",  "further", "had",
    "has",   "have",  "having", "he",   "her",   "here",  "hers",  "him",   "his",
    "how",   "i",     "if",    "in",    "into",  "is",    "it",    "its",   "me",
    "more",  "most",  "my",    "no",    "nor",   "not",   "of",    "off",   "on",
    "once",  "only",  "or",    "other", "our",   "out",   "over",  "own",   "same",
    "she",   "should", "so",   "some",  "such",  "than",  "that",  "the",   "their",
    "them",  "then",  "there", "these", "they",  "this",  "those", "through", "to",
    "too",   "under", "until", "up",    "very",  "was"};

bool is_word_byte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c >= 0x80;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lower_all(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = lower(c);
  return out;
}

bool is_continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length in bytes of the UTF-8 character that starts at word[i].
size_t char_length(std::string_view word, size_t i) {
  size_t n = 1;
  while (i + n < word.size() && is_continuation(static_cast<unsigned char>(word[i + n]))) ++n;
  return n;
}

// Appends rather than using operator+, which trips a false -Wrestrict in GCC 12.
// A plain search (a null stemmer) takes the word as it is.
Xapian::Query stem_term(const Xapian::Stem* stem, const std::string& word) {
  if (stem == nullptr) return Xapian::Query(word);
  std::string term = backend::kStemPrefix;
  term += (*stem)(word);
  return Xapian::Query(term);
}

// What the engine adds to rank names first (backend/query_builder.cc): in
// short free text each word's own form beside its stem, and for free text
// and words joined by AND the title-start term of the words.
using backend::kMaxOwnFormWords;
using backend::kOwnFormWeight;
using backend::kTitleStartWeight;

Xapian::Query with_title_start(const Xapian::Stem* stem, const std::vector<std::string>& words,
                               const Xapian::Query& query) {
  if (stem == nullptr) return query;
  const std::string key = backend::title_key(words, *stem);
  if (key.empty()) return query;
  const Xapian::Query title(backend::prefixed_term(backend::kTitleStartPrefix, key));
  return Xapian::Query(Xapian::Query::OP_AND_MAYBE, query,
                       Xapian::Query(Xapian::Query::OP_SCALE_WEIGHT, title, kTitleStartWeight));
}

// Whether the own form weighs otherwise than its stem (backend/ranking_weight.h).
bool own_form_stands_out(const Xapian::Database& db, const std::string& word,
                         const Xapian::Query& stem) {
  const Xapian::doccount own = db.get_termfreq(word);
  return own * backend::kCommonOwnFormShare < db.get_doccount() ||
         own < backend::kSameOwnFormShare * db.get_termfreq(*stem.get_terms_begin());
}

Xapian::Query free_text_query(const Xapian::Database& db, const Xapian::Stem* stem,
                              std::string_view text) {
  const std::vector<std::string> words = split_words(text);
  std::vector<Xapian::Query> parts;
  for (const std::string& word : words) {
    if (is_stop_word(word)) continue;
    const Xapian::Query stemmed = stem_term(stem, word);
    if (stem == nullptr || words.size() > kMaxOwnFormWords || !backend::has_stem(word)) {
      parts.push_back(stemmed);
    } else if (own_form_stands_out(db, word, stemmed)) {
      parts.push_back(stemmed);
      parts.emplace_back(Xapian::Query::OP_SCALE_WEIGHT, Xapian::Query(word), kOwnFormWeight);
    } else {
      parts.emplace_back(Xapian::Query::OP_SCALE_WEIGHT, stemmed, 1 + kOwnFormWeight);
    }
  }
  return with_title_start(stem, words,
                          Xapian::Query(Xapian::Query::OP_OR, parts.begin(), parts.end()));
}

Xapian::Query words_query(const Xapian::Stem* stem, std::string_view text) {
  Xapian::Query query;
  Xapian::Query::op next = Xapian::Query::OP_AND;
  bool first = true;
  bool conjunction = true;  // only AND: the page ranks by title start too
  std::vector<std::string> words;
  for (const std::string& word : split_words(text)) {
    if (word == "and") {
      next = Xapian::Query::OP_AND;
    } else if (word == "or") {
      next = Xapian::Query::OP_OR;
      conjunction = false;
    } else if (word == "not") {
      next = Xapian::Query::OP_AND_NOT;
      conjunction = false;
    } else {
      Xapian::Query term = stem_term(stem, word);
      query = first ? term : Xapian::Query(next, query, term);
      first = false;
      next = Xapian::Query::OP_AND;
      words.push_back(word);
    }
  }
  return conjunction ? with_title_start(stem, words, query) : query;
}

Xapian::Query mask_query(const Xapian::Database& db, std::string_view text) {
  const std::string pattern = lower_all(text);
  const std::string prefix = pattern.substr(0, pattern.find_first_of("*?"));
  std::vector<Xapian::Query> parts;
  for (auto it = db.allterms_begin(prefix); it != db.allterms_end(prefix); ++it) {
    const std::string term = *it;
    // Prefixed terms (stems, keywords, scopes, paths) start with a capital.
    if (!term.empty() && term[0] >= 'A' && term[0] <= 'Z') continue;
    if (mask_matches(pattern, term)) parts.emplace_back(term);
  }
  // A synonym weighs the expansions as one word, as a masked word should.
  return Xapian::Query(Xapian::Query::OP_SYNONYM, parts.begin(), parts.end());
}

Xapian::Query phrase_query(const Xapian::Stem* stem, std::string_view text) {
  const std::vector<std::string> words = split_words(text);
  std::vector<Xapian::Query> parts(words.begin(), words.end());
  if (parts.size() == 1) return with_title_start(stem, words, parts[0]);
  return with_title_start(
      stem, words, Xapian::Query(Xapian::Query::OP_PHRASE, parts.begin(), parts.end(), parts.size()));
}

}  // namespace

bool parse_query_kind(std::string_view name, QueryKind& kind) {
  if (name == "free") kind = QueryKind::kFree;
  else if (name == "words") kind = QueryKind::kWords;
  else if (name == "mask") kind = QueryKind::kMask;
  else if (name == "phrase") kind = QueryKind::kPhrase;
  else return false;
  return true;
}

std::vector<std::string> split_words(std::string_view text) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && !is_word_byte(static_cast<unsigned char>(text[i]))) ++i;
    const size_t start = i;
    while (i < text.size() && is_word_byte(static_cast<unsigned char>(text[i]))) ++i;
    if (i > start) words.push_back(lower_all(text.substr(start, i - start)));
  }
  return words;
}

bool is_stop_word(std::string_view word) {
  return std::binary_search(kStopWords.begin(), kStopWords.end(), word);
}

bool mask_matches(std::string_view pattern, std::string_view word) {
  // Greedy match that backtracks only to the last '*': linear for patterns
  // with one star, and never exponential.
  size_t p = 0, w = 0;
  size_t star = std::string_view::npos, resume = 0;
  while (w < word.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = w;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      w += char_length(word, w);
    } else if (p < pattern.size() && pattern[p] == word[w]) {
      ++p;
      ++w;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      resume += char_length(word, resume);
      w = resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

Xapian::Query build_query(const Xapian::Database& db, QueryKind kind, std::string_view text,
                          Ranking ranking) {
  const Xapian::Stem english(backend::kStemLanguage);
  const Xapian::Stem* stem = ranking == Ranking::kPlain ? nullptr : &english;
  switch (kind) {
    case QueryKind::kFree: return free_text_query(db, stem, text);
    case QueryKind::kWords: return words_query(stem, text);
    case QueryKind::kMask: return mask_query(db, text);
    case QueryKind::kPhrase: return phrase_query(stem, text);
  }
  return Xapian::Query();
}

}  // namespace zeb::bench
