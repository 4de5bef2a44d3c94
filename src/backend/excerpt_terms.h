// The words an excerpt marks: every word of a search that can bring a
// document, as the document writes it. A linguistic word marks the words of
// its stem ("tables" marks "table"), an exact word itself, a masked word
// the words it stands for, a phrase its words where they stand as the
// phrase. Words under NOT, topics and free-text stop words mark nothing.
#pragma once

#include <xapian.h>

#include <array>
#include <bitset>
#include <string>
#include <unordered_map>
#include <vector>

#include "backend/parsed_search.h"

namespace zeb::backend {

struct WordMatcher {
  enum Kind { kExact, kStem, kPattern } kind = kExact;
  std::string text;  // lower case: the word, its stem, or the pattern
};

// One thing to mark: a word (one matcher) or a phrase (one per word).
using MarkedPart = std::vector<WordMatcher>;

class ExcerptTerms {
 public:
  explicit ExcerptTerms(const ParsedSearch& parsed);

  const std::vector<MarkedPart>& parts() const { return parts_; }
  // The index terms a document that holds part `part` has, every one
  // (index_schema.h); empty where they are not known (a mask).
  const std::vector<std::string>& terms_of(size_t part) const { return part_terms_[part]; }
  // Whether a word whose first byte (ASCII lower-cased) is `byte` may
  // start part `part`: most words of a text are passed over on this alone.
  bool may_start(size_t part, unsigned char byte) const { return starts_[part][byte]; }
  bool may_start_any(unsigned char byte) const { return any_start_[byte]; }
  // What every word that may start a part begins with: up to three ASCII
  // bytes, each in either case, or (after the first) any byte of a longer
  // character. One per part, when there are at most kMaxPrefixes parts and
  // each begins with an ASCII byte; else none.
  struct Prefix {
    std::array<char, 3> lower{}, upper{};
    size_t length = 0;  // 1 to 3
  };
  static constexpr size_t kMaxPrefixes = 4;
  const std::vector<Prefix>& prefixes() const { return prefixes_; }
  // False when no part can start in `text` (no part's prefix stands
  // there): most headings of a page are passed over on this alone.
  bool may_hold(std::string_view text) const;
  // Whether `word` (lower case), which may_match let through, matches
  // `matcher`.
  bool matches(const WordMatcher& matcher, const std::string& word);
  // False when `raw` (a word of the text, in any case) cannot match
  // `matcher`: its first ASCII letters are not those every match begins
  // with. Most words that start as a part does are passed over on this,
  // before they are lower-cased and stemmed.
  static bool may_match(const WordMatcher& matcher, std::string_view raw);

 private:
  void add_expression(const Expression& expression);
  void finish();  // the start tables of the parts
  void add_term(const Term& term);
  void add_word(const std::string& word, uint8_t type);
  const std::string& stem_of(const std::string& word);

  std::vector<MarkedPart> parts_;
  std::vector<std::vector<std::string>> part_terms_;
  std::vector<std::bitset<256>> starts_;  // per part
  std::bitset<256> any_start_;
  std::vector<Prefix> prefixes_;
  Xapian::Stem stemmer_;
  std::unordered_map<std::string, std::string> stems_;  // the words stemmed so far
};

// Whether `word` is what `pattern` stands for: '*' any run of characters,
// '?' one character (UTF-8).
bool pattern_matches(const std::string& pattern, const std::string& word);

}  // namespace zeb::backend
