#include "backend/query_words.h"

#include <xapian.h>

#include <algorithm>
#include <utility>

#include "backend/request_text.h"

namespace zeb::backend {

namespace {

constexpr unsigned kNoBreakSpace = 0xA0;
// The term generator leaves out longer words.
constexpr size_t kLongestWord = 64;

bool is_ascii_word_byte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         c == '_';
}

// ASCII bytes that the term generator reads as more than a word break:
// apostrophe and ampersand inside a word, points, commas and semicolons
// between digits and after initials, "+" and "#" at the end of a word.
bool is_ascii_joiner(unsigned char c) {
  return c == '\'' || c == '&' || c == '.' || c == ',' || c == ';' || c == '+' ||
         c == '#';
}

// Most query texts are plain ASCII words between blanks; those are cut here
// as the term generator would cut them, without setting one up. False (and
// `words` incomplete) for any text that needs the term generator's rules:
// other than ASCII, joining characters, over-long words.
bool split_plain_words(const std::string& text, std::vector<std::string>& words) {
  const size_t size = text.size();
  size_t i = 0;
  while (i < size) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80 || is_ascii_joiner(c)) return false;
    if (!is_ascii_word_byte(c)) {
      ++i;
      continue;
    }
    const size_t start = i;
    while (i < size && is_ascii_word_byte(static_cast<unsigned char>(text[i]))) ++i;
    if (i - start > kLongestWord) return false;
    std::string& word = words.emplace_back(text, start, i - start);
    for (char& w : word)
      if (w >= 'A' && w <= 'Z') w = static_cast<char>(w - 'A' + 'a');
  }
  return true;
}

}  // namespace

std::vector<std::string> generator_words(const std::string& text) {
  Xapian::TermGenerator generator;
  generator.set_stemming_strategy(Xapian::TermGenerator::STEM_NONE);
  Xapian::Document scratch;
  generator.set_document(scratch);
  generator.index_text(text);

  std::vector<std::pair<Xapian::termpos, std::string>> placed;
  for (auto term = scratch.termlist_begin(); term != scratch.termlist_end(); ++term)
    for (auto pos = term.positionlist_begin(); pos != term.positionlist_end(); ++pos)
      placed.emplace_back(*pos, *term);
  std::sort(placed.begin(), placed.end());

  std::vector<std::string> words;
  words.reserve(placed.size());
  for (auto& [position, word] : placed) words.push_back(std::move(word));
  return words;
}

std::vector<std::string> split_words(const std::string& text) {
  std::vector<std::string> plain;
  if (split_plain_words(text, plain)) return plain;
  return generator_words(text);
}

std::vector<MaskedPiece> split_masked_words(const std::string& text,
                                            bool mask_any, bool mask_one) {
  std::vector<MaskedPiece> pieces;
  MaskedPiece current;
  auto finish = [&] {
    if (current.text.empty()) return;
    if (current.pattern) {
      pieces.push_back(std::move(current));
    } else {
      for (auto& word : split_words(current.text)) pieces.push_back({std::move(word), false});
    }
    current = MaskedPiece{};
  };
  for (Xapian::Utf8Iterator it(text); it != Xapian::Utf8Iterator(); ++it) {
    const unsigned ch = *it;
    const bool masking = (mask_any && ch == static_cast<unsigned>(kMaskAny)) ||
                         (mask_one && ch == static_cast<unsigned>(kMaskOne));
    if (masking) {
      current.pattern = true;
      current.text += static_cast<char>(ch);
    } else if (Xapian::Unicode::is_wordchar(ch)) {
      append_utf8(current.text, Xapian::Unicode::tolower(ch));
    } else {
      finish();
    }
  }
  finish();
  return pieces;
}

bool is_only_masking(const std::string& piece) {
  return !piece.empty() && piece.find_first_not_of("*?") == std::string::npos;
}

std::string lower_case(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (Xapian::Utf8Iterator it(text); it != Xapian::Utf8Iterator(); ++it)
    append_utf8(out, Xapian::Unicode::tolower(*it));
  return out;
}

std::string keyword_form(const std::string& text) {
  std::string out;
  bool pending_blank = false;
  for (Xapian::Utf8Iterator it(text); it != Xapian::Utf8Iterator(); ++it) {
    const unsigned ch = *it;
    if (ch == ' ' || (ch >= '\t' && ch <= '\r') || ch == kNoBreakSpace) {
      pending_blank = !out.empty();
      continue;
    }
    if (pending_blank) out += ' ';
    pending_blank = false;
    append_utf8(out, Xapian::Unicode::tolower(ch));
  }
  return out;
}

bool has_stem(const std::string& word) {
  if (word.empty()) return false;
  // Of the ASCII characters only the small letters are letters of the kinds
  // that have a stem.
  const auto lead = static_cast<unsigned char>(word[0]);
  if (lead < 0x80) return lead >= 'a' && lead <= 'z';
  constexpr unsigned kLetterCategories =
      (1u << Xapian::Unicode::LOWERCASE_LETTER) |
      (1u << Xapian::Unicode::TITLECASE_LETTER) |
      (1u << Xapian::Unicode::MODIFIER_LETTER) |
      (1u << Xapian::Unicode::OTHER_LETTER);
  const unsigned first = *Xapian::Utf8Iterator(word);
  return (kLetterCategories >> Xapian::Unicode::get_category(first)) & 1u;
}

}  // namespace zeb::backend
