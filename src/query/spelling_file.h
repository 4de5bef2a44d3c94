// The spelling cross-reference file ZEBCSREF.DAT of an index, held whole in
// memory (the spelling image: the file plus two zero bytes, so the last
// string is terminated even when the file does not end in one).
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
// The look-up never reads outside the image: a count that does not fit the
// file finds nothing, and an entry whose string lies outside the string area
// is passed over.
#pragma once

#include <cstddef>
#include <cstdio>

namespace zeb {

constexpr const char* kSpellingFileName = "ZEBCSREF.DAT";
constexpr size_t kSpellingHeaderSize = 8;
constexpr size_t kSpellingEntrySize = 12;
constexpr size_t kVariantListSize = 256;
constexpr size_t kSpellingWordSize = 64;  // 63 characters

// Reads the file at `path`. Returns 0 with the image (heap block of size + 2
// bytes, to be released with std::free) and the file's size, or non-zero
// with no image. An empty file gives 0 and no image. A read error writes
// "Error reading from input!\n" to `out`.
int load_spelling_file(const char* path, FILE* out, unsigned char** image,
                       size_t* size);

// Fills `variants` (kVariantListSize bytes, cleared first) with the
// misspellings listed for `word`, each followed by a zero byte; the list ends
// at the first empty string. Variants that do not fit are left out, so the
// list always ends inside the buffer. A word of more than 63 characters, or
// no image, finds nothing.
void find_spelling_variants(const unsigned char* image, size_t size,
                            const char* word, char variants[kVariantListSize]);

}  // namespace zeb
