// Numbers read from the front of a text the way form values and CGI
// variables are read: leading white space, an optional sign, then decimal
// digits up to the first non-digit; no digits give 0.
#pragma once

#include <cstdint>

namespace zeb {

// The low 16 bits of the number, however long it is (70000 gives 4464,
// -1 gives 65535).
uint16_t decimal_low16(const char* text);

// The number, held to the range of a 32-bit signed integer.
int32_t decimal_clamped32(const char* text);

}  // namespace zeb
