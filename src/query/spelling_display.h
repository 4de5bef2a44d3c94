// The tables of spelling variants in the page: for each word of a text that
// the spelling file knows, a heading and one row per misspelling with a
// "find me" link (searchit?<index>?<variant>).
#pragma once

#include <cstddef>
#include <cstdio>

namespace zeb {

// Splits `text` at single blanks (two adjacent blanks give an empty word; an
// empty text gives one empty word), looks each word up in the image and
// writes a table for each word that has variants. `index` is the name of the
// first selected index. Words and variants are escaped.
void show_spelling_variants(const unsigned char* image, size_t size,
                            const char* text, const char* index, FILE* out);

}  // namespace zeb
