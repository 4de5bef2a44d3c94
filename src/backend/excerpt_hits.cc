#include "backend/excerpt_hits.h"

#include <xapian.h>

#include <algorithm>
#include <array>
#include <string>


namespace zeb::backend {

namespace {

constexpr std::array<bool, 128> kAsciiWord = [] {
  std::array<bool, 128> word{};
  for (int c = 0; c < 128; ++c)
    word[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  return word;
}();

// The start of the character before `at`.
size_t previous_character(std::string_view text, size_t at) {
  size_t i = at - 1;
  while (i > 0 && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) --i;
  return i;
}

std::string lower(std::string_view word) {
  std::string out(word);
  bool ascii = true;
  for (char& c : out) {
    if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return ascii ? out : Xapian::Unicode::tolower(out);
}

class HitFinder {
 public:
  HitFinder(std::string_view text, ExcerptTerms& terms)
      : text_(text), terms_(terms), seen_(terms.parts().size(), 0) {}

  // Walks the words of text[from, to); with a window, stops once the hits
  // of the last `window` bytes hold every part.
  void run(size_t from, size_t to, size_t window) {
    const size_t parts = terms_.parts().size();
    if (parts == 0) return;
    size_t length = 0;
    size_t at = from;
    // Inside a word already: its start is before `from`.
    if (from > 0 && is_word_at(text_, previous_character(text_, from), length))
      at = word_end(text_, from);
    while (at < to) {
      // To the next word start, and past that word: ASCII bytes without a
      // call, as the text is mostly ASCII.
      auto c = static_cast<unsigned char>(text_[at]);
      while (c < 0x80 && !kAsciiWord[c] && ++at < to) c = static_cast<unsigned char>(text_[at]);
      if (at >= to) break;
      if (c >= 0x80 && !is_word_at(text_, at, length)) {
        at += length;
        continue;
      }
      const size_t start = at;
      if (terms_.may_start_any(lead_byte(start))) {
        for (size_t p = 0; p < parts; ++p)
          if (terms_.may_start(p, lead_byte(start))) try_part(p, start);
        if (window != 0 && every_part_within(window)) break;
      }
      at += c < 0x80 ? 1 : length;  // is_word_at measured a longer one
      while (at < to) {
        c = static_cast<unsigned char>(text_[at]);
        if (c < 0x80) {
          if (!kAsciiWord[c]) break;
          ++at;
        } else {
          if (!is_word_at(text_, at, length)) break;
          at += length;
        }
      }
    }
  }

  std::vector<ExcerptHit> hits;
  std::vector<ByteSpan> marks;

 private:
  unsigned char lead_byte(size_t at) const {
    const char c = text_[at];
    return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }

  // Whether the hits of the last `window` bytes hold every part.
  bool every_part_within(size_t window) {
    for (; next_ < hits.size(); ++next_)
      if (seen_[hits[next_].part]++ == 0) ++distinct_;
    while (oldest_ < hits.size() && hits[oldest_].begin + window <= hits.back().begin)
      if (--seen_[hits[oldest_++].part] == 0) --distinct_;
    return distinct_ == seen_.size();
  }

  // Whether part `p` stands at `at` (a word start); its words are marked.
  void try_part(size_t p, size_t at) {
    const MarkedPart& part = terms_.parts()[p];
    spans_.clear();
    for (size_t k = 0; k < part.size(); ++k) {
      if (k > 0) {
        at = next_word(text_, at);
        if (at == std::string_view::npos) return;
      }
      const size_t end = word_end(text_, at);
      if (!terms_.matches(part[k], lower(text_.substr(at, end - at)))) return;
      spans_.push_back({at, end});
      at = end;
    }
    hits.push_back({spans_.front().begin, static_cast<int>(p)});
    marks.insert(marks.end(), spans_.begin(), spans_.end());
  }

  std::string_view text_;
  ExcerptTerms& terms_;
  std::vector<ByteSpan> spans_;
  std::vector<int> seen_;  // hits of each part in the window
  size_t distinct_ = 0, oldest_ = 0, next_ = 0;
};

}  // namespace

size_t utf8_length(unsigned char lead) {
  if (lead < 0xC0) return 1;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  return 4;
}

bool is_word_at(std::string_view text, size_t at, size_t& length) {
  const auto c = static_cast<unsigned char>(text[at]);
  if (c < 0x80) {
    length = 1;
    return kAsciiWord[c];
  }
  length = std::min(utf8_length(c), text.size() - at);
  return Xapian::Unicode::is_wordchar(*Xapian::Utf8Iterator(text.data() + at, length));
}

size_t word_end(std::string_view text, size_t at) {
  size_t length = 0;
  while (at < text.size() && is_word_at(text, at, length)) at += length;
  return at;
}

size_t next_word(std::string_view text, size_t at) {
  size_t length = 0;
  while (at < text.size() && !is_word_at(text, at, length)) at += length;
  return at < text.size() ? at : std::string_view::npos;
}

size_t previous_word(std::string_view text, size_t at) {
  size_t length = 0;
  // Back over what is not a word, then over the word before it.
  while (at > 0 && !is_word_at(text, previous_character(text, at), length))
    at = previous_character(text, at);
  while (at > 0 && is_word_at(text, previous_character(text, at), length))
    at = previous_character(text, at);
  return at;
}

std::vector<ExcerptHit> find_hits(std::string_view text, ExcerptTerms& terms, size_t from,
                                  size_t to, size_t window) {
  HitFinder finder(text, terms);
  finder.run(from, to, window);
  return std::move(finder.hits);
}

std::vector<ByteSpan> find_marks(std::string_view text, ExcerptTerms& terms, size_t from,
                                 size_t to) {
  HitFinder finder(text, terms);
  finder.run(from, to, 0);
  std::vector<ByteSpan>& marks = finder.marks;
  // A phrase marks words after the one it starts at: sort them in.
  std::sort(marks.begin(), marks.end(),
            [](const ByteSpan& a, const ByteSpan& b) { return a.begin < b.begin; });
  marks.erase(std::unique(marks.begin(), marks.end(),
                          [](const ByteSpan& a, const ByteSpan& b) { return a.begin == b.begin; }),
              marks.end());
  return std::move(marks);
}

}  // namespace zeb::backend
