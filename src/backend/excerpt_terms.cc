#include "backend/excerpt_terms.h"

#include "backend/excerpt_hits.h"
#include "backend/index_schema.h"
#include "backend/query_words.h"
#include "backend/stop_words.h"

namespace zeb::backend {

namespace {

// Stems caches at most this many words: a page's excerpts read a few
// thousand words.
constexpr size_t kMaxCachedStems = 20000;

// The ASCII bytes every word `matcher` matches begins with (matches() asks
// no more of a stem: a word of two letters may have a stem of two).
ExcerptTerms::Prefix prefix_of(const WordMatcher& matcher) {
  const std::string& text = matcher.text;
  size_t fixed = 0;
  while (fixed < text.size() && fixed < 3 && static_cast<unsigned char>(text[fixed]) < 0x80 &&
         text[fixed] != kMaskAny && text[fixed] != kMaskOne)
    ++fixed;
  if (matcher.kind == WordMatcher::kStem)
    fixed = std::min(fixed, text.size() >= 4 ? size_t{3} : text.size() >= 3 ? size_t{2} : size_t{1});
  ExcerptTerms::Prefix prefix;
  prefix.length = fixed;
  for (size_t i = 0; i < fixed; ++i) {
    const char c = text[i];
    prefix.lower[i] = c;
    prefix.upper[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return prefix;
}

}  // namespace

bool pattern_matches(const std::string& pattern, const std::string& word) {
  // Iterative matching with one point to go back to after the last '*'.
  size_t p = 0, w = 0, star = std::string::npos, resume = 0;
  while (w < word.size()) {
    if (p < pattern.size() && pattern[p] == kMaskOne) {
      ++p;
      w += utf8_length(static_cast<unsigned char>(word[w]));
    } else if (p < pattern.size() && pattern[p] == kMaskAny) {
      star = p++;
      resume = w;
    } else if (p < pattern.size() && pattern[p] == word[w]) {
      ++p;
      ++w;
    } else if (star != std::string::npos) {
      p = star + 1;
      resume += utf8_length(static_cast<unsigned char>(word[resume]));
      w = resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == kMaskAny) ++p;
  return p == pattern.size() && w == word.size();
}

ExcerptTerms::ExcerptTerms(const ParsedSearch& parsed) : stemmer_(kStemLanguage) {
  add_expression(parsed.expression);
  if (parsed.has_free_text)
    for (const std::string& word : split_words(parsed.free_text))
      if (!is_stop_word(word)) add_word(word, parsed.free_text_type);
  finish();
}

void ExcerptTerms::finish() {
  for (const MarkedPart& part : parts_) {
    std::bitset<256> starts;
    const std::string& first = part.front().text;
    const auto lead = static_cast<unsigned char>(first.empty() ? kMaskAny : first[0]);
    if (part.front().kind == WordMatcher::kPattern && (lead == kMaskAny || lead == kMaskOne)) {
      starts.set();
    } else if (lead >= 0x80) {
      // Case changes the first byte of some letters beyond ASCII.
      for (unsigned byte = 0x80; byte < 256; ++byte) starts.set(byte);
    } else {
      starts.set(lead);
    }
    starts_.push_back(starts);
    any_start_ |= starts;
  }
  for (const MarkedPart& part : parts_) {
    const Prefix prefix = prefix_of(part.front());
    if (prefix.length == 0 || parts_.size() > kMaxPrefixes) {
      prefixes_.clear();
      break;
    }
    prefixes_.push_back(prefix);
  }
}

void ExcerptTerms::add_expression(const Expression& expression) {
  for (const Step& step : expression) {
    if (step.negated) continue;
    if (step.operand->bracket) {
      add_expression(step.operand->inner);
    } else {
      add_term(step.operand->term);
    }
  }
}

void ExcerptTerms::add_term(const Term& term) {
  if (term.topic) return;
  if (term.mask_any || term.mask_one) {
    MarkedPart part;
    for (const MaskedPiece& piece : split_masked_words(term.text, term.mask_any, term.mask_one)) {
      if (piece.pattern) {
        if (is_only_masking(piece.text)) return;
        part.push_back({WordMatcher::kPattern, piece.text});
      } else {
        part.push_back({WordMatcher::kExact, piece.text});
      }
    }
    if (!part.empty()) {
      parts_.push_back(std::move(part));
      part_terms_.emplace_back();
    }
    return;
  }
  const std::vector<std::string> words = split_words(term.text);
  if (words.size() == 1) {
    add_word(words[0], term.type);
    return;
  }
  // A phrase is searched by its words as they stand.
  MarkedPart part;
  for (const std::string& word : words) part.push_back({WordMatcher::kExact, word});
  if (!part.empty()) {
    parts_.push_back(std::move(part));
    part_terms_.push_back(words);
  }
}

void ExcerptTerms::add_word(const std::string& word, uint8_t type) {
  if (type == kTermTypeExact || !has_stem(word)) {
    parts_.push_back({{WordMatcher::kExact, word}});
    part_terms_.push_back({word});
  } else {
    parts_.push_back({{WordMatcher::kStem, stem_of(word)}});
    part_terms_.push_back({prefixed_term(kStemPrefix, stem_of(word))});
  }
}

const std::string& ExcerptTerms::stem_of(const std::string& word) {
  auto found = stems_.find(word);
  if (found != stems_.end()) return found->second;
  if (stems_.size() >= kMaxCachedStems) stems_.clear();
  return stems_.emplace(word, stemmer_(word)).first->second;
}

bool ExcerptTerms::may_hold(std::string_view text) const {
  if (prefixes_.empty()) return true;
  const auto folded = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  for (size_t at = 0; at < text.size(); ++at) {
    const char first = folded(text[at]);
    if (!any_start_[static_cast<unsigned char>(first)]) continue;
    for (const Prefix& prefix : prefixes_) {
      if (first != prefix.lower[0]) continue;
      size_t i = 1;
      // A byte of a longer character may be one that folds to the letter.
      while (i < prefix.length && at + i < text.size() &&
             (folded(text[at + i]) == prefix.lower[i] ||
              static_cast<unsigned char>(text[at + i]) >= 0x80))
        ++i;
      if (i == prefix.length) return true;
    }
  }
  return false;
}

bool ExcerptTerms::may_match(const WordMatcher& matcher, std::string_view raw) {
  if (matcher.kind == WordMatcher::kPattern) return true;
  const std::string& text = matcher.text;
  // The letters of a stem but its last; all of a word. A stem is the word
  // cut short, its last letter at most changed ("happy", "happi") or added
  // ("hoping", "hope"): of 220,000 English words only "dying", "lying" and
  // "tying" begin otherwise, and they are not marked.
  const size_t fixed = matcher.kind == WordMatcher::kExact ? text.size()
                       : text.size() >= 2             ? text.size() - 1
                                                       : text.size();
  for (size_t i = 0; i < fixed; ++i) {
    if (i == raw.size()) return false;
    const auto c = static_cast<unsigned char>(raw[i]);
    if (c >= 0x80 || static_cast<unsigned char>(text[i]) >= 0x80) return true;  // not known here
    if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != static_cast<unsigned char>(text[i]))
      return false;
  }
  return matcher.kind != WordMatcher::kExact || raw.size() == text.size();
}

bool ExcerptTerms::matches(const WordMatcher& matcher, const std::string& word) {
  switch (matcher.kind) {
    case WordMatcher::kExact:
      return word == matcher.text;
    case WordMatcher::kPattern:
      return pattern_matches(matcher.text, word);
    case WordMatcher::kStem:
      // Only words that may_match let through come here to be stemmed.
      return has_stem(word) && stem_of(word) == matcher.text;
  }
  return false;
}

}  // namespace zeb::backend
