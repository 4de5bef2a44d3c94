#include "admin/extracted_document.h"

namespace zeb::admin {

namespace {

// Bytes of the white space at text[i]: ASCII blanks and U+00A0.
size_t space_length(std::string_view text, size_t i) {
  const char c = text[i];
  if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') return 1;
  if (c == '\xC2' && i + 1 < text.size() && text[i + 1] == '\xA0') return 2;
  return 0;
}

}  // namespace

std::string collapse_blanks(std::string_view text, size_t max_bytes) {
  std::string out;
  bool pending_blank = false;
  for (size_t i = 0; i < text.size();) {
    const size_t blank = space_length(text, i);
    if (blank) {
      pending_blank = !out.empty();
      i += blank;
      continue;
    }
    if (pending_blank) out += ' ';
    pending_blank = false;
    out += text[i++];
  }
  if (out.size() > max_bytes) {
    size_t cut = max_bytes;
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
    out.resize(cut);
    while (!out.empty() && out.back() == ' ') out.pop_back();
  }
  return out;
}

}  // namespace zeb::admin
