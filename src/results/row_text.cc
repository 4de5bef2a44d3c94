#include "results/row_text.h"

#include <cstring>

#include "request/html_escape.h"
#include "results/rank_text.h"

namespace zeb {

// An empty buffer must take at least one escaped byte.
static_assert(kRowTextSize >= kLongestEntity);

void RowText::flush() {
  if (length_ != 0) fwrite(buffer_, 1, length_, out_);
  length_ = 0;
}

void RowText::put(const char* bytes, size_t length) {
  if (length > sizeof buffer_ - length_) {
    flush();
    if (length > sizeof buffer_) {
      fwrite(bytes, 1, length, out_);
      return;
    }
  }
  memcpy(buffer_ + length_, bytes, length);
  length_ += length;
}

void RowText::markup_text(const char* text) { put(text, strlen(text)); }

void RowText::html(std::string_view text) {
  for (;;) {
    text.remove_prefix(append_html(buffer_, sizeof buffer_, length_, text));
    if (text.empty()) return;
    flush();
  }
}

void RowText::number(int32_t value) {
  char digits[12];
  size_t count = 0;
  // The magnitude as unsigned, so that the most negative value has one too.
  uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  do {
    digits[sizeof digits - 1 - count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) digits[sizeof digits - 1 - count++] = '-';
  put(digits + sizeof digits - count, count);
}

void RowText::rank(float value) {
  char text[kRankTextSize];
  put(text, format_rank_value(value, text));
}

}  // namespace zeb
