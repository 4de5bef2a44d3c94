#include "admin/html_entities.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "admin/charset.h"

namespace zeb::admin {

namespace {

struct NamedReference {
  const char* name;
  char32_t code;
};

// Sorted by name (byte order) for binary search.
constexpr NamedReference kNamed[] = {
    {"AElig", 0xC6},   {"Aacute", 0xC1},  {"Acirc", 0xC2},   {"Agrave", 0xC0},
    {"Alpha", 0x391},  {"Aring", 0xC5},   {"Atilde", 0xC3},  {"Auml", 0xC4},
    {"Beta", 0x392},   {"Ccedil", 0xC7},  {"Dagger", 0x2021}, {"Delta", 0x394},
    {"ETH", 0xD0},     {"Eacute", 0xC9},  {"Ecirc", 0xCA},   {"Egrave", 0xC8},
    {"Euml", 0xCB},    {"Gamma", 0x393},  {"Iacute", 0xCD},  {"Icirc", 0xCE},
    {"Igrave", 0xCC},  {"Iuml", 0xCF},    {"Lambda", 0x39B}, {"Ntilde", 0xD1},
    {"OElig", 0x152},  {"Oacute", 0xD3},  {"Ocirc", 0xD4},   {"Ograve", 0xD2},
    {"Omega", 0x3A9},  {"Oslash", 0xD8},  {"Otilde", 0xD5},  {"Ouml", 0xD6},
    {"Phi", 0x3A6},    {"Pi", 0x3A0},     {"Prime", 0x2033}, {"Psi", 0x3A8},
    {"Scaron", 0x160}, {"Sigma", 0x3A3},  {"THORN", 0xDE},   {"Theta", 0x398},
    {"Uacute", 0xDA},  {"Ucirc", 0xDB},   {"Ugrave", 0xD9},  {"Uuml", 0xDC},
    {"Yacute", 0xDD},  {"Yuml", 0x178},   {"aacute", 0xE1},  {"acirc", 0xE2},
    {"acute", 0xB4},   {"aelig", 0xE6},   {"agrave", 0xE0},  {"alpha", 0x3B1},
    {"amp", 0x26},     {"apos", 0x27},    {"aring", 0xE5},   {"asymp", 0x2248},
    {"atilde", 0xE3},  {"auml", 0xE4},    {"bdquo", 0x201E}, {"beta", 0x3B2},
    {"brvbar", 0xA6},  {"bull", 0x2022},  {"ccedil", 0xE7},  {"cedil", 0xB8},
    {"cent", 0xA2},    {"chi", 0x3C7},    {"circ", 0x2C6},   {"copy", 0xA9},
    {"curren", 0xA4},  {"dagger", 0x2020}, {"darr", 0x2193}, {"deg", 0xB0},
    {"delta", 0x3B4},  {"divide", 0xF7},  {"eacute", 0xE9},  {"ecirc", 0xEA},
    {"egrave", 0xE8},  {"emsp", 0x2003},  {"ensp", 0x2002},  {"epsilon", 0x3B5},
    {"equiv", 0x2261}, {"eta", 0x3B7},    {"eth", 0xF0},     {"euml", 0xEB},
    {"euro", 0x20AC},  {"frac12", 0xBD},  {"frac14", 0xBC},  {"frac34", 0xBE},
    {"gamma", 0x3B3},  {"ge", 0x2265},    {"gt", 0x3E},      {"harr", 0x2194},
    {"hellip", 0x2026}, {"iacute", 0xED}, {"icirc", 0xEE},   {"iexcl", 0xA1},
    {"igrave", 0xEC},  {"infin", 0x221E}, {"iota", 0x3B9},   {"iquest", 0xBF},
    {"iuml", 0xEF},    {"kappa", 0x3BA},  {"lambda", 0x3BB}, {"laquo", 0xAB},
    {"larr", 0x2190},  {"ldquo", 0x201C}, {"le", 0x2264},    {"lrm", 0x200E},
    {"lsaquo", 0x2039}, {"lsquo", 0x2018}, {"lt", 0x3C},     {"macr", 0xAF},
    {"mdash", 0x2014}, {"micro", 0xB5},   {"middot", 0xB7},  {"minus", 0x2212},
    {"mu", 0x3BC},     {"nbsp", 0xA0},    {"ndash", 0x2013}, {"ne", 0x2260},
    {"not", 0xAC},     {"ntilde", 0xF1},  {"nu", 0x3BD},     {"oacute", 0xF3},
    {"ocirc", 0xF4},   {"oelig", 0x153},  {"ograve", 0xF2},  {"omega", 0x3C9},
    {"omicron", 0x3BF}, {"ordf", 0xAA},   {"ordm", 0xBA},    {"oslash", 0xF8},
    {"otilde", 0xF5},  {"ouml", 0xF6},    {"para", 0xB6},    {"permil", 0x2030},
    {"phi", 0x3C6},    {"pi", 0x3C0},     {"plusmn", 0xB1},  {"pound", 0xA3},
    {"prime", 0x2032}, {"psi", 0x3C8},    {"quot", 0x22},    {"raquo", 0xBB},
    {"rarr", 0x2192},  {"rdquo", 0x201D}, {"reg", 0xAE},     {"rho", 0x3C1},
    {"rlm", 0x200F},   {"rsaquo", 0x203A}, {"rsquo", 0x2019}, {"sbquo", 0x201A},
    {"scaron", 0x161}, {"sect", 0xA7},    {"shy", 0xAD},     {"sigma", 0x3C3},
    {"sup1", 0xB9},    {"sup2", 0xB2},    {"sup3", 0xB3},    {"szlig", 0xDF},
    {"tau", 0x3C4},    {"theta", 0x3B8},  {"thinsp", 0x2009}, {"thorn", 0xFE},
    {"tilde", 0x2DC},  {"times", 0xD7},   {"trade", 0x2122}, {"uacute", 0xFA},
    {"uarr", 0x2191},  {"ucirc", 0xFB},   {"ugrave", 0xF9},  {"uml", 0xA8},
    {"upsilon", 0x3C5}, {"uuml", 0xFC},   {"xi", 0x3BE},     {"yacute", 0xFD},
    {"yen", 0xA5},     {"yuml", 0xFF},    {"zeta", 0x3B6},   {"zwj", 0x200D},
    {"zwnj", 0x200C},
};

constexpr bool names_sorted() {
  for (size_t i = 1; i < std::size(kNamed); ++i)
    if (!(std::string_view(kNamed[i - 1].name) < std::string_view(kNamed[i].name))) return false;
  return true;
}
static_assert(names_sorted(), "named references must stay sorted for the binary search");

constexpr size_t kMaxNameLength = 8;

// Windows-1252 0x80-0x9F, for numeric references into that range.
constexpr char16_t kC1AsWindows1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool find_named(std::string_view name, char32_t& code) {
  const auto* end = std::end(kNamed);
  const auto* it = std::lower_bound(
      std::begin(kNamed), end, name,
      [](const NamedReference& r, std::string_view n) { return std::string_view(r.name) < n; });
  if (it == end || name != it->name) return false;
  code = it->code;
  return true;
}

bool is_digit(char c, bool hex) {
  return (c >= '0' && c <= '9') ||
         (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

// Decodes the reference at text[0] == '&'; returns the bytes it used, or 0
// when it is not one.
size_t decode_reference(std::string_view text, std::string& out) {
  if (text.size() < 3) return 0;
  if (text[1] == '#') {
    const bool hex = text[2] == 'x' || text[2] == 'X';
    size_t i = hex ? 3 : 2;
    const size_t first_digit = i;
    uint32_t value = 0;
    bool overflow = false;
    for (; i < text.size() && is_digit(text[i], hex); ++i) {
      const char c = text[i];
      const uint32_t digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
      value = value * (hex ? 16 : 10) + digit;
      if (value > 0x10FFFF) overflow = true, value = 0x110000;
    }
    if (i == first_digit) return 0;
    if (i < text.size() && text[i] == ';') ++i;
    char32_t ch = overflow ? 0xFFFD : value;
    if (ch == 0) ch = 0xFFFD;
    if (ch >= 0x80 && ch < 0xA0) ch = kC1AsWindows1252[ch - 0x80];
    append_utf8(out, ch);
    return i;
  }
  const size_t limit = std::min(text.size(), kMaxNameLength + 2);
  for (size_t i = 1; i < limit; ++i) {
    if (text[i] != ';') continue;
    char32_t ch;
    if (!find_named(text.substr(1, i - 1), ch)) return 0;
    append_utf8(out, ch);
    return i + 1;
  }
  return 0;
}

}  // namespace

void append_decoded(std::string& out, std::string_view text) {
  while (!text.empty()) {
    const size_t amp = text.find('&');
    if (amp == std::string_view::npos) {
      out.append(text);
      return;
    }
    out.append(text.substr(0, amp));
    text.remove_prefix(amp);
    const size_t used = decode_reference(text, out);
    if (used == 0) {
      out += '&';
      text.remove_prefix(1);
    } else {
      text.remove_prefix(used);
    }
  }
}

std::string decode_entities(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  append_decoded(out, text);
  return out;
}

}  // namespace zeb::admin
