// Percent-encoding for the path of a link: every byte that a URL path may
// not hold as it is becomes %XX (upper-case hex), so that the browser's
// decoding gives back the file's name byte for byte. Kept as they are: the
// unreserved characters, the sub-delimiters, ':' and '@', and '/', which
// separates the path's directories. Everything else is encoded: '%' itself
// (a name holding "%2e" must not decode to "."), '?' and '#' (which would
// end the path), '\' (which browsers read as '/'), blanks, controls and
// every byte above 127 (a name that is not UTF-8 stays what it is).
//
// The result is a URL, not yet HTML: it still goes through the page's one
// HTML escaper ('&' and '\'' are kept here).
#pragma once

#include <cstddef>
#include <string_view>

namespace zeb {

// The longest text one byte becomes.
constexpr size_t kLongestUrlEscape = 3;

// Whether `byte` stands in a URL path as it is.
bool url_path_keeps(unsigned char byte);

// Appends the encoded `path` to `buffer` (`size` bytes, the first `length`
// in use) as far as it fits without cutting an escape; advances `length`
// and returns how many bytes of `path` went in.
size_t append_url_path(char* buffer, size_t size, size_t& length, std::string_view path);

}  // namespace zeb
