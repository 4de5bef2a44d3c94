// An excerpt of a document for a result row: the passage of about `words`
// words where the search's words stand closest together (the most different
// marked parts, then the most marked words), each marked word between
// kMarkStart and kMarkEnd, with "…" where the passage starts or ends inside
// the text. A text without any marked word gives its beginning.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "backend/excerpt_source.h"
#include "backend/excerpt_terms.h"

namespace zeb::backend {

// Marks in an excerpt's text; the text itself holds no control characters.
constexpr char kMarkStart = '\x01';
constexpr char kMarkEnd = '\x02';
// Words an excerpt may ask for, and what it gets otherwise.
constexpr unsigned kMinExcerptWords = 10;
constexpr unsigned kMaxExcerptWords = 80;
constexpr unsigned kDefaultExcerptWords = 30;
// An excerpt never holds more bytes than this (a passage of long words is
// cut at a character boundary, marks kept whole).
constexpr size_t kMaxExcerptBytes = 2000;

struct Excerpt {
  std::string text;           // UTF-8 with marks
  const ExcerptSection* section = nullptr;  // where the passage stands, if any
};

// What the excerpt may read of its document beyond the head, only when the
// passage needs it.
struct ExcerptReader {
  // The tail of the text (the value of kValueExcerptTail).
  std::function<std::string()> tail;
  // Whether the document has an index term; empty: not known, as if it had.
  std::function<bool(const std::string&)> has_term;
};

Excerpt make_excerpt(ExcerptSource& source, ExcerptTerms& terms, unsigned words,
                     const ExcerptReader& reader = {});

}  // namespace zeb::backend
