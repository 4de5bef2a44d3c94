#include "backend/request_text.h"

namespace zeb::backend {

namespace {

// Code page 850, bytes 0x80 to 0xFF; the lower half is ASCII.
constexpr uint16_t kCp850High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

bool is_valid_utf8(const unsigned char* bytes, size_t length) {
  size_t i = 0;
  while (i < length) {
    const unsigned char lead = bytes[i];
    if (lead < 0x80) {
      ++i;
      continue;
    }
    size_t extra = 0;
    uint32_t code_point = 0;
    uint32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      code_point = lead & 0x1F;
      smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      code_point = lead & 0x0F;
      smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
      code_point = lead & 0x07;
      smallest = 0x10000;
    } else {
      return false;
    }
    if (length - i <= extra) return false;
    for (size_t k = 1; k <= extra; ++k) {
      if (!is_continuation(bytes[i + k])) return false;
      code_point = (code_point << 6) | (bytes[i + k] & 0x3F);
    }
    if (code_point < smallest || code_point > 0x10FFFF ||
        (code_point >= 0xD800 && code_point <= 0xDFFF))
      return false;
    i += extra + 1;
  }
  return true;
}

uint32_t cp850_to_unicode(unsigned char byte) {
  return byte < 0x80 ? byte : kCp850High[byte - 0x80];
}

void append_utf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string decode_request_text(const unsigned char* bytes, size_t length) {
  if (is_valid_utf8(bytes, length))
    return std::string(reinterpret_cast<const char*>(bytes), length);
  std::string out;
  out.reserve(length * 2);
  for (size_t i = 0; i < length; ++i) append_utf8(out, cp850_to_unicode(bytes[i]));
  return out;
}

}  // namespace zeb::backend
