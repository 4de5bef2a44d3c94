// The link of a result row: the document location of the entry's index
// (from the look-up table) joined with the document path of the entry.
//
//   "http:..." or "https:..."  location + path    (a URL prefix)
//   "/..."                      "file://" + location + "/" + path
//   anything else, or none      "file:///" + location + "\" + path
#pragma once

#include <cstddef>

#include "request/search_request.h"
#include "results/result_walk.h"

namespace zeb {

// A row's link holds the longest location joined with the longest document
// path ("file:///", 127, "\", 1023 characters): a link is never cut short,
// since a cut link leads nowhere. A longer location or path given here is cut.
constexpr size_t kLinkSize = 8 + (kLocationSize - 1) + 1 + (kDocumentIdSize - 1) + 1;

// `location` is nullptr when the entry has no index. Writes the link,
// zero-terminated, into `link` (kLinkSize bytes) and returns it.
const char* make_document_link(const char* location, const char* path,
                               char* link);

// The same for a path given by its first `path_length` bytes.
const char* make_document_link(const char* location, const char* path,
                               size_t path_length, char* link);

}  // namespace zeb
