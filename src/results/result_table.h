// The result table: one row per result entry, streamed from the answers of
// the result list, with star images, stripes, links, titles and rank values.
#pragma once

#include <cstdio>

#include "request/search_request.h"

namespace zeb {

// Writes "<table ...>" to "</table>\n". Releases the request buffer before
// the first answer is fetched.
void write_result_table(SearchRequest& request, FILE* out);

}  // namespace zeb
