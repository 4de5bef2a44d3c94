// The spelling resources of a request: the spelling file of the first
// selected index, found through the index's data directory and mapped into
// the request (spelling_image, spelling_size) until the page tail.
#pragma once

#include <cstdio>

#include "request/search_request.h"

namespace zeb {

// Run after the indexes are opened, while the spelling flag is set. Clears
// the flag when the first selected index did not open, has no data
// directory, or its file cannot be mapped. Returns 0 to go on, or 1 after
// writing "Error retrieving index information." (the page ends).
int prepare_spelling_resources(SearchRequest& request, FILE* out);

// Unmaps the spelling image, if any, and forgets it.
void release_spelling_image(SearchRequest& request);

}  // namespace zeb
