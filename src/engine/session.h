// The session with the search server and the opening of the selected
// indexes.
//
// Session request: start item 10, atomic item 11 "SERVER", end item 10
// (21 bytes). Index request: one atomic item 60 with the index name.
#pragma once

#include <cstdio>

#include "request/search_request.h"
#include "engine/data_stream.h"

namespace zeb {

constexpr const char* kServerName = "SERVER";

// Builds the session request in the request buffer (reset first). Returns
// the result of its last append: 1 when it fitted, 0 when not.
int build_session_request(SearchRequest& request, RequestBuffer& buffer);

// Sends the session request built in `buffer`. Returns 0, or 1 after
// reporting the code of a failure.
int start_session(SearchRequest& request, const RequestBuffer& buffer,
                  FILE* out);

// A scope value of exactly "ALL" applies no scope at all: empties the list.
void apply_scope_all(SearchRequest& request);

// Opens every selected index in slot order. An index that fails is reported
// and its slot cleared (name emptied, handle 0); the others go on. Returns 0
// when at least one index opened, or 1 after writing "No target for search
// specified".
int open_indexes(SearchRequest& request, FILE* out);

}  // namespace zeb
