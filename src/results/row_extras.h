// What a result row shows beside its title when the form asks for it: the
// section of the document the excerpt comes from (its heading beside the
// title, its anchor on the link), the excerpt with the search's words in
// <mark>, and the date of the document's file. Every text from the engine
// is escaped; the marks are the only markup an excerpt brings.
#pragma once

#include <cstddef>

#include "request/search_request.h"
#include "results/document_link.h"
#include "results/result_walk.h"
#include "results/row_text.h"

namespace zeb {

// A link with the section's anchor: the longest link, "#", and the longest
// anchor with every byte percent-encoded.
constexpr size_t kAnchoredLinkSize = kLinkSize + 1 + 3 * kSectionSize;

// The row's link with "#" and the anchor of the walk's section appended
// (percent-encoded as a URL fragment), when the row shows sections and has
// one; else `link` as it is.
const char* anchored_link(const SearchRequest& request, const ResultWalk& walk,
                          const char* link, char* anchored);

// Writes the extras after the row's title.
void write_row_extras(const SearchRequest& request, const ResultWalk& walk, RowText& row);

}  // namespace zeb
