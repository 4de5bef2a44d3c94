// Reads a search request's data stream into a ParsedSearch (parsed_search.h).
// Nothing outside the stream is read, whatever it holds.
#pragma once

#include <cstdint>

#include "backend/parsed_search.h"

namespace zeb::backend {

// 0, or 18 when the stream is malformed (broken items, wrong nesting,
// unknown or misplaced items, wrong data lengths), 20 for too many scope
// values, 22 for brackets nested too deep, 41 and 42 for a code page or
// language other than 850 and 6011.
int parse_search_stream(const unsigned char* stream, uint32_t length,
                        ParsedSearch& parsed);

}  // namespace zeb::backend
