// The answers of a result list, as data streams: per entry
//   106  the document identifier, "path;title" (cut to fit one item)
//   612  the section the excerpt comes from, "anchor\0heading" (when any)
//   610  the excerpt, its marked words between 0x01 and 0x02 (when any)
//   620  the date of the document's file, "YYYY-MM-DD" (when any)
//        (these three only when the search asked for them)
//   60   the name of the entry's index, upper case
//   536  the rank value, 4 bytes IEEE single precision little-endian, only
//        in a ranked list
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "backend/row_extras.h"

namespace zeb::backend {

// The most data one item can carry: its length field is 16 bits.
constexpr size_t kMaxItemData = 0xFFFF - 5;

// Appends one entry to `answer`.
void append_result_entry(std::vector<unsigned char>& answer,
                         const std::string& document_id,
                         const std::string& index_name, bool ranked, float rank,
                         const RowExtras* extras = nullptr);

// The length of `text` cut to at most `limit` bytes without splitting a
// UTF-8 character.
size_t utf8_prefix_length(const std::string& text, size_t limit);

}  // namespace zeb::backend
