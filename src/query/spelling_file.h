// The spelling cross-reference file ZEBCSREF.DAT of an index, and its
// look-up. A request maps the file read-only (the spelling image: the
// file's bytes, mapped, so that memory does not grow with the file); the
// look-up reads nothing outside the image's `size` bytes.
//
// Layout (integers 32-bit signed little-endian):
//   0           4       entry count N
//   4           4       not read
//   8           12 * N  entries: variant offset (4), key offset (4), not read (4)
//   8 + 12 * N  rest    string area: zero-terminated strings
// Offsets count from the start of the string area. Entries are sorted by
// their key strings (unsigned byte order); the entries of one key are
// adjacent and share its key offset; the first key is the string at 0.
//
// A count that does not fit the file finds nothing, an entry whose string
// starts outside the string area is passed over, and a string that runs
// to the end of the image ends there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace zeb {

constexpr const char* kSpellingFileName = "ZEBCSREF.DAT";
constexpr size_t kSpellingHeaderSize = 8;
constexpr size_t kSpellingEntrySize = 12;
constexpr size_t kVariantListSize = 256;
constexpr size_t kSpellingWordSize = 64;  // 63 characters

// The largest file the layout can address: INT32_MAX entries and a string
// area reached by non-negative 32-bit offsets, its last string as long as a
// variant list. A larger file is refused as a damaged one.
constexpr uint64_t kMaxSpellingFileSize = kSpellingHeaderSize +
                                          kSpellingEntrySize * uint64_t{INT32_MAX} +
                                          (uint64_t{1} << 31) + kVariantListSize;

// Maps the file at `path` read-only. Returns 0 with the image and the
// file's size, or non-zero with no image: no such file, a file shorter than
// its header or larger than kMaxSpellingFileSize, or one that cannot be
// mapped, or a directory. An empty file gives 0 and no image. A device or
// a pipe, or a file that cannot be read, writes "Error reading from
// input!\n" to `out`. Release the image with unmap_spelling_file.
int map_spelling_file(const char* path, FILE* out, unsigned char** image, size_t* size);

// Releases an image of map_spelling_file; a null image is nothing to release.
void unmap_spelling_file(unsigned char* image, size_t size);

// Same as map_spelling_file, but the image is a copy on the heap: size + 2
// bytes, the last two zero, to be released with std::free.
int load_spelling_file(const char* path, FILE* out, unsigned char** image,
                       size_t* size);

// Fills `variants` (kVariantListSize bytes, cleared first) with the
// misspellings listed for `word`, each followed by a zero byte; the list ends
// at the first empty string. Variants that do not fit are left out, so the
// list always ends inside the buffer. A word of more than 63 characters, or
// no image, finds nothing; so does a look-up in a mapped file that is cut
// short under it.
void find_spelling_variants(const unsigned char* image, size_t size,
                            const char* word, char variants[kVariantListSize]);

}  // namespace zeb
