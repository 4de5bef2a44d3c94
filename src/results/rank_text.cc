#include "results/rank_text.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace zeb {

namespace {

constexpr double kLargestValue = 1e9;  // beyond it printf writes the number
constexpr uint64_t kUnitsPerOne = 10000;  // four digits after the point

}  // namespace

size_t format_rank_value(float value, char (&text)[kRankTextSize]) {
  const double v = value;
  if (!(v >= 0.0 && v < kLargestValue) || std::signbit(v)) {
    const int length = snprintf(text, sizeof text, "%4.4f", v);
    if (length <= 0) return 0;
    return static_cast<size_t>(length) < sizeof text ? static_cast<size_t>(length)
                                                     : sizeof text - 1;
  }
  // Exact: a float has 24 significant bits and 10000 needs 14 of a double's 53.
  const double scaled = v * static_cast<double>(kUnitsPerOne);
  uint64_t units = static_cast<uint64_t>(scaled);
  const double rest = scaled - static_cast<double>(units);  // exact as well
  if (rest > 0.5 || (rest == 0.5 && (units & 1) != 0)) ++units;

  char whole[kRankTextSize];
  size_t whole_digits = 0;
  uint64_t integral = units / kUnitsPerOne;
  do {
    whole[whole_digits++] = static_cast<char>('0' + integral % 10);
    integral /= 10;
  } while (integral != 0);

  size_t length = 0;
  while (whole_digits > 0) text[length++] = whole[--whole_digits];
  text[length++] = '.';
  uint64_t fraction = units % kUnitsPerOne;
  for (size_t i = 4; i > 0; --i) {
    text[length + i - 1] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  return length + 4;
}

}  // namespace zeb
