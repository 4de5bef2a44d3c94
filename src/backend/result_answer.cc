#include "backend/result_answer.h"

#include <cstring>

#include "engine/data_stream.h"

namespace zeb::backend {

namespace {

constexpr size_t kRankValueSize = 4;

// Writes an atomic item's header for `length` bytes of data at `out` and
// returns where the data goes.
unsigned char* put_item_header(unsigned char* out, uint16_t id, size_t length) {
  const size_t total = length + kItemHeaderSize;
  out[0] = static_cast<unsigned char>(total >> 8);
  out[1] = static_cast<unsigned char>(total);
  out[2] = static_cast<unsigned char>(id >> 8);
  out[3] = static_cast<unsigned char>(id);
  out[4] = kAtomicItem;
  return out + kItemHeaderSize;
}

}  // namespace

size_t utf8_prefix_length(const std::string& text, size_t limit) {
  if (text.size() <= limit) return text.size();
  size_t length = limit;
  // Step back over continuation bytes to the start of the cut character.
  while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
    --length;
  return length;
}

void append_result_entry(std::vector<unsigned char>& answer,
                         const std::string& document_id,
                         const std::string& index_name, bool ranked, float rank) {
  const size_t id_length = utf8_prefix_length(document_id, kMaxItemData);
  const size_t name_length = index_name.size() < kMaxItemData ? index_name.size() : kMaxItemData;
  const size_t entry_size = 2 * kItemHeaderSize + id_length + name_length +
                            (ranked ? kItemHeaderSize + kRankValueSize : 0);
  const size_t at = answer.size();
  answer.resize(at + entry_size);
  unsigned char* out = answer.data() + at;

  out = put_item_header(out, kItemDocumentId, id_length);
  std::memcpy(out, document_id.data(), id_length);
  out += id_length;

  out = put_item_header(out, kItemIndexName, name_length);
  for (size_t i = 0; i < name_length; ++i) {
    const char c = index_name[i];
    *out++ = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }

  if (ranked) {
    uint32_t bits = 0;
    static_assert(sizeof bits == sizeof rank);
    std::memcpy(&bits, &rank, sizeof bits);
    out = put_item_header(out, kItemRankValue, kRankValueSize);
    out[0] = static_cast<unsigned char>(bits);
    out[1] = static_cast<unsigned char>(bits >> 8);
    out[2] = static_cast<unsigned char>(bits >> 16);
    out[3] = static_cast<unsigned char>(bits >> 24);
  }
}

}  // namespace zeb::backend
