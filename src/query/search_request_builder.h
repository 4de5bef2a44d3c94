// The search request: the data stream KSVSEARCH receives, built from the
// query part of the request record. In this order:
//   103                  ranking marker, when free text or rank is asked
//   102  2 bytes BE      maximum results, with free text only: the limit, or
//                        min(500, limit * scopes * 4) when scope values exist
//   105 { 107 ... }      scope values, when exactly one index is open
//   115  03 52           code page 850
//   116  17 7B           language 6011
//   topics               one topic term, or 120 { term 140 term ... }; then
//                        130 when query terms follow
//   terms                120 { ... } around them when there are two or more
//                        and a topic; each after the first is preceded by its
//                        operator (NOT as 130 151; none as 130), the first by
//                        151 when the leading-NOT flag is set
//   380 { 222 211 }      the free text
// A term is 200 { [350 "*"] [360 "?"] [222 type] 211 text }: a masked term
// has no 222. A topic is 200 { 222 03, 211 FF FF topic FF FF }.
#pragma once

#include <cstddef>
#include <cstdio>

#include "request/search_request.h"
#include "engine/data_stream.h"

namespace zeb {

constexpr uint16_t kMaxResultsWithScope = 500;
constexpr int kScopeResultFactor = 4;
constexpr uint8_t kTermTypeLinguistic = 1;
constexpr uint8_t kTermTypeExact = 3;  // topics, and words with linguistics off
constexpr unsigned char kTopicMarker = 0xFF;
constexpr size_t kTopicTextSize = 64;  // marker, topic, marker, terminator
constexpr size_t kMaxTopicLength = kTopicTextSize - 5;  // 59 characters

// Resets `buffer` on the request buffer and appends the search request.
// Writes the spelling variant tables of the unmasked terms and the free text
// while it goes, when the spelling flag is set. Clears the leading-NOT flag;
// sets the rank flag when free text is sent. Returns 1 when every item
// fitted; otherwise writes the code-22 line ("Query too complex") and
// returns 0, and the search does not run.
int build_search_request(SearchRequest& request, RequestBuffer& buffer, FILE* out);

}  // namespace zeb
