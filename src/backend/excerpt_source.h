// What a document keeps for the excerpts of its result rows: its running
// text (blanks collapsed, at most kMaxExcerptTextBytes, cut at a character
// boundary) and its sections (where each begins in that text, its anchor,
// its heading). A search reads it only for the rows it shows, and only
// when the form asks for excerpts.
//
// Every row of a page reads the head, so it is kept as it stands; the rest
// of a long text, the tail, is read and inflated only for the rows whose
// passage lies beyond the head (excerpt_maker.h says when).
//
// Value kValueExcerpt (index_schema.h):
//   byte 0     kExcerptSourceBlocks
//   varint head length, head bytes (the text's first kExcerptHeadBytes at
//              most, ending at a blank where there is one)
//   varint length of the whole text
//   varint section count, then per section:
//     varint offset into the whole text, varint anchor length, anchor
//     bytes, varint heading length, heading bytes
// Value kValueExcerptTail: the rest of the text as LZ4 blocks of
// kTailBlockBytes (fast to read back, about half the size), each after its
// varint length and each compressed against the head alone, so that a
// passage far into the text reads only its own blocks; absent when the head
// is the whole text.
// Values of kExcerptSourceFormat (indexes made before) have the same head
// and tail blocks linked, each referring back to those before it; values of
// kExcerptSourceWhole (made before the tail) hold the whole text as the
// head. Both read as before.
// A document longer than the bound is still indexed whole; only its first
// kMaxExcerptTextBytes give excerpts.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zeb::backend {

constexpr unsigned char kExcerptSourceWhole = 1;
constexpr unsigned char kExcerptSourceFormat = 2;
constexpr unsigned char kExcerptSourceBlocks = 3;
// Measured on the PostgreSQL manual's book index, 32 KiB found the section
// the editors named for 55 % of entries, 64 KiB for 61 %.
constexpr size_t kMaxExcerptTextBytes = 64 * 1024;
// What every row reads and scans: most passages are found in it.
constexpr size_t kExcerptHeadBytes = 8 * 1024;
// A search reads the tail a block at a time, as far as it needs.
constexpr size_t kTailBlockBytes = 8 * 1024;

// Read in place: the texts are views of the value decoded (or of the
// strings given to encode), which must outlive them.
struct ExcerptSection {
  size_t offset = 0;
  std::string_view anchor;
  std::string_view heading;
};

struct ExcerptSource {
  std::string_view text;  // the head, then as much of the tail as was read
  size_t text_size = 0;   // of the whole text
  size_t head_size = 0;
  size_t tail_used = 0;  // bytes of the tail's value read
  bool blocks_on_head = false;  // each tail block refers to the head alone
  std::vector<ExcerptSection> sections;  // by offset
  std::unique_ptr<char[]> whole;  // holds the text once the tail is read

  bool complete() const { return text.size() == text_size; }
};

struct StoredExcerpt {
  std::string head;  // the value of kValueExcerpt
  std::string tail;  // of kValueExcerptTail; empty: none
};

// The values for `text` (blanks not yet collapsed) and `sections`, whose
// offsets point into `text`.
StoredExcerpt encode_excerpt_source(std::string_view text,
                                    const std::vector<ExcerptSection>& sections);

// False when `value` is empty, of another format or damaged.
bool decode_excerpt_source(std::string_view value, ExcerptSource& out);

// Reads the tail into the text, at least up to byte `upto` of the whole
// text (`tail` is the same value at every call); false,
// and the text is the head alone from then on, when the tail is missing or
// damaged. Blocks that end before `from` are passed over where they refer
// to the head alone: blanks stand for them in the text.
bool add_excerpt_tail(std::string_view tail, ExcerptSource& source,
                      size_t upto = std::string_view::npos, size_t from = 0);

}  // namespace zeb::backend
