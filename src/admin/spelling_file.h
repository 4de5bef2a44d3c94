// The spelling cross-reference file ZEBCSREF.DAT of an index: for a word, the
// misspellings of it that occur in the index's documents. The search CGI
// loads it whole and scans its entries in order.
//
// Layout (integers 32-bit signed, little-endian):
//   offset 0            entry count N
//   offset 4            zero (not read by the search)
//   offset 8            N entries of 12 bytes:
//                         0  variant offset  into the string area
//                         4  key offset      into the string area
//                         8  zero            (not read by the search)
//   offset 8 + 12 * N   string area: zero-terminated strings, each stored once
//
// A group is the entries of one key: adjacent, all with the same key offset.
// Entries are sorted by their key's bytes (unsigned comparison); the key of
// the first entry is the string at offset 0 of the string area. A file
// without any group is empty (0 bytes): the search then finds nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zeb::admin {

constexpr size_t kSpellingHeaderBytes = 8;
constexpr size_t kSpellingEntryBytes = 12;
// The search copies a group's variants, each with its zero byte, into a
// list of this size that ends with an empty string; a word it looks up has
// at most kSpellingWordMaxBytes bytes.
constexpr size_t kSpellingVariantListBytes = 256;
constexpr size_t kSpellingWordMaxBytes = 63;

struct SpellingGroup {
  std::string key;                    // a word as the user would type it
  std::vector<std::string> variants;  // its misspellings, most likely first
};

// The file's bytes for `groups` (any order). Groups without variants are
// left out; keys and variants must fit the limits above (longer ones are
// left out too), and a group's variants are cut to fit the variant list.
std::string encode_spelling_file(std::vector<SpellingGroup> groups);

// Writes the file through a temporary file and a rename, so that a reader
// sees the old file or the new one, never a torn one.
bool write_spelling_file(const std::string& path, const std::vector<SpellingGroup>& groups,
                         std::string& error);

}  // namespace zeb::admin
