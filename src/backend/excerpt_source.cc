#include "backend/excerpt_source.h"

#include <cstdint>

#include "backend/result_answer.h"

namespace zeb::backend {

namespace {

void put_varint(std::string& out, uint64_t value) {
  while (value >= 0x80) {
    out += static_cast<char>((value & 0x7F) | 0x80);
    value >>= 7;
  }
  out += static_cast<char>(value);
}

bool get_varint(std::string_view& in, uint64_t& value) {
  value = 0;
  for (int shift = 0; shift < 64 && !in.empty(); shift += 7) {
    const auto byte = static_cast<unsigned char>(in.front());
    in.remove_prefix(1);
    value |= uint64_t{byte & 0x7Fu} << shift;
    if ((byte & 0x80) == 0) return true;
  }
  return false;
}

bool get_bytes(std::string_view& in, std::string_view& out) {
  uint64_t length = 0;
  if (!get_varint(in, length) || length > in.size()) return false;
  out = in.substr(0, length);
  in.remove_prefix(length);
  return true;
}

bool is_blank(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\f'; }

// `text` with runs of blanks made one blank and the ends trimmed, cut to
// the bound; each section's offset moved to the same place in the result.
std::string collapse(std::string_view text, std::vector<ExcerptSection>& sections) {
  std::string out;
  out.reserve(text.size() < kMaxExcerptTextBytes ? text.size() : kMaxExcerptTextBytes);
  size_t next = 0;  // the next section to place
  bool blank = false;
  for (size_t i = 0; i < text.size(); ++i) {
    while (next < sections.size() && sections[next].offset <= i)
      sections[next++].offset = out.size() + (blank && !out.empty() ? 1 : 0);
    if (is_blank(text[i])) {
      blank = true;
      continue;
    }
    if (blank && !out.empty()) out += ' ';
    blank = false;
    out += text[i];
    if (out.size() >= kMaxExcerptTextBytes) break;
  }
  out.resize(utf8_prefix_length(out, kMaxExcerptTextBytes));
  sections.resize(next);  // sections past the stored text name nothing in it
  for (ExcerptSection& section : sections)
    if (section.offset > out.size()) section.offset = out.size();
  return out;
}

}  // namespace

std::string encode_excerpt_source(std::string_view text,
                                  const std::vector<ExcerptSection>& sections) {
  std::vector<ExcerptSection> placed = sections;
  const std::string collapsed = collapse(text, placed);
  std::string value(1, static_cast<char>(kExcerptSourceFormat));
  put_varint(value, collapsed.size());
  value += collapsed;
  put_varint(value, placed.size());
  for (const ExcerptSection& section : placed) {
    put_varint(value, section.offset);
    put_varint(value, section.anchor.size());
    value += section.anchor;
    put_varint(value, section.heading.size());
    value += section.heading;
  }
  return value;
}

bool decode_excerpt_source(std::string_view value, ExcerptSource& out) {
  out = ExcerptSource{};
  if (value.empty() || static_cast<unsigned char>(value[0]) != kExcerptSourceFormat) return false;
  std::string_view in = value.substr(1);
  uint64_t count = 0;
  if (!get_bytes(in, out.text) || !get_varint(in, count) || count > in.size()) return false;
  out.sections.resize(count);
  size_t last = 0;
  for (ExcerptSection& section : out.sections) {
    uint64_t offset = 0;
    if (!get_varint(in, offset) || offset < last || offset > out.text.size() ||
        !get_bytes(in, section.anchor) || !get_bytes(in, section.heading))
      return false;
    section.offset = last = offset;
  }
  return in.empty();
}

}  // namespace zeb::backend
