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
  const size_t start = out.size();
  out.append(text.substr(from, to - from));
  for (size_t i = start; i < out.size(); ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (c < 0x20 || c == 0x7F) out[i] = ' ';
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

size_t distinct_parts(const std::vector<ExcerptHit>& hits, size_t parts) {
  std::vector<bool> seen(parts);
  size_t distinct = 0;
  for (const ExcerptHit& hit : hits)
    if (!seen[hit.part]) seen[hit.part] = true, ++distinct;
  return distinct;
}

// The hits of the first heading with the most different parts, when that
// is half of them or more; else none. Headings are read where the sections
// list them, so a heading beyond the head costs no text.
std::vector<ExcerptHit> heading_hits(const ExcerptSource& source, ExcerptTerms& terms) {
  const size_t parts = terms.parts().size();
  std::vector<ExcerptHit> best;
  size_t best_distinct = 0;
  for (const ExcerptSection& section : source.sections) {
    if (!terms.may_hold(section.heading)) continue;
    std::vector<ExcerptHit> hits =
        find_hits(section.heading, terms, 0, section.heading.size(), 0);
    for (ExcerptHit& hit : hits) hit.begin += section.offset;  // the heading stands there
    const size_t distinct = distinct_parts(hits, parts);
    if (distinct > best_distinct) {
      best = std::move(hits);
      best_distinct = distinct;
      if (distinct == parts) break;
    }
  }
  if (best_distinct * 2 < parts || best_distinct == 0) best.clear();
  return best;
}

// The hits the passage is chosen from. A heading that names half the
// search's words or more is where the passage starts: it is the section
// the document gives to them. Else the head is read for the passage, and
// the tail, a block at a time, while a word of the search that the
// document has is missing from what was read. What stands before the first
// heading (mostly the site's furniture, a navigation bar that repeats the
// chapter's title) counts only when the rest has no hit.
std::vector<ExcerptHit> passage_hits(ExcerptSource& source, ExcerptTerms& terms, size_t window,
                                     const std::function<std::string_view()>& tail,
                                     const std::function<bool(size_t)>& has_part) {
  std::vector<ExcerptHit> hits = heading_hits(source, terms);
  if (!hits.empty()) return hits;
  const size_t parts = terms.parts().size();
  const size_t body = source.sections.empty() ? 0 : source.sections.front().offset;
  HitScan scan(terms, window);
  size_t walked = std::min(body, source.text.size());
  bool full = scan.walk(source.text, walked, source.text.size());
  walked = std::max(walked, source.text.size());
  // Whether a part the document has is not found yet (each asked once).
  std::vector<int> has(parts, -1);
  auto missing = [&] {
    std::vector<bool> found(parts);
    for (const ExcerptHit& hit : scan.hits()) found[hit.part] = true;
    for (size_t p = 0; p < parts; ++p) {
      if (found[p]) continue;
      if (has[p] < 0) has[p] = has_part(p) ? 1 : 0;
      if (has[p] == 1) return true;
    }
    return false;
  };
  while (!full && !source.complete() && missing()) {
    // One more block of the tail.
    if (!add_excerpt_tail(tail(), source, source.text.size() + 1)) break;
    // Whole words only, until the end.
    size_t end = source.text.size();
    if (!source.complete()) end = std::max(walked, source.text.rfind(' '));
    full = scan.walk(source.text, walked, end);
    walked = end;
  }
  hits = scan.hits();
  if (hits.empty() && body > 0)
    hits = find_hits(source.text, terms, 0, std::min(body, source.text.size()), window);
  return hits;
}

}  // namespace

Excerpt make_excerpt(ExcerptSource& source, ExcerptTerms& terms, unsigned length,
                     const ExcerptReader& reader) {
  Excerpt excerpt;
  length = std::clamp(length, kMinExcerptWords, kMaxExcerptWords);
  // The tail's value is read once, when first needed.
  std::string tail_value;
  bool tail_read = false;
  const std::function<std::string_view()> tail = [&]() -> std::string_view {
    if (!tail_read && reader.tail) tail_value = reader.tail();
    tail_read = true;
    return tail_value;
  };
  // A part the document has is worth reading the tail for.
  auto has_part = [&](size_t part) {
    if (!reader.has_term) return true;
    for (const std::string& term : terms.terms_of(part))
      if (!reader.has_term(term)) return false;
    return true;
  };
  std::vector<ExcerptHit> hits =
      passage_hits(source, terms, length * kBytesPerWord, tail, has_part);
  // A heading's passage may lie in the tail (or past a tail that is lost):
  // the tail is read as far as the passage may reach.
  if (!hits.empty() && !source.complete() && hits.back().begin >= source.text.size())
    add_excerpt_tail(tail(), source, hits.back().begin + kMaxExcerptBytes,
                     hits.front().begin - std::min(hits.front().begin, kMaxExcerptBytes));
  std::erase_if(hits, [&](const ExcerptHit& hit) { return hit.begin >= source.text.size(); });
  std::string_view text = source.text;
  size_t at = next_word(text, 0);
  if (at == std::string_view::npos) return excerpt;

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
  std::vector<ByteSpan> words{{at, word_end(text, at)}};  // the passage's
  auto extend = [&] {
    while (words.size() < length) {
      const size_t start = next_word(text, words.back().end);
      if (start == std::string_view::npos) break;
      words.push_back({start, word_end(text, start)});
    }
  };
  extend();
  // A passage that reaches the end of what was read goes on in the tail, a
  // block at a time, its last word too where the read cut it: no word may
  // follow it only at the end of the text.
  while (!source.complete() && next_word(text, words.back().end) == std::string_view::npos &&
         add_excerpt_tail(tail(), source, source.text.size() + 1)) {
    text = source.text;
    words.back().end = word_end(text, words.back().begin);
    extend();
  }
  const std::vector<ByteSpan> marks = find_marks(text, terms, at, words.back().end);

  std::string& out = excerpt.text;
  if (at != next_word(text, 0)) out += kEllipsis;
  auto mark = marks.begin();
  // Text before `written` is in `out`; the words after it up to `shown`
  // are taken, and go in with the next mark or at the end.
  size_t written = at, shown = at;
  bool cut = false;
  for (const auto& [start, end] : words) {
    // Room for the word, its marks and a closing ellipsis.
    cut = out.size() + (end - written) + 8 > kMaxExcerptBytes;
    if (cut) break;
    while (mark != marks.end() && mark->begin < start) ++mark;
    if (mark != marks.end() && mark->begin == start) {
      append_plain(out, text, written, start);
      out += kMarkStart;
      append_plain(out, text, start, end);
      out += kMarkEnd;
      written = end;
    }
    shown = end;
  }
  append_plain(out, text, written, shown);
  written = shown;
  if (!cut && next_word(text, shown) == std::string_view::npos) {
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
