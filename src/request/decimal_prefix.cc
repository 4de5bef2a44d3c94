#include "request/decimal_prefix.h"

#include <cstdint>

namespace zeb {

namespace {

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Points past the white space and the sign; tells whether the sign was "-".
const char* skip_to_digits(const char* text, bool* negative) {
  while (is_space(*text)) ++text;
  *negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  return text;
}

}  // namespace

uint16_t decimal_low16(const char* text) {
  bool negative = false;
  text = skip_to_digits(text, &negative);
  uint32_t value = 0;  // arithmetic modulo 2^32 keeps the low bits exact
  for (; is_digit(*text); ++text) value = value * 10 + static_cast<uint32_t>(*text - '0');
  if (negative) value = 0u - value;
  return static_cast<uint16_t>(value);
}

int32_t decimal_clamped32(const char* text) {
  bool negative = false;
  text = skip_to_digits(text, &negative);
  int64_t value = 0;
  const int64_t limit = int64_t{INT32_MAX} + 1;
  for (; is_digit(*text); ++text) {
    value = value * 10 + (*text - '0');
    if (value > limit) value = limit;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  return static_cast<int32_t>(value);
}

}  // namespace zeb
