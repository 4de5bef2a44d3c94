#include "results/result_walk.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

#include "engine/data_stream.h"
#include "results/result_row.h"

namespace zeb {

namespace {

// Copies item data into a buffer as a zero-terminated text, cut to fit.
void copy_item(char* buffer, size_t size, const StreamItem& item) {
  const size_t length = item.data_length < size ? item.data_length : size - 1;
  memcpy(buffer, item.data, length);
  buffer[length] = '\0';
}

float little_endian_float(const StreamItem& item) {
  uint32_t bits = 0;
  for (uint32_t i = 0; i < 4 && i < item.data_length; ++i)
    bits |= static_cast<uint32_t>(item.data[i]) << (8 * i);
  return std::bit_cast<float>(bits);
}

// The last selected index of that name becomes current; a name that matches
// none (or that did not fit the walk's buffer) leaves it as it was.
void match_index(ResultWalk& walk, const SearchRequest& request, const StreamItem& item) {
  copy_item(walk.index_name, sizeof walk.index_name, item);
  const char* data = reinterpret_cast<const char*>(item.data);
  const std::string_view name(data, strnlen(data, item.data_length));
  if (name.size() >= kItemIndexNameSize) return;
  for (int i = 0; i < request.index_count && i < kMaxListEntries; ++i) {
    if (request.indexes[i].present() && name == request.indexes[i].name) walk.current_index = i;
  }
}

}  // namespace

void walk_answer(ResultWalk& walk, const SearchRequest& request,
                 const unsigned char* answer, uint32_t length, FILE* out) {
  StreamWalker walker(answer, length);
  StreamItem item;
  while (walker.next(item)) {
    switch (item.id) {
      case kItemRankValue:
        walk.rank = little_endian_float(item);
        ++walk.document_count;
        walk.row_due = true;
        break;
      case kItemIndexName:
        match_index(walk, request, item);
        if (!request.rank) walk.row_due = true;
        break;
      case kItemDocumentId:
        copy_item(walk.document_id, sizeof walk.document_id, item);
        walk.excerpt[0] = walk.section[0] = walk.date[0] = '\0';
        walk.section_length = 0;
        if (!request.rank) ++walk.document_count;
        break;
      case kItemExcerpt:
        copy_item(walk.excerpt, sizeof walk.excerpt, item);
        break;
      case kItemSection:
        walk.section_length = std::min<size_t>(item.data_length, sizeof walk.section - 1);
        copy_item(walk.section, sizeof walk.section, item);
        break;
      case kItemRowDate:
        copy_item(walk.date, sizeof walk.date, item);
        break;
      default:
        break;
    }
    if (walk.row_due && walk.document_count <= request.result_limit) {
      write_result_row(walk, request, out);
      walk.row_due = false;
    }
  }
}

bool walk_finished(const ResultWalk& walk, uint16_t result_limit) {
  return walk.row_number >= result_limit || walk.document_count > result_limit;
}

}  // namespace zeb
