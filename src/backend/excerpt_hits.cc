#include "backend/excerpt_hits.h"

#include <xapian.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

}  // namespace

class HitFinder {
 public:
  HitFinder(std::string_view text, ExcerptTerms& terms)
      : text_(text), terms_(terms), seen_(terms.parts().size(), 0) {}

  // The text grown: the same bytes as before, and more.
  void set_text(std::string_view text) { text_ = text; }

  // Walks the words of text[from, to); with a window, stops once the hits
  // of the last `window` bytes hold every part, and says so.
  bool run(size_t from, size_t to, size_t window) {
    const size_t parts = terms_.parts().size();
    if (parts == 0) return false;
    if (run_on_leads(from, to, window)) return full_;
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
        if (window != 0 && every_part_within(window)) return full_ = true;
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
    return false;
  }

  std::vector<ExcerptHit> hits;
  std::vector<ByteSpan> marks;

 private:
  // The same walk where every part starts with ASCII bytes: only the places
  // where a part's first bytes (excerpt_terms.h) stand are looked at, found
  // 16 bytes at a time, and a word starts there when the character before
  // it is no letter. False when a part may start otherwise.
  bool run_on_leads(size_t from, size_t to, size_t window) {
#if defined(__SSE2__)
    switch (terms_.prefixes().size()) {
      case 1: return scan_leads<1>(from, to, window);
      case 2: return scan_leads<2>(from, to, window);
      case 3: return scan_leads<3>(from, to, window);
      case 4: return scan_leads<4>(from, to, window);
      default: return false;
    }
#else
    (void)from, (void)to, (void)window;
    return false;
#endif
  }

#if defined(__SSE2__)
  static_assert(ExcerptTerms::kMaxPrefixes == 4);  // the cases above
  static_assert(std::tuple_size_v<decltype(ExcerptTerms::Prefix::lower)> == 3);

  // With the number of parts fixed, the compares of a block stay in
  // registers. Bytes are compared with bit 0x20 set, which makes ASCII
  // letters lower case: a byte of another kind that it makes equal to a
  // prefix's byte is a place tried for nothing. After the first, a byte of
  // a longer character matches anything, as the character may be one that
  // folds to the letter.
  template <size_t kParts>
  bool scan_leads(size_t from, size_t to, size_t window) {
    const std::vector<ExcerptTerms::Prefix>& prefixes = terms_.prefixes();
    const __m128i fold = _mm_set1_epi8(0x20);
    const __m128i zero = _mm_setzero_si128();
    const __m128i all = _mm_cmpeq_epi8(zero, zero);
    // Per part: its bytes, and for the second and third all bits where the
    // prefix is shorter.
    __m128i first[kParts], second[kParts], third[kParts], open2[kParts], open3[kParts];
    for (size_t p = 0; p < kParts; ++p) {
      const ExcerptTerms::Prefix& prefix = prefixes[p];
      first[p] = _mm_set1_epi8(static_cast<char>(prefix.lower[0] | 0x20));
      second[p] = _mm_set1_epi8(static_cast<char>(prefix.lower[1] | 0x20));
      third[p] = _mm_set1_epi8(static_cast<char>(prefix.lower[2] | 0x20));
      open2[p] = prefix.length > 1 ? zero : all;
      open3[p] = prefix.length > 2 ? zero : all;
    }
    size_t at = from;
    // Blocks of 16 places (the two bytes after each read too), then what is
    // left one place at a time.
    for (; at + 16 <= to && at + 18 <= text_.size(); at += 16) {
      const char* base = text_.data() + at;
      const __m128i bytes0 =
          _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(base)), fold);
      const __m128i bytes1 =
          _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(base + 1)), fold);
      const __m128i bytes2 =
          _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(base + 2)), fold);
      const __m128i longer1 = _mm_cmplt_epi8(bytes1, zero);
      const __m128i longer2 = _mm_cmplt_epi8(bytes2, zero);
      __m128i found = zero;
#pragma GCC unroll 4
      for (size_t p = 0; p < kParts; ++p) {
        const __m128i at1 = _mm_or_si128(_mm_cmpeq_epi8(bytes1, second[p]), longer1);
        const __m128i at2 = _mm_or_si128(_mm_cmpeq_epi8(bytes2, third[p]), longer2);
        const __m128i here = _mm_and_si128(_mm_cmpeq_epi8(bytes0, first[p]),
                                           _mm_and_si128(_mm_or_si128(at1, open2[p]),
                                                         _mm_or_si128(at2, open3[p])));
        found = _mm_or_si128(found, here);
      }
      for (auto bits = static_cast<unsigned>(_mm_movemask_epi8(found)); bits != 0;
           bits &= bits - 1)
        if (at_lead(at + static_cast<size_t>(__builtin_ctz(bits)), window)) return true;
    }
    for (; at < to; ++at)
      for (const ExcerptTerms::Prefix& prefix : prefixes)
        if (text_[at] == prefix.lower[0] || text_[at] == prefix.upper[0]) {
          if (at_lead(at, window)) return true;
          break;
        }
    return true;
  }
#endif

  // A byte that may start a part stands at `at`: the parts are tried when a
  // word starts there. True once the window holds every part.
  bool at_lead(size_t at, size_t window) {
    size_t length = 0;
    if (at > 0) {
      const auto before = static_cast<unsigned char>(text_[at - 1]);
      if (before < 0x80 ? kAsciiWord[before]
                        : is_word_at(text_, previous_character(text_, at), length))
        return false;
    }
    for (size_t p = 0; p < terms_.parts().size(); ++p)
      if (terms_.may_start(p, lead_byte(at))) try_part(p, at);
    return full_ = window != 0 && every_part_within(window);
  }

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
      const std::string_view word = text_.substr(at, end - at);
      if (!ExcerptTerms::may_match(part[k], word) || !terms_.matches(part[k], lower(word)))
        return;
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
  bool full_ = false;  // a window holds every part
};


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

HitScan::HitScan(ExcerptTerms& terms, size_t window)
    : finder_(std::make_unique<HitFinder>(std::string_view(), terms)), window_(window) {}

HitScan::~HitScan() = default;

bool HitScan::walk(std::string_view text, size_t from, size_t to) {
  finder_->set_text(text);
  return finder_->run(from, to, window_);
}

const std::vector<ExcerptHit>& HitScan::hits() const { return finder_->hits; }

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
