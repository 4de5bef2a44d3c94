#include "backend/excerpt_maker.h"

#include <algorithm>
#include <vector>

#include "backend/excerpt_hits.h"

namespace zeb::backend {

namespace {

constexpr const char* kEllipsis = "\xE2\x80\xA6";  // U+2026
// What a word of running text takes, blank included, on average: the span
// of text a window of words is judged by.
constexpr size_t kBytesPerWord = 7;

// The hit a window of `words` words starts at: the window with the most
// different parts, then the most hits.
size_t best_hit(const std::vector<ExcerptHit>& hits, size_t parts, size_t words) {
  const size_t span = words * kBytesPerWord;
  std::vector<int> seen(parts, 0);
  size_t best = 0, best_distinct = 0, best_count = 0, distinct = 0, hi = 0;
  for (size_t lo = 0; lo < hits.size(); ++lo) {
    for (; hi < hits.size() && hits[hi].begin < hits[lo].begin + span; ++hi)
      if (seen[hits[hi].part]++ == 0) ++distinct;
    const size_t count = hi - lo;
    if (distinct > best_distinct || (distinct == best_distinct && count > best_count)) {
      best = lo;
      best_distinct = distinct;
      best_count = count;
    }
    if (--seen[hits[lo].part] == 0) --distinct;
  }
  return best;
}

// Appends text[from, to) with control characters made blanks.
void append_plain(std::string& out, std::string_view text, size_t from, size_t to) {
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

// The hits of the first heading with the most different parts, when that
// is half of them or more; else none.
std::vector<ExcerptHit> heading_hits(const ExcerptSource& source, ExcerptTerms& terms) {
  const size_t parts = terms.parts().size();
  std::vector<ExcerptHit> best;
  size_t best_distinct = 0;
  std::vector<bool> seen(parts);
  for (const ExcerptSection& section : source.sections) {
    const size_t end = std::min(source.text.size(), section.offset + section.heading.size());
    std::vector<ExcerptHit> hits = find_hits(source.text, terms, section.offset, end, 0);
    std::fill(seen.begin(), seen.end(), false);
    size_t distinct = 0;
    for (const ExcerptHit& hit : hits)
      if (!seen[hit.part]) seen[hit.part] = true, ++distinct;
    if (distinct > best_distinct) {
      best = std::move(hits);
      best_distinct = distinct;
      if (distinct == parts) break;
    }
  }
  if (best_distinct * 2 < parts || best_distinct == 0) best.clear();
  return best;
}

}  // namespace

Excerpt make_excerpt(const ExcerptSource& source, ExcerptTerms& terms, unsigned length) {
  Excerpt excerpt;
  const std::string_view text = source.text;
  size_t at = next_word(text, 0);
  if (at == std::string_view::npos) return excerpt;
  length = std::clamp(length, kMinExcerptWords, kMaxExcerptWords);
  // A heading that names half the search's words or more is where the
  // passage starts: it is the section the document gives to them. Else the
  // text is read for the passage, where what stands before the first
  // heading (mostly the site's furniture, a navigation bar that repeats the
  // chapter's title) counts only when the rest has no hit.
  const size_t window = length * kBytesPerWord;
  std::vector<ExcerptHit> hits = heading_hits(source, terms);
  if (hits.empty()) {
    const size_t body = source.sections.empty() ? 0 : source.sections.front().offset;
    hits = find_hits(text, terms, body, text.size(), window);
    if (hits.empty() && body > 0) hits = find_hits(text, terms, 0, body, window);
  }

  // The passage starts a few words before the first hit of the best window,
  // so that the word has its context.
  size_t anchor = at;
  if (!hits.empty()) {
    anchor = hits[best_hit(hits, terms.parts().size(), length)].begin;
    at = anchor;
    for (unsigned lead = 0; lead < length / 5 && at > 0; ++lead) at = previous_word(text, at);
    at = next_word(text, at);
  }
  excerpt.section = section_at(source, anchor);
  size_t last = at;  // the end of the passage's last word
  for (unsigned n = 0; n < length; ++n) {
    const size_t start = next_word(text, last);
    if (start == std::string_view::npos) break;
    last = word_end(text, start);
  }
  const std::vector<ByteSpan> marks = find_marks(text, terms, at, last);

  std::string& out = excerpt.text;
  if (at != next_word(text, 0)) out += kEllipsis;
  auto mark = marks.begin();
  size_t written = at;  // text before it is in `out`
  bool cut = false;
  for (unsigned n = 0; n < length && at != std::string_view::npos; ++n) {
    const size_t end = word_end(text, at);
    // Room for the word, its marks and a closing ellipsis.
    cut = out.size() + (end - written) + 8 > kMaxExcerptBytes;
    if (cut) break;
    append_plain(out, text, written, at);
    while (mark != marks.end() && mark->begin < at) ++mark;
    const bool marked = mark != marks.end() && mark->begin == at;
    if (marked) out += kMarkStart;
    append_plain(out, text, at, end);
    if (marked) out += kMarkEnd;
    written = end;
    at = next_word(text, end);
  }
  if (!cut && at == std::string_view::npos) {
    // What follows the last word ("end.") closes the text.
    if (text.size() - written <= kMaxExcerptBytes - out.size()) {
      append_plain(out, text, written, text.size());
      return excerpt;
    }
  }
  out += kEllipsis;
  return excerpt;
}

}  // namespace zeb::backend
