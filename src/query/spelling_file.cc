#include "query/spelling_file.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace zeb {

namespace {

int32_t read_i32_le(const unsigned char* p) {
  const uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                     static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
  return static_cast<int32_t>(v);
}

// The entry table and string area of an image, bounded by the file's size.
class SpellingTable {
 public:
  SpellingTable(const unsigned char* image, size_t size) : image_(image), size_(size) {
    if (image == nullptr || size < kSpellingHeaderSize) return;
    const int32_t stored = read_i32_le(image);
    if (stored <= 0) return;
    const uint64_t strings = kSpellingHeaderSize + uint64_t{kSpellingEntrySize} * stored;
    if (strings > size) return;  // the count does not fit the file
    count_ = static_cast<size_t>(stored);
    strings_ = static_cast<size_t>(strings);
  }

  size_t count() const { return count_; }
  int32_t variant_offset(size_t i) const { return field(i, 0); }
  int32_t key_offset(size_t i) const { return field(i, 4); }

  // The string at `offset` in the string area, or nullptr when it starts
  // outside the area. Every string ends inside the image: the image holds
  // two zero bytes after the file's last byte.
  const char* string_at(int32_t offset) const {
    if (offset < 0 || static_cast<uint64_t>(offset) > size_ - strings_) return nullptr;
    return reinterpret_cast<const char*>(image_ + strings_ + offset);
  }

 private:
  int32_t field(size_t i, size_t at) const {
    return read_i32_le(image_ + kSpellingHeaderSize + i * kSpellingEntrySize + at);
  }

  const unsigned char* image_;
  size_t size_;
  size_t count_ = 0;
  size_t strings_ = 0;
};

// Appends `variant` and its zero byte when they fit and still leave the zero
// byte that ends the list; returns false when they do not.
bool append_variant(char variants[kVariantListSize], size_t& used, const char* variant) {
  const size_t length = std::strlen(variant);
  if (used + length + 1 >= kVariantListSize) return false;
  std::memcpy(variants + used, variant, length + 1);
  used += length + 1;
  return true;
}

}  // namespace

int load_spelling_file(const char* path, FILE* out, unsigned char** image,
                       size_t* size) {
  *image = nullptr;
  *size = 0;
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return 1;
  struct stat info;
  if (fstat(fileno(file), &info) != 0 || info.st_size < 0) {
    std::fclose(file);
    return 1;
  }
  const size_t length = static_cast<size_t>(info.st_size);
  if (length == 0) {  // nothing to look up in, but no failure either
    std::fclose(file);
    return 0;
  }
  if (length < kSpellingHeaderSize) {
    std::fclose(file);
    return 1;
  }
  auto* block = static_cast<unsigned char*>(std::calloc(length + 2, 1));
  if (block == nullptr) {
    std::fclose(file);
    return 1;
  }
  std::fread(block, 1, length, file);
  if (std::ferror(file)) {
    fprintf(out, "Error reading from input!\n");
    std::free(block);
    std::fclose(file);
    return 1;
  }
  std::fclose(file);
  *image = block;
  *size = length;
  return 0;
}

void find_spelling_variants(const unsigned char* image, size_t size,
                            const char* word, char variants[kVariantListSize]) {
  std::memset(variants, 0, kVariantListSize);
  if (std::strlen(word) >= kSpellingWordSize) return;
  const SpellingTable table(image, size);
  auto compare = [](const char* a, const char* b) {
    return std::strcmp(a, b);  // strcmp compares as unsigned bytes
  };
  for (size_t i = 0; i < table.count(); ++i) {
    // The first key is the first string of the area, whatever entry 0 says.
    const char* key = table.string_at(i == 0 ? 0 : table.key_offset(i));
    if (key == nullptr) continue;
    const int order = compare(key, word);
    if (order < 0) continue;
    if (order > 0) return;
    const int32_t group = table.key_offset(i);
    size_t used = 0;
    for (size_t j = i; j < table.count() && (j == i || table.key_offset(j) == group); ++j) {
      const char* variant = table.string_at(table.variant_offset(j));
      if (variant == nullptr) continue;
      if (!append_variant(variants, used, variant)) return;
    }
    return;
  }
}

}  // namespace zeb
