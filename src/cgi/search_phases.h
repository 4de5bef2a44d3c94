// The search phases of a request: from the request buffer to the result
// table (session, indexes, spelling resources, search target, query stream,
// search, new-search form, count line, ranking, result list, sorting, table),
// and their release in the page tail.
#pragma once

#include <cstdio>

#include "request/search_request.h"

namespace zeb {

enum class PhaseOutcome {
  kPageTail,  // go to the page tail (after the table, or after a failure)
  kExitNow,   // end the process at once with status 0, no page tail
};

PhaseOutcome run_search_phases(SearchRequest& request, FILE* out);

// Page tail, after standard output is closed: releases the search engine
// objects in reverse order of creation (result list, result, index group,
// each open index in slot order, session), then the spelling image.
void release_search_resources(SearchRequest& request);

}  // namespace zeb
