// The walk over the answers of a result list. Each answer is a data stream
// read in place; an entry arrives as
//   item 106  document identifier: "path" or "path;title"
//   item 612  section "anchor\0heading"   } only when the form asked for
//   item 610  excerpt with marks           } excerpts or dates, each
//   item 620  date "YYYY-MM-DD"            } when the entry has one
//   item 60   index name
//   item 536  rank value, 4 bytes single precision little-endian (ranked
//             lists only)
// An entry is complete at its rank value (ranked) or at its index name
// (unranked), and its row is written then, while the entries counted so far
// do not exceed the result limit. The state runs on across answers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "request/search_request.h"

namespace zeb {

constexpr size_t kDocumentIdSize = 1024;   // 1023 characters
constexpr size_t kItemIndexNameSize = 12;  // 11 characters
// The extras of an entry; longer ones are cut (a cut excerpt loses its end).
constexpr size_t kExcerptSize = 2048;
constexpr size_t kSectionSize = 512;       // anchor, NUL, heading
constexpr size_t kRowDateSize = 16;

struct ResultWalk {
  char document_id[kDocumentIdSize] = {};
  char index_name[kItemIndexNameSize] = {};
  float rank = 0.0f;
  int current_index = -1;      // slot in the selected indexes; -1 none
  int32_t document_count = 0;  // rank values (ranked) or identifiers seen
  int32_t row_number = 0;      // rows written; the first row is row 1
  bool row_due = false;        // an entry is complete, its row not written
  // The current entry's extras, emptied at each identifier.
  char excerpt[kExcerptSize] = {};
  char section[kSectionSize] = {};
  size_t section_length = 0;
  char date[kRowDateSize] = {};
};

// Walks one answer of `length` bytes, writing the rows it completes.
void walk_answer(ResultWalk& walk, const SearchRequest& request,
                 const unsigned char* answer, uint32_t length, FILE* out);

// True once no later entry can give a row: the limit's rows are written, or
// more entries than the limit were counted.
bool walk_finished(const ResultWalk& walk, uint16_t result_limit);

}  // namespace zeb
