#include "support/spelling_files.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "query/spelling_file.h"

namespace zeb::testing {

Bytes sample_spelling_file() {
  Bytes out = hex({0x02, 0, 0, 0, 0, 0, 0, 0,
                   0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                   0x0D, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  for (const char* s : {"color", "colour", "kolor"})
    out.insert(out.end(), s, s + std::strlen(s) + 1);
  return out;
}

void put_i32(Bytes& bytes, size_t offset, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<unsigned char>(v >> (8 * i));
}

Bytes spelling_file(const SpellingGroups& groups) {
  size_t entries = 0;
  for (const auto& group : groups) entries += group.second.size();
  Bytes strings;
  Bytes out(8 + 12 * entries, 0);
  put_i32(out, 0, static_cast<int32_t>(entries));
  size_t entry = 0;
  for (const auto& [key, variants] : groups) {
    const auto key_offset = static_cast<int32_t>(strings.size());
    strings.insert(strings.end(), key.begin(), key.end());
    strings.push_back(0);
    for (const std::string& variant : variants) {
      put_i32(out, 8 + 12 * entry, static_cast<int32_t>(strings.size()));
      put_i32(out, 8 + 12 * entry + 4, key_offset);
      strings.insert(strings.end(), variant.begin(), variant.end());
      strings.push_back(0);
      ++entry;
    }
  }
  out.insert(out.end(), strings.begin(), strings.end());
  return out;
}

std::string first_variant(const unsigned char* image, size_t size, const char* word) {
  char list[kVariantListSize];
  find_spelling_variants(image, size, word, list);
  return std::string(list, strnlen(list, kVariantListSize));
}

Image::Image(const Bytes& bytes)
    : data_(static_cast<unsigned char*>(std::calloc(bytes.size() + 2, 1))), size_(bytes.size()) {
  if (!bytes.empty()) std::memcpy(data_, bytes.data(), bytes.size());
}

Image::~Image() { std::free(data_); }

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zebsrch-XXXXXX").string();
  if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::write(const std::string& name, const Bytes& bytes) const {
  const std::string file = path_ + "/" + name;
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return file;
}

}  // namespace zeb::testing
