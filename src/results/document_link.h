// The link of a result row: the document location of the entry's index
// (from the look-up table) joined with the document path of the entry.
//
//   "http:..." or "https:..."  location + path    (a URL prefix)
//   "/..."                      "file://" + location + "/" + path
//   anything else, or none      "file:///" + location + "\" + path
//
// The path is percent-encoded (request/url_path_escape.h), so that the link
// opens the file it names whatever bytes its name holds; the location is the
// site's own and is written as it is.
#pragma once

#include <cstddef>

#include "request/search_request.h"
#include "request/url_path_escape.h"
#include "results/result_walk.h"

namespace zeb {

// A row's link holds the longest location joined with the longest document
// path, every byte of it encoded ("file:///", 127, "\", 3 x 1023
// characters): a link is never cut short, since a cut link leads nowhere. A
// longer location or path given here is cut, never inside an escape.
constexpr size_t kLinkSize =
    8 + (kLocationSize - 1) + 1 + kLongestUrlEscape * (kDocumentIdSize - 1) + 1;

// `location` is nullptr when the entry has no index. Writes the link,
// zero-terminated, into `link` (kLinkSize bytes) and returns it.
const char* make_document_link(const char* location, const char* path,
                               char* link);

// The same for a path given by its first `path_length` bytes.
const char* make_document_link(const char* location, const char* path,
                               size_t path_length, char* link);

}  // namespace zeb
