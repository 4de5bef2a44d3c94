// What the indexer takes from one document: its title, its running text and
// its keywords (topics), all UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zeb::admin {

// Titles longer than this are cut (at a character boundary): a title is
// carried in every result row.
constexpr size_t kMaxTitleBytes = 250;

struct ExtractedDocument {
  std::string title;                  // blanks collapsed; may be empty
  std::string text;                   // the words of the document
  std::vector<std::string> keywords;  // as written, blanks collapsed
};

// Collapses runs of white space (ASCII and no-break space) into one blank,
// trims both ends and cuts the result to `max_bytes` at a character boundary.
std::string collapse_blanks(std::string_view text, size_t max_bytes);

}  // namespace zeb::admin
