#include "backend/excerpt_maker.h"

#include <xapian.h>

#include <algorithm>
#include <vector>

namespace zeb::backend {

namespace {

constexpr const char* kEllipsis = "\xE2\x80\xA6";  // U+2026

struct Word {
  size_t begin = 0;  // bytes of the text
  size_t end = 0;
  int part = -1;     // the marked part it belongs to, -1 for none
};

size_t utf8_length(unsigned char lead) {
  if (lead < 0xC0) return 1;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  return 4;
}

// The words of `text`, cut where the indexer cuts them for the most part:
// runs of letters, digits, marks and connectors.
std::vector<Word> words_of(const std::string& text) {
  std::vector<Word> words;
  words.reserve(text.size() / 6);
  const size_t n = text.size();
  bool inside = false;
  size_t begin = 0;
  for (size_t i = 0; i < n;) {
    const auto c = static_cast<unsigned char>(text[i]);
    bool word;
    size_t length = 1;
    if (c < 0x80) {
      word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
             c == '_';
    } else {
      length = std::min(utf8_length(c), n - i);
      word = Xapian::Unicode::is_wordchar(*Xapian::Utf8Iterator(text.data() + i, length));
    }
    if (word && !inside) begin = i;
    if (!word && inside) words.push_back({begin, i, -1});
    inside = word;
    i += length;
  }
  if (inside) words.push_back({begin, n, -1});
  return words;
}

std::string lower(const std::string& text, const Word& word) {
  std::string out = text.substr(word.begin, word.end - word.begin);
  bool ascii = true;
  for (char& c : out) {
    if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return ascii ? out : Xapian::Unicode::tolower(out);
}

unsigned char lower_byte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

// Gives each word of `words` the part it is marked for: a phrase's words
// only where the whole phrase stands. Words are lower-cased only where a
// part may start.
void mark_words(const std::string& text, std::vector<Word>& words, ExcerptTerms& terms) {
  const std::vector<MarkedPart>& parts = terms.parts();
  if (parts.empty()) return;
  std::vector<std::string> lowered(words.size());
  std::vector<bool> done(words.size());
  auto lowered_at = [&](size_t i) -> const std::string& {
    if (!done[i]) {
      lowered[i] = lower(text, words[i]);
      done[i] = true;
    }
    return lowered[i];
  };
  for (size_t i = 0; i < words.size(); ++i) {
    const unsigned char lead = lower_byte(text[words[i].begin]);
    if (!terms.may_start_any(lead)) continue;
    for (size_t p = 0; p < parts.size(); ++p) {
      const MarkedPart& part = parts[p];
      if (!terms.may_start(p, lead) || i + part.size() > words.size()) continue;
      bool all = true;
      for (size_t k = 0; k < part.size() && all; ++k)
        all = terms.matches(part[k], lowered_at(i + k));
      if (!all) continue;
      for (size_t k = 0; k < part.size(); ++k)
        if (words[i + k].part < 0) words[i + k].part = static_cast<int>(p);
    }
  }
}

// The first word of the best window of `length` words: the one with the
// most different parts marked, then the most marked words. A window starts
// a little before its first marked word, so that the word has its context.
size_t best_start(const std::vector<Word>& words, size_t length, size_t parts) {
  if (parts == 0 || words.size() <= length) return 0;
  std::vector<size_t> marked;
  for (size_t i = 0; i < words.size(); ++i)
    if (words[i].part >= 0) marked.push_back(i);
  if (marked.empty()) return 0;
  const size_t lead = length / 5;
  std::vector<int> seen(parts, 0);
  size_t best = 0, best_distinct = 0, best_count = 0;
  size_t distinct = 0, hi = 0;
  for (size_t lo = 0; lo < marked.size(); ++lo) {
    const size_t limit = marked[lo] + length - lead;  // one past the window's last word
    for (; hi < marked.size() && marked[hi] < limit; ++hi)
      if (seen[words[marked[hi]].part]++ == 0) ++distinct;
    const size_t count = hi - lo;
    if (distinct > best_distinct || (distinct == best_distinct && count > best_count)) {
      best_distinct = distinct;
      best_count = count;
      best = marked[lo] > lead ? marked[lo] - lead : 0;
    }
    if (--seen[words[marked[lo]].part] == 0) --distinct;
  }
  return std::min(best, words.size() - length);
}

// Appends text[from, to) with control characters made blanks.
void append_plain(std::string& out, const std::string& text, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    out += c < 0x20 || c == 0x7F ? ' ' : text[i];
  }
}

const ExcerptSection* section_at(const ExcerptSource& source, size_t offset) {
  const ExcerptSection* found = nullptr;
  for (const ExcerptSection& section : source.sections) {
    if (section.offset > offset) break;
    found = &section;
  }
  return found;
}

}  // namespace

Excerpt make_excerpt(const ExcerptSource& source, ExcerptTerms& terms, unsigned length) {
  Excerpt excerpt;
  const std::string& text = source.text;
  std::vector<Word> words = words_of(text);
  if (words.empty()) return excerpt;
  length = std::clamp(length, kMinExcerptWords, kMaxExcerptWords);
  mark_words(text, words, terms);
  const size_t first = best_start(words, length, terms.parts().size());
  const size_t last = std::min(words.size(), first + length);  // one past

  // The section of the first marked word shown, else of the passage.
  size_t anchor_word = first;
  for (size_t i = first; i < last; ++i)
    if (words[i].part >= 0) {
      anchor_word = i;
      break;
    }
  excerpt.section = section_at(source, words[anchor_word].begin);

  std::string& out = excerpt.text;
  if (first > 0) out += kEllipsis;
  size_t at = words[first].begin;
  bool cut = false;
  for (size_t i = first; i < last && !cut; ++i) {
    const Word& word = words[i];
    // Room for the word, its marks and a closing ellipsis.
    cut = out.size() + (word.end - at) + 8 > kMaxExcerptBytes;
    if (cut) break;
    append_plain(out, text, at, word.begin);
    if (word.part >= 0) out += kMarkStart;
    append_plain(out, text, word.begin, word.end);
    if (word.part >= 0) out += kMarkEnd;
    at = word.end;
  }
  if (!cut && last == words.size()) {
    // What follows the last word ("end.") closes the text.
    const size_t room = kMaxExcerptBytes - out.size();
    if (text.size() - at <= room) {
      append_plain(out, text, at, text.size());
      return excerpt;
    }
  }
  out += kEllipsis;
  return excerpt;
}

}  // namespace zeb::backend
