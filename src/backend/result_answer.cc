#include "backend/result_answer.h"

#include <cstring>

#include "engine/data_stream.h"

namespace zeb::backend {

namespace {

void append_atomic_item(std::vector<unsigned char>& out, uint16_t id,
                        const void* data, size_t length) {
  const size_t total = length + kItemHeaderSize;
  out.push_back(static_cast<unsigned char>(total >> 8));
  out.push_back(static_cast<unsigned char>(total));
  out.push_back(static_cast<unsigned char>(id >> 8));
  out.push_back(static_cast<unsigned char>(id));
  out.push_back(kAtomicItem);
  const auto* bytes = static_cast<const unsigned char*>(data);
  out.insert(out.end(), bytes, bytes + length);
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
  append_atomic_item(answer, kItemDocumentId, document_id.data(),
                     utf8_prefix_length(document_id, kMaxItemData));
  std::string name = index_name.substr(0, kMaxItemData);
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  append_atomic_item(answer, kItemIndexName, name.data(), name.size());
  if (ranked) {
    uint32_t bits = 0;
    static_assert(sizeof bits == sizeof rank);
    std::memcpy(&bits, &rank, sizeof bits);
    const unsigned char little_endian[4] = {
        static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
        static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
    append_atomic_item(answer, kItemRankValue, little_endian, sizeof little_endian);
  }
}

}  // namespace zeb::backend
