// Fuzz target: the spelling cross-reference file reader. Each input is a
// ZEBCSREF.DAT: mapped as the CGI maps it, then searched for a few fixed
// words and for the key strings its first entries point at (so that matches,
// not only misses, are reached).
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "query/spelling_file.h"

namespace {

std::string file_path;

int32_t read_i32_le(const unsigned char* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 |
                              static_cast<uint32_t>(p[3]) << 24);
}

// Words to look up: fixed ones, and the strings the first entries' key
// offsets point at, wherever the entry table ends.
std::vector<std::string> words_of(const unsigned char* image, size_t size) {
  std::vector<std::string> words = {"", "retrieval", "retreival", "a"};
  if (size < zeb::kSpellingHeaderSize) return words;
  const int32_t count = read_i32_le(image);
  if (count <= 0) return words;
  const uint64_t strings = zeb::kSpellingHeaderSize + uint64_t{zeb::kSpellingEntrySize} * count;
  if (strings > size) return words;
  const char* area = reinterpret_cast<const char*>(image + strings);
  const size_t area_size = size - strings;
  words.emplace_back(area, strnlen(area, area_size));
  for (int32_t i = 0; i < count && i < 8; ++i) {
    const int32_t key = read_i32_le(image + zeb::kSpellingHeaderSize + 12 * i + 4);
    if (key >= 0 && static_cast<size_t>(key) < area_size)
      words.emplace_back(area + key, strnlen(area + key, area_size - key));
  }
  return words;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  file_path = zeb::fuzz::scratch_dir().path() + "/" + zeb::kSpellingFileName;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zeb::fuzz::write_file(file_path, data, size);
  zeb::fuzz::PageSink out;
  unsigned char* image = nullptr;
  size_t image_size = 0;
  const int code = zeb::map_spelling_file(file_path.c_str(), out.out(), &image, &image_size);
  if (code != 0 || image == nullptr) {
    ZEB_FUZZ_CHECK(image == nullptr);
    return 0;
  }
  ZEB_FUZZ_CHECK(image_size == size && memcmp(image, data, size) == 0);

  auto variants = std::make_unique<char[]>(zeb::kVariantListSize);
  for (const std::string& word : words_of(image, image_size)) {
    zeb::find_spelling_variants(image, image_size, word.c_str(), variants.get());
    // The list ends at an empty string inside the buffer.
    size_t at = 0;
    while (at < zeb::kVariantListSize && variants[at] != '\0')
      at += strnlen(variants.get() + at, zeb::kVariantListSize - at) + 1;
    ZEB_FUZZ_CHECK(at < zeb::kVariantListSize);
  }
  zeb::unmap_spelling_file(image, image_size);
  return 0;
}
