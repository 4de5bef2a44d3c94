// Grows a dictionary corpus (the tree ../shared/corpora/dictionary-corpus
// writes: SOURCE/<folder>/<n>.html for n = 0 .. S-1) to any number of pages
// with variants of its own text (page_variants.h), in the same layout:
//
//   OUT/<folder>/<k>.html   k = 0 .. pages-1; page k is made from source
//                           page s = k mod S, in s's folder: k < S is s's
//                           own bytes, later rounds v = k / S are variants
//                           of s with text of the partner page
//                           (s + v * step) mod S, step about 0.618 S.
//
// The first S pages are therefore the source corpus itself, so one tree
// serves a benchmark at the source's size and at the grown size. The same
// source and page count give the same bytes on every run. Memory: the
// source's bytes (about 130 MB for the whole dictionary), whatever the
// number of pages written.
#pragma once

#include <cstddef>
#include <string>

namespace zeb::bench {

// Writes `pages` pages into out_dir (made if missing; files of the same
// names are replaced). Returns the number written, or -1 with a message in
// *error when the source cannot be read or is not a dictionary corpus.
long grow_dictionary_corpus(const std::string& source_dir, const std::string& out_dir,
                            size_t pages, std::string* error);

}  // namespace zeb::bench
