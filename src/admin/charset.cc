#include "admin/charset.h"

#include <iconv.h>
#include <xapian.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace zeb::admin {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 0x80-0x9F; the five unassigned bytes map to themselves, as
// browsers do.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string canonical_name(std::string_view charset) {
  std::string name;
  for (char c : charset) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c == ' ' || c == '\t' || c == '"' || c == '\'') continue;
    name += c;
  }
  return name;
}

bool is_utf8_name(const std::string& name) {
  return name == "utf-8" || name == "utf8" || name == "unicode-1-1-utf-8";
}

bool is_windows1252_name(const std::string& name) {
  static constexpr const char* kNames[] = {
      "iso-8859-1", "iso8859-1", "iso_8859-1", "latin1", "l1", "windows-1252",
      "cp1252", "x-cp1252", "us-ascii", "ascii", "iso-ir-100", "cp819", "ibm819"};
  for (const char* known : kNames)
    if (name == known) return true;
  return false;
}

// Length of the well-formed UTF-8 sequence at the start of `s`, 0 if none.
size_t utf8_sequence_length(std::string_view s, char32_t& ch) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  if (b0 < 0x80) {
    ch = b0;
    return 1;
  }
  size_t length;
  char32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) length = 2, min = 0x80, ch = b0 & 0x1F;
  else if (b0 >= 0xE0 && b0 <= 0xEF) length = 3, min = 0x800, ch = b0 & 0x0F;
  else if (b0 >= 0xF0 && b0 <= 0xF4) length = 4, min = 0x10000, ch = b0 & 0x07;
  else return 0;
  if (s.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if ((b & 0xC0) != 0x80) return 0;
    ch = (ch << 6) | (b & 0x3F);
  }
  if (ch < min || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) return 0;
  return length;
}

// Length of the leading run of ASCII bytes.
size_t ascii_prefix(std::string_view bytes) {
  size_t i = 0;
  // Eight bytes at a time while none has its top bit set.
  for (; i + 8 <= bytes.size(); i += 8) {
    uint64_t block;
    std::memcpy(&block, bytes.data() + i, 8);
    if (block & 0x8080808080808080ULL) break;
  }
  while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80) ++i;
  return i;
}

// Valid UTF-8 is kept; each invalid byte becomes U+FFFD.
std::string repair_utf8(std::string_view bytes) {
  if (is_valid_utf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size());
  while (!bytes.empty()) {
    char32_t ch;
    const size_t length = utf8_sequence_length(bytes, ch);
    if (length == 0) {
      append_utf8(out, kReplacement);
      bytes.remove_prefix(1);
    } else {
      out.append(bytes.substr(0, length));
      bytes.remove_prefix(length);
    }
  }
  return out;
}

std::string from_windows1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) out += c;
    else if (b < 0xA0) append_utf8(out, kWindows1252High[b - 0x80]);
    else append_utf8(out, b);
  }
  return out;
}

// False when iconv does not know the charset.
bool from_iconv(std::string_view bytes, const std::string& charset, std::string& out) {
  iconv_t cd = ::iconv_open("UTF-8", charset.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.clear();
  out.reserve(bytes.size() * 2);
  char* in = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  char buffer[4096];
  while (in_left > 0) {
    char* dest = buffer;
    size_t dest_left = sizeof buffer;
    const size_t rc = ::iconv(cd, &in, &in_left, &dest, &dest_left);
    out.append(buffer, dest - buffer);
    if (rc == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // An invalid or truncated sequence: mark it and go on after its first byte.
      append_utf8(out, kReplacement);
      ++in;
      --in_left;
      ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  char* dest = buffer;
  size_t dest_left = sizeof buffer;
  ::iconv(cd, nullptr, nullptr, &dest, &dest_left);
  out.append(buffer, dest - buffer);
  ::iconv_close(cd);
  return true;
}

}  // namespace

bool is_valid_utf8(std::string_view bytes) {
  while (!bytes.empty()) {
    bytes.remove_prefix(ascii_prefix(bytes));
    if (bytes.empty()) break;
    char32_t ch;
    const size_t length = utf8_sequence_length(bytes, ch);
    if (length == 0) return false;
    bytes.remove_prefix(length);
  }
  return true;
}

void append_utf8(std::string& out, char32_t ch) {
  if (ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) ch = kReplacement;
  Xapian::Unicode::append_utf8(out, ch);
}

std::string to_utf8(std::string_view bytes, std::string_view charset) {
  const std::string name = canonical_name(charset);
  if (is_utf8_name(name)) return repair_utf8(bytes);
  if (is_windows1252_name(name)) return from_windows1252(bytes);
  std::string converted;
  // iconv writes code points beyond U+10FFFF (from UCS-4, or UTF-8 read
  // through an alias) as the old five- and six-byte forms: not UTF-8.
  if (!name.empty() && from_iconv(bytes, name, converted)) return repair_utf8(converted);
  if (is_valid_utf8(bytes)) return std::string(bytes);
  return from_windows1252(bytes);
}

}  // namespace zeb::admin
