// A result row assembled in a small fixed buffer and written to the page
// with one call when the row is done: a row is a dozen short pieces, and a
// stdio call costs more than copying a piece. A row longer than the buffer
// goes out in several parts; the bytes are the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace zeb {

constexpr size_t kRowTextSize = 1024;

class RowText {
 public:
  explicit RowText(FILE* out) : out_(out) {}
  ~RowText() { flush(); }
  RowText(const RowText&) = delete;
  RowText& operator=(const RowText&) = delete;

  // Markup of the program's own, written as it is.
  template <size_t N>
  void markup(const char (&text)[N]) {
    put(text, N - 1);
  }
  // Markup held as a text (the star tags), written as it is.
  void markup_text(const char* text);
  // Text from the form or from the engine: escaped.
  void html(std::string_view text);
  // "%d".
  void number(int32_t value);
  // "%4.4f" of the value as a double.
  void rank(float value);

  // Writes what the buffer holds.
  void flush();

 private:
  void put(const char* bytes, size_t length);

  FILE* out_;
  size_t length_ = 0;
  char buffer_[kRowTextSize];
};

}  // namespace zeb
