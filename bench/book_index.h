// Relevance judgements from a manual's own back-of-book index: its editors
// chose, for every entry, the pages that are about it. Read from the HTML
// index page of a DocBook manual, where each entry is a <dt> of the index's
// outer <dl>:
//
//   <dt id="...">ALTER DOMAIN, <a class="indexterm" href="sql-alterdomain.html">
//     ALTER DOMAIN</a>, <a class="indexterm" href="ddl-x.html#FRAG">...</a></dt>
//   <dd><dl><dt>sub-entry, <a ...></dt></dl></dd>
//
// The entry's text is what comes before its first link; its pages are the
// targets of its "indexterm" links without their #fragment; the fragment of
// a page's first link is kept beside it (the section the editors meant). Sub-entries
// (inside <dd>) and "see" cross-references are not judgements of their own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zeb::bench {

// Entries of more words than this are phrases a reader would not type.
constexpr size_t kMaxJudgedWords = 4;

struct Judgement {
  std::string query;               // the entry's text, blanks collapsed
  std::vector<std::string> pages;  // distinct, in the order the entry names them
  std::vector<std::string> fragments;  // per page: its first link's, or empty
};

// Every top-level entry of 1 to kMaxJudgedWords blank-separated words that
// links to at least one page, in the order of the index.
std::vector<Judgement> read_book_index(std::string_view html);

}  // namespace zeb::bench
