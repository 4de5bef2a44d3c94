// Character references of HTML text: "&name;", "&#NNN;" and "&#xHH;".
// Named references cover HTML's Latin-1 set and the common typographic
// ones; numeric ones in 128-159 are read as windows-1252, as browsers do.
#pragma once

#include <string>
#include <string_view>

namespace zeb::admin {

// Appends `text` (UTF-8) to `out` with every reference it knows replaced by
// its character in UTF-8. Unknown or malformed references stay as written.
// A named reference needs its ';', a numeric one does not. A numeric
// reference to no character (0, a surrogate, beyond U+10FFFF) gives U+FFFD.
void append_decoded(std::string& out, std::string_view text);

std::string decode_entities(std::string_view text);

}  // namespace zeb::admin
