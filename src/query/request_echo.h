// The echo of the search request: before anything is sent to the search
// engine, the page repeats the request as it was understood (the free text,
// or the new-search text as typed, and the single terms with the words of
// their connectors), a legend of the rank images when the result will be
// ranked, and a rule. Every text from the form is HTML-escaped.
#pragma once

#include <cstdio>

#include "request/search_request.h"

namespace zeb {

void echo_search_request(const SearchRequest& request, FILE* out);

}  // namespace zeb
