// What a document keeps for the excerpts of its result rows: its running
// text (blanks collapsed, at most kMaxExcerptTextBytes, cut at a character
// boundary) and its sections (where each begins in that text, its anchor,
// its heading). zebadm writes it into value slot kValueExcerpt
// (index_schema.h); a search reads it only for the rows it shows, and only
// when the form asks for excerpts.
//
// Layout of the value (not compressed: a search reads the texts of all the
// rows of a page, and inflating them would cost more than the search):
//   byte 0     kExcerptSourceFormat
//   varint text length, text bytes
//   varint section count, then per section:
//     varint offset into the text, varint anchor length, anchor bytes,
//     varint heading length, heading bytes
// A document longer than the bound is still indexed whole; only its first
// kMaxExcerptTextBytes give excerpts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zeb::backend {

constexpr unsigned char kExcerptSourceFormat = 1;
// Every row of a page reads and scans its document's text, so the bound is
// what one row may cost. Measured on the PostgreSQL manual's book index,
// 32 KiB found the section the editors named for 55 % of entries, 64 KiB
// for 61 %.
constexpr size_t kMaxExcerptTextBytes = 64 * 1024;

// Read in place: the texts are views of the value decoded (or of the
// strings given to encode), which must outlive them.
struct ExcerptSection {
  size_t offset = 0;
  std::string_view anchor;
  std::string_view heading;
};

struct ExcerptSource {
  std::string_view text;
  std::vector<ExcerptSection> sections;  // by offset
};

// The value for `text` (blanks not yet collapsed) and `sections`, whose
// offsets point into `text`.
std::string encode_excerpt_source(std::string_view text,
                                  const std::vector<ExcerptSection>& sections);

// False when `value` is empty, of another format or damaged.
bool decode_excerpt_source(std::string_view value, ExcerptSource& out);

}  // namespace zeb::backend
