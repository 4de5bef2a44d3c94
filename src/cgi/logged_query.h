// What the search log records of a request's query and indexes
// (request/search_log_line.h has the line around them).
//
// The query is what the page's echo repeats, normalised so that the same
// search typed differently is one line of the report: the new-search text as
// typed, or else the free text followed by the single terms, each term after
// the word of its connector (AND, OR, AND_NOT) as the echo prints it; then
// each topic as "topic:TEXT" and each scope value as "scope:TEXT". Runs of
// blanks become one blank, with none at either end, and the letters A-Z of
// the texts become a-z (the connector words stay upper case, so they never
// read as a searched word). Other bytes pass as they are, escaped for the
// line.
#pragma once

#include "request/search_log_line.h"
#include "request/search_request.h"

namespace zeb {

// Both write into a LogField of their width and stop where it is full.
void write_logged_query(const SearchRequest& request, LogField& field);
// The selected indexes that are left (one that failed to open has lost its
// name), in slot order, comma-separated.
void write_logged_indexes(const SearchRequest& request, LogField& field);

}  // namespace zeb
