// Where a search's words stand in a document's text: each place where a
// marked part (excerpt_terms.h) matches. One pass over the text checks a
// part only at the words whose first letter may start it, and stops at the
// first stretch of `window` bytes that holds every part (the rest could
// only add hits of parts already there).
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "backend/excerpt_terms.h"

namespace zeb::backend {

struct ByteSpan {
  size_t begin = 0;
  size_t end = 0;  // one past
};

// One place a part matches: where it starts, and which part.
struct ExcerptHit {
  size_t begin = 0;
  int part = 0;
};

// The hits of parts that start in text[from, to), in text order, up to the
// first `window` bytes that hold them all.
std::vector<ExcerptHit> find_hits(std::string_view text, ExcerptTerms& terms, size_t from,
                                  size_t to, size_t window);

class HitFinder;

// The same walk over a text that grows (a tail read a step at a time): the
// hits gather from one call to the next.
class HitScan {
 public:
  HitScan(ExcerptTerms& terms, size_t window);
  ~HitScan();
  // Walks text[from, to), where `text` holds the bytes of earlier calls and
  // maybe more; true once `window` bytes hold every part.
  bool walk(std::string_view text, size_t from, size_t to);
  const std::vector<ExcerptHit>& hits() const;

 private:
  std::unique_ptr<HitFinder> finder_;
  size_t window_;
};

// The words to mark in text[from, to): those of every part that starts
// there, by position, without repeats.
std::vector<ByteSpan> find_marks(std::string_view text, ExcerptTerms& terms, size_t from,
                                 size_t to);

// The bytes of the UTF-8 character that `lead` starts (1 for a stray byte).
size_t utf8_length(unsigned char lead);

// Word boundaries in UTF-8 text (letters, digits, marks and connectors make
// words, as the indexer cuts them for the most part).
bool is_word_at(std::string_view text, size_t at, size_t& length);
// The end of the word that starts at `at`.
size_t word_end(std::string_view text, size_t at);
// The start of the next word at or after `at`; npos when none.
size_t next_word(std::string_view text, size_t at);
// The start of the word before the one at (or the blanks before) `at`; 0
// at the start of the text.
size_t previous_word(std::string_view text, size_t at);

}  // namespace zeb::backend
