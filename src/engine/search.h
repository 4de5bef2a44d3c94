// The search and what follows it: the found count on the page, ranking, the
// result list and its sorting.
//
// Sort request (22 bytes): start item 480, item 502 with 01, item 500 with
// 01, end item 480.
#pragma once

#include <cstdio>

#include "request/search_request.h"
#include "engine/data_stream.h"

namespace zeb {

// Sends the search request built in `buffer`; the result handle and found
// count land in the request. Codes 0 and 9 pass silently; 8, 10, 22, 72 and
// 73 are reported and the request goes on; any other code is reported after
// "Search processing error has occurred." and ends the page only when
// nothing was found. Returns 0 to go on, 1 to end the page.
int run_search(SearchRequest& request, const RequestBuffer& buffer, FILE* out);

// "No matching documents found" (returns 1: the page ends) or the count
// line with the smaller of the result limit and the found count (returns 0).
int write_result_count(const SearchRequest& request, FILE* out);

// Ranks the result while the rank flag is set. Code 84 is reported and
// clears the flag (the list is shown unranked). Returns 1 after reporting
// any other failure.
int rank_result(SearchRequest& request, FILE* out);

// Makes the result list. Returns 1 after reporting a failure.
int create_result_list(SearchRequest& request, FILE* out);

// Sorts the result list by rank while the rank flag is set, with the sort
// request built in the request buffer. Returns 1 after reporting a failure.
int sort_result_list(SearchRequest& request, FILE* out);

}  // namespace zeb
