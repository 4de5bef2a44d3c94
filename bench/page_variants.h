// Variants of a dictionary page, for growing a corpus of real English text
// to sizes larger than its source (bench/million-bench).
//
// A source page is one that ../shared/corpora/dictionary-corpus writes:
//
//   <!DOCTYPE html>\n<html><head><meta charset="utf-8">\n<title>T</title>\n
//   <meta name="keywords" content="K">\n</head><body>\n<p>P1</p>\n...</body></html>\n
//
// with T, K and each P already HTML-escaped. A variant keeps that layout: its
// own page's paragraphs in another order, the sentences of each paragraph in
// another order, and one paragraph of a partner page put in among them; its
// title is the own title followed by the partner's. The words are the
// source's own words (no made-up terms), so word statistics stay those of
// real text, and the shuffles make every variant a page of its own text,
// which the indexer's folding of identical pages leaves alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zeb::bench {

struct DictionaryPage {
  std::string title;     // escaped, as in the page
  std::string keywords;  // escaped, as in the page
  std::vector<std::string> paragraphs;  // escaped, without <p> and </p>
};

// The page's parts, or nothing when it is not laid out as above.
std::optional<DictionaryPage> parse_dictionary_page(std::string_view html);

// The page in the layout above.
std::string write_dictionary_page(const DictionaryPage& page);

// A variant of `own` with text of `partner`; the same three arguments
// always give the same page, on every machine.
DictionaryPage page_variant(const DictionaryPage& own, const DictionaryPage& partner,
                            uint64_t seed);

}  // namespace zeb::bench
