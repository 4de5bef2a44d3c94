// Copies a text into a fixed-width, zero-terminated buffer of the request
// record, cut to fit when it is longer.
#pragma once

#include <cstddef>
#include <cstring>

namespace zeb {

inline void copy_cut(char* buffer, size_t size, const char* text) {
  size_t length = strnlen(text, size - 1);
  memcpy(buffer, text, length);
  buffer[length] = '\0';
}

template <size_t N>
void copy_cut(char (&buffer)[N], const char* text) {
  copy_cut(buffer, N, text);
}

}  // namespace zeb
