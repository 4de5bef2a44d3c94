// The number of a rank line, "%4.4f" of the rank value as a double, written
// without printf: a page of fifty rows would otherwise spend more on
// formatting its rank values than on anything else it writes.
//
// Rank values are fractions (0 to 1) or percents divided by 100; the digits
// are the exact decimal rounding of the value, ties to even, as printf makes
// them. Values outside [0, 1e9) (negative, negative zero, infinite, not a
// number, huge) are left to printf itself.
#pragma once

#include <cstddef>
#include <cstdio>

namespace zeb {

// Room for the longest number format_rank_value writes: ten digits, the
// point, four digits.
constexpr size_t kRankTextSize = 16;

// Writes the digits into `text` (not terminated) and returns their count;
// 0 when the value is one for printf.
size_t format_rank_value(float value, char (&text)[kRankTextSize]);

// Writes the value as "%4.4f" does.
void put_rank_value(FILE* out, float value);

}  // namespace zeb
