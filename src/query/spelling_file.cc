#include "query/spelling_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "query/bus_error_guard.h"

namespace zeb {

namespace {

int32_t read_i32_le(const unsigned char* p) {
  const uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                     static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
  return static_cast<int32_t>(v);
}

// A string of the string area: its first byte and the bytes of the image
// from there on. It ends at its zero byte, or at the end of the image.
struct AreaString {
  const char* start;
  size_t room;

  // strcmp of the string with `word`: reads no further than the word's end.
  int compare(const char* word) const {
    for (size_t i = 0;; ++i) {
      const unsigned char own = i < room ? static_cast<unsigned char>(start[i]) : 0;
      const unsigned char other = static_cast<unsigned char>(word[i]);
      if (own != other) return own < other ? -1 : 1;
      if (own == 0) return 0;
    }
  }

  // Its length; any length that reaches `limit` is given as `limit`.
  size_t length(size_t limit) const { return strnlen(start, std::min(room, limit)); }
};

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

  // The string at `offset` in the string area; false when it starts outside
  // the area. An offset at the very end gives the empty string.
  bool string_at(int32_t offset, AreaString& string) const {
    if (offset < 0 || static_cast<uint64_t>(offset) > size_ - strings_) return false;
    string.start = reinterpret_cast<const char*>(image_ + strings_ + offset);
    string.room = size_ - strings_ - static_cast<size_t>(offset);
    return true;
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
bool append_variant(char variants[kVariantListSize], size_t& used, const AreaString& variant) {
  const size_t length = variant.length(kVariantListSize);
  if (used + length + 1 >= kVariantListSize) return false;
  std::memcpy(variants + used, variant.start, length);
  variants[used + length] = '\0';
  used += length + 1;
  return true;
}

struct LookUp {
  const unsigned char* image;
  size_t size;
  const char* word;
  char* variants;  // kVariantListSize bytes, cleared
};

// The look-up proper; run under the bus error guard, so it holds nothing
// that needs a destructor.
void look_up(void* context) {
  const LookUp& request = *static_cast<const LookUp*>(context);
  const SpellingTable table(request.image, request.size);
  for (size_t i = 0; i < table.count(); ++i) {
    // The first key is the first string of the area, whatever entry 0 says.
    AreaString key;
    if (!table.string_at(i == 0 ? 0 : table.key_offset(i), key)) continue;
    const int order = key.compare(request.word);
    if (order < 0) continue;
    if (order > 0) return;
    const int32_t group = table.key_offset(i);
    size_t used = 0;
    for (size_t j = i; j < table.count() && (j == i || table.key_offset(j) == group); ++j) {
      AreaString variant;
      if (!table.string_at(table.variant_offset(j), variant)) continue;
      if (!append_variant(request.variants, used, variant)) return;
    }
    return;
  }
}

// The image is the file as it stands: an empty file needs no mapping.
int map_open_file(int fd, FILE* out, unsigned char** image, size_t* size) {
  struct stat info;
  if (fstat(fd, &info) != 0) return 1;
  // A directory is no file to read at all: a file that cannot be opened.
  if (S_ISDIR(info.st_mode)) return 1;
  if (!S_ISREG(info.st_mode)) {  // a device or a pipe
    fprintf(out, "Error reading from input!\n");
    return 1;
  }
  const uint64_t length = static_cast<uint64_t>(info.st_size);
  if (length == 0) return 0;  // nothing to look up in, but no failure either
  if (length < kSpellingHeaderSize || length > kMaxSpellingFileSize || length > SIZE_MAX)
    return 1;
  void* mapped = mmap(nullptr, static_cast<size_t>(length), PROT_READ, MAP_PRIVATE, fd, 0);
  if (mapped == MAP_FAILED) {
    // Running out of memory is no read error; anything else is.
    if (errno != ENOMEM) fprintf(out, "Error reading from input!\n");
    return 1;
  }
  *image = static_cast<unsigned char*>(mapped);
  *size = static_cast<size_t>(length);
  return 0;
}

struct Copy {
  const unsigned char* from;
  unsigned char* to;
  size_t size;
};

void copy_image(void* context) {
  const Copy& copy = *static_cast<const Copy*>(context);
  std::memcpy(copy.to, copy.from, copy.size);
}

}  // namespace

int map_spelling_file(const char* path, FILE* out, unsigned char** image, size_t* size) {
  *image = nullptr;
  *size = 0;
  // Non-blocking, so that a pipe does not wait for a writer.
  const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return 1;
  const int rc = map_open_file(fd, out, image, size);
  close(fd);  // the mapping keeps the file
  return rc;
}

void unmap_spelling_file(unsigned char* image, size_t size) {
  if (image != nullptr) munmap(image, size);
}

int load_spelling_file(const char* path, FILE* out, unsigned char** image, size_t* size) {
  unsigned char* mapped = nullptr;
  const int rc = map_spelling_file(path, out, &mapped, size);
  if (rc != 0 || mapped == nullptr) {
    *image = nullptr;
    return rc;
  }
  // A file cut short while it is copied leaves zero bytes in the copy.
  Copy copy{mapped, static_cast<unsigned char*>(std::calloc(*size + 2, 1)), *size};
  if (copy.to != nullptr) read_guarding_bus_errors(copy_image, &copy);
  unmap_spelling_file(mapped, *size);
  *image = copy.to;
  if (copy.to == nullptr) {
    *size = 0;
    return 1;
  }
  return 0;
}

void find_spelling_variants(const unsigned char* image, size_t size,
                            const char* word, char variants[kVariantListSize]) {
  std::memset(variants, 0, kVariantListSize);
  if (std::strlen(word) >= kSpellingWordSize || image == nullptr) return;
  LookUp request{image, size, word, variants};
  if (!read_guarding_bus_errors(look_up, &request))
    std::memset(variants, 0, kVariantListSize);  // the file was cut short under the look-up
}

}  // namespace zeb
