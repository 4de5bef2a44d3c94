// What the indexer takes from one document: its title, its running text, its
// headings and names, and its keywords (topics), all UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zeb::admin {

// Titles longer than this are cut (at a character boundary): a title is
// carried in every result row.
constexpr size_t kMaxTitleBytes = 250;
// A heading or name longer than this is cut at a word boundary: it names a
// section or a thing, and an unclosed one must not take the rest of the
// document with it.
constexpr size_t kMaxFieldBytes = 250;

// Where a section of the document begins: at its heading (h1 to h4, dt), at
// `offset` bytes into the running text. `anchor` is the fragment that
// addresses it (empty when none does); `heading` its text, blanks collapsed.
struct Section {
  size_t offset = 0;
  std::string anchor;
  std::string heading;
};

struct ExtractedDocument {
  std::string title;                  // blanks collapsed; may be empty
  std::string text;                   // the words of the document
  // The parts that say what the document is about more strongly than its
  // running text, blanks collapsed; their words are in `text` too.
  std::vector<std::string> headings;  // section headings, defined terms
  std::vector<std::string> names;     // table headers and row labels, code
  std::vector<std::string> keywords;  // as written, blanks collapsed
  std::vector<Section> sections;      // in text order
  bool noindex = false;               // the page asks to be left out of the index
};

// Collapses runs of white space (ASCII and no-break space) into one blank,
// trims both ends and cuts the result to `max_bytes` at a character boundary.
std::string collapse_blanks(std::string_view text, size_t max_bytes);

}  // namespace zeb::admin
