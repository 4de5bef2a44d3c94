// Character sets of documents: everything the indexer reads is turned into
// UTF-8 before it is tokenised. UTF-8 and windows-1252 (which ISO-8859-1 and
// US-ASCII are read as, the way browsers read them) are converted here;
// every other declared charset goes through iconv.
#pragma once

#include <string>
#include <string_view>

namespace zeb::admin {

// True when `bytes` is well-formed UTF-8 (no overlongs, no surrogates).
bool is_valid_utf8(std::string_view bytes);

// Appends code point `ch` in UTF-8; invalid code points become U+FFFD.
void append_utf8(std::string& out, char32_t ch);

// Converts `bytes`, declared in `charset` (any letter case; empty when
// nothing was declared), to UTF-8. Undeclared text is UTF-8 when it is valid
// UTF-8, else windows-1252. Bytes that cannot be converted become U+FFFD; an
// unknown charset is treated as if none had been declared.
std::string to_utf8(std::string_view bytes, std::string_view charset);

}  // namespace zeb::admin
