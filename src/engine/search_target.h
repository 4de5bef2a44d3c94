// The search target: the one open index, or an index group of all open
// indexes with the query scope added to it.
//
// Group request: one atomic item 60 per open index, in slot order.
// Scope request: start item 105; per open index: start item 50, item 60 with
// its name, one item 107 per scope value, end item 50; end item 105.
#pragma once

#include <cstdio>

#include "request/search_request.h"

namespace zeb {

// Sets request.search_target. With one open index no engine call is made
// (its scope values travel in the search request). Returns 0, or 1 after
// reporting a failed KSVCREATEINDEXGROUP or KSVADDQUERYSCOPE.
int set_search_target(SearchRequest& request, FILE* out);

}  // namespace zeb
