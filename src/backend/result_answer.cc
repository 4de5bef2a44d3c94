#include "backend/result_answer.h"

#include <algorithm>
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

void append_item(std::vector<unsigned char>& answer, uint16_t id, const void* data,
                 size_t length) {
  const size_t at = answer.size();
  answer.resize(at + kItemHeaderSize + length);
  unsigned char* out = put_item_header(answer.data() + at, id, length);
  if (length != 0) std::memcpy(out, data, length);
}

void append_text_item(std::vector<unsigned char>& answer, uint16_t id, const std::string& text) {
  if (!text.empty()) append_item(answer, id, text.data(), utf8_prefix_length(text, kMaxItemData));
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
                         const std::string& index_name, bool ranked, float rank,
                         const RowExtras* extras) {
  append_item(answer, kItemDocumentId, document_id.data(),
              utf8_prefix_length(document_id, kMaxItemData));
  if (extras != nullptr) {
    // Before the index name: a reader has them when the entry completes.
    append_text_item(answer, kItemSection, extras->section);
    append_text_item(answer, kItemExcerpt, extras->excerpt);
    append_text_item(answer, kItemRowDate, extras->date);
  }
  std::string name(index_name, 0, std::min(index_name.size(), kMaxItemData));
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  append_item(answer, kItemIndexName, name.data(), name.size());
  if (ranked) {
    uint32_t bits = 0;
    static_assert(sizeof bits == sizeof rank);
    std::memcpy(&bits, &rank, sizeof bits);
    const unsigned char value[kRankValueSize] = {
        static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
        static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
    append_item(answer, kItemRankValue, value, kRankValueSize);
  }
}

}  // namespace zeb::backend
