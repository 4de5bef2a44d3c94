// Helpers shared by the fuzz targets: the fuzzer's bytes as a readable
// stream, a file written from the bytes, and a directory that lives as long
// as the fuzzer process. Output sinks are the tests' page sinks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cgi/cgi_test_support.h"
#include "cgi/temp_dir.h"

namespace zeb::fuzz {

using testing::PageSink;  // the output sink, as the tests capture pages
using testing::TempDir;

// A read-only stream over `size` bytes (NUL bytes included); fmemopen wants a
// buffer even when there is nothing in it.
inline FILE* stream_of(const uint8_t* data, size_t size) {
  static char nothing[1];
  void* buffer = size != 0 ? const_cast<uint8_t*>(data) : static_cast<void*>(nothing);
  return fmemopen(buffer, size, "r");
}

// The fuzzer's own directory, removed when the process ends normally.
inline const TempDir& scratch_dir() {
  static TempDir dir;
  return dir;
}

// Writes the bytes to `path`, replacing the file.
inline void write_file(const std::string& path, const void* data, size_t size) {
  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr) abort();
  if (size != 0 && fwrite(data, 1, size, file) != size) abort();
  fclose(file);
}

// A check that must hold: a failure is a finding.
#define ZEB_FUZZ_CHECK(condition)                                              \
  do {                                                                         \
    if (!(condition)) {                                                        \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      abort();                                                                 \
    }                                                                          \
  } while (0)

}  // namespace zeb::fuzz
