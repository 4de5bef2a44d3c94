// The text of a request item as Unicode: bytes that form valid UTF-8 are
// taken as UTF-8; any other text is read in the request's code page, 850
// (the code page of the original clients), byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zeb::backend {

// True when the bytes are well-formed UTF-8: no overlong forms, no
// surrogates, nothing above U+10FFFF, no truncated sequence.
bool is_valid_utf8(const unsigned char* bytes, size_t length);

// The Unicode code point of one code page 850 byte.
uint32_t cp850_to_unicode(unsigned char byte);

// Appends the UTF-8 form of `code_point` to `out`.
void append_utf8(std::string& out, uint32_t code_point);

// The request text as UTF-8.
std::string decode_request_text(const unsigned char* bytes, size_t length);

}  // namespace zeb::backend
