// The one request buffer of a request: kRequestBufferSize bytes on the heap,
// held in SearchRequest::request_buffer from the echo until the result list
// is fetched. Every request to the engine is built in it (RequestBuffer in
// engine/data_stream.h walks it).
#pragma once

#include "request/search_request.h"

namespace zeb {

// Allocates the buffer into the request; returns 0, or 1 when there is no
// memory (the request then ends at once).
int allocate_request_buffer(SearchRequest& request);

// Frees the buffer, if held, and forgets it. Safe to call more than once.
void release_request_buffer(SearchRequest& request);

}  // namespace zeb
