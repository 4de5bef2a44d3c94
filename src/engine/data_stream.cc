#include "engine/data_stream.h"

#include <cstring>

namespace zeb {

int append_item(RequestBuffer& buffer, uint16_t id, uint8_t type,
                const void* data, size_t data_length) {
  if (data_length > buffer.remaining ||
      data_length + kItemHeaderSize > buffer.remaining)
    return 0;
  const uint32_t total = static_cast<uint32_t>(data_length + kItemHeaderSize);
  unsigned char* p = buffer.position;
  p[0] = static_cast<unsigned char>(total >> 8);
  p[1] = static_cast<unsigned char>(total);
  p[2] = static_cast<unsigned char>(id >> 8);
  p[3] = static_cast<unsigned char>(id);
  p[4] = type;
  if (data_length != 0) std::memcpy(p + kItemHeaderSize, data, data_length);
  buffer.position += total;
  buffer.remaining -= total;
  return 1;
}

int append_start(RequestBuffer& buffer, uint16_t id) {
  return append_item(buffer, id, kStartItem, nullptr, 0);
}

int append_end(RequestBuffer& buffer, uint16_t id) {
  return append_item(buffer, id, kEndItem, nullptr, 0);
}

int append_atomic(RequestBuffer& buffer, uint16_t id, const void* data,
                  size_t data_length) {
  return append_item(buffer, id, kAtomicItem, data, data_length);
}

int append_byte(RequestBuffer& buffer, uint16_t id, uint8_t value) {
  return append_atomic(buffer, id, &value, 1);
}

int append_u16(RequestBuffer& buffer, uint16_t id, uint16_t value) {
  const unsigned char bytes[2] = {static_cast<unsigned char>(value >> 8),
                                  static_cast<unsigned char>(value)};
  return append_atomic(buffer, id, bytes, 2);
}

int append_text(RequestBuffer& buffer, uint16_t id, const char* text) {
  return append_atomic(buffer, id, text, std::strlen(text));
}

uint16_t read_u16_be(const unsigned char* p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

bool StreamWalker::next(StreamItem& item) {
  if (broken_ || position_ >= end_) return false;
  const size_t left = static_cast<size_t>(end_ - position_);
  if (left < kItemHeaderSize) {
    broken_ = true;
    return false;
  }
  const uint16_t length = read_u16_be(position_);
  if (length < kItemHeaderSize || length > left) {
    broken_ = true;
    return false;
  }
  item.id = read_u16_be(position_ + 2);
  item.type = position_[4];
  item.data = position_ + kItemHeaderSize;
  item.data_length = length - kItemHeaderSize;
  position_ += length;
  return true;
}

}  // namespace zeb
