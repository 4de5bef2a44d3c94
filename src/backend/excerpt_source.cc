#include "backend/excerpt_source.h"

#include <lz4.h>
#include <lz4hc.h>

#include <algorithm>
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

// Where the head of `text` ends: at the last blank within the bound, so
// that no word is cut in two.
size_t head_length(std::string_view text) {
  if (text.size() <= kExcerptHeadBytes) return text.size();
  const size_t blank = text.rfind(' ', kExcerptHeadBytes);
  if (blank != std::string_view::npos && blank > 0) return blank;
  return utf8_prefix_length(std::string(text.substr(0, kExcerptHeadBytes)), kExcerptHeadBytes);
}

// The tail as LZ4 blocks of kTailBlockBytes, each after its length and
// each compressed against the head alone: a search reads only the blocks
// it needs.
std::string compressed(std::string_view head, std::string_view bytes) {
  LZ4_streamHC_t stream;
  if (LZ4_initStreamHC(&stream, sizeof stream) == nullptr) return {};
  std::string out;
  char block[LZ4_COMPRESSBOUND(kTailBlockBytes)];
  for (size_t at = 0; at < bytes.size(); at += kTailBlockBytes) {
    LZ4_resetStreamHC_fast(&stream, LZ4HC_CLEVEL_DEFAULT);
    LZ4_loadDictHC(&stream, head.data(), static_cast<int>(head.size()));
    const int length = static_cast<int>(std::min(kTailBlockBytes, bytes.size() - at));
    const int size =
        LZ4_compress_HC_continue(&stream, bytes.data() + at, block, length, sizeof block);
    if (size <= 0) return {};
    put_varint(out, static_cast<uint64_t>(size));
    out.append(block, static_cast<size_t>(size));
  }
  return out;
}

}  // namespace

StoredExcerpt encode_excerpt_source(std::string_view text,
                                    const std::vector<ExcerptSection>& sections) {
  std::vector<ExcerptSection> placed = sections;
  const std::string collapsed = collapse(text, placed);
  const std::string_view whole = collapsed;
  const size_t head = head_length(whole);
  StoredExcerpt stored;
  std::string& value = stored.head;
  value.assign(1, static_cast<char>(kExcerptSourceBlocks));
  put_varint(value, head);
  value += whole.substr(0, head);
  put_varint(value, whole.size());
  put_varint(value, placed.size());
  for (const ExcerptSection& section : placed) {
    put_varint(value, section.offset);
    put_varint(value, section.anchor.size());
    value += section.anchor;
    put_varint(value, section.heading.size());
    value += section.heading;
  }
  if (head < whole.size()) {
    stored.tail = compressed(whole.substr(0, head), whole.substr(head));
    // Without its tail the text is the head alone.
    if (stored.tail.empty()) return encode_excerpt_source(whole.substr(0, head), placed);
  }
  return stored;
}

bool decode_excerpt_source(std::string_view value, ExcerptSource& out) {
  out = ExcerptSource{};
  if (value.empty()) return false;
  const auto format = static_cast<unsigned char>(value[0]);
  if (format != kExcerptSourceBlocks && format != kExcerptSourceFormat &&
      format != kExcerptSourceWhole)
    return false;
  out.blocks_on_head = format == kExcerptSourceBlocks;
  std::string_view in = value.substr(1);
  uint64_t size = 0, count = 0;
  if (!get_bytes(in, out.text)) return false;
  size = out.text.size();
  if (format != kExcerptSourceWhole &&
      (!get_varint(in, size) || size < out.text.size() || size > kMaxExcerptTextBytes))
    return false;
  out.text_size = size;
  out.head_size = out.text.size();
  if (!get_varint(in, count) || count > in.size()) return false;
  out.sections.resize(count);
  size_t last = 0;
  for (ExcerptSection& section : out.sections) {
    uint64_t offset = 0;
    if (!get_varint(in, offset) || offset < last || offset > size ||
        !get_bytes(in, section.anchor) || !get_bytes(in, section.heading))
      return false;
    section.offset = last = offset;
  }
  return in.empty();
}

bool add_excerpt_tail(std::string_view tail, ExcerptSource& source, size_t upto, size_t from) {
  upto = std::min(upto, source.text_size);
  if (source.text.size() >= upto) return true;
  const size_t head = source.head_size;
  if (!source.whole) {
    source.whole = std::make_unique_for_overwrite<char[]>(source.text_size);
    std::copy(source.text.begin(), source.text.begin() + head, source.whole.get());
  }
  char* const whole = source.whole.get();
  while (source.text.size() < upto) {
    // Every block but the last holds kTailBlockBytes of text.
    const size_t at = source.text.size();
    const size_t wanted = std::min(kTailBlockBytes, source.text_size - at);
    std::string_view in = tail.substr(std::min(source.tail_used, tail.size()));
    uint64_t size = 0;
    const bool framed = get_varint(in, size) && size > 0 && size <= in.size();
    // A block that refers to the head alone, and that ends before `from`, is
    // passed over: blanks stand for it.
    const bool passed = framed && source.blocks_on_head && at + wanted <= from;
    if (passed) std::fill(whole + at, whole + at + wanted, ' ');
    const size_t dictionary = source.blocks_on_head ? head : at;
    if (!framed || (!passed && LZ4_decompress_safe_usingDict(
                                   in.data(), whole + at, static_cast<int>(size),
                                   static_cast<int>(wanted), whole,
                                   static_cast<int>(dictionary)) != static_cast<int>(wanted))) {
      // Not asked again: the head is all there is.
      source.text = std::string_view(whole, head);
      source.text_size = head;
      return false;
    }
    source.tail_used = tail.size() - in.size() + size;
    source.text = std::string_view(whole, at + wanted);
  }
  return true;
}

}  // namespace zeb::backend
