// Spelling cross-reference files for tests, and a temporary directory to
// put them in.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/scripted_engine.h"

namespace zeb::testing {

// The 51-byte file of two entries for the key 'color': variants 'colour'
// and 'kolor'.
Bytes sample_spelling_file();

// A well-formed file: one group per key, keys in the order given (give them
// sorted), the first key at string offset 0.
using SpellingGroups = std::vector<std::pair<std::string, std::vector<std::string>>>;
Bytes spelling_file(const SpellingGroups& groups);

// Writes a 32-bit little-endian value at `offset`.
void put_i32(Bytes& bytes, size_t offset, int32_t value);

// The first variant the look-up finds for `word` in the image; empty when
// none.
std::string first_variant(const unsigned char* image, size_t size, const char* word);

// The image the loader would make of `bytes`: a heap block of exactly
// size + 2 bytes (the last two zero), so reads past it are caught.
class Image {
 public:
  explicit Image(const Bytes& bytes);
  ~Image();
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  const unsigned char* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  unsigned char* data_;
  size_t size_;
};

// A fresh directory under the system's temporary directory, removed with
// everything in it at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // Writes a file in the directory; returns its path.
  std::string write(const std::string& name, const Bytes& bytes) const;

 private:
  std::string path_;
};

}  // namespace zeb::testing
