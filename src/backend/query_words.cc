#include "backend/query_words.h"

#include <xapian.h>

#include <algorithm>
#include <utility>

#include "backend/request_text.h"

namespace zeb::backend {

namespace {
constexpr unsigned kNoBreakSpace = 0xA0;
}  // namespace

std::vector<std::string> split_words(const std::string& text) {
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
  constexpr unsigned kLetterCategories =
      (1u << Xapian::Unicode::LOWERCASE_LETTER) |
      (1u << Xapian::Unicode::TITLECASE_LETTER) |
      (1u << Xapian::Unicode::MODIFIER_LETTER) |
      (1u << Xapian::Unicode::OTHER_LETTER);
  const unsigned first = *Xapian::Utf8Iterator(word);
  return (kLetterCategories >> Xapian::Unicode::get_category(first)) & 1u;
}

}  // namespace zeb::backend
