// The fields that only new forms send, for what a row shows beside its
// title and for paging:
//   excerpts=Y        an excerpt under each title, with the search's words
//                     marked, and the section it comes from
//   excerpt_words=N   about N words per excerpt (10 to 80; default 30)
//   show_date=Y       the date of each document's file
//   first_number=N    the page that starts at row N (1-based), with a line
//                     that says which rows of how many it shows
// A form that sends none of them gets the page of old.
#pragma once

#include "request/search_request.h"

namespace zeb {

// Applies one of those fields; false when `name` is none of them.
bool apply_row_option(SearchRequest& request, const char* name, const char* value);

}  // namespace zeb
