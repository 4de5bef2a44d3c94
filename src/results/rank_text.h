// The number of a rank line: "%4.4f" of the rank value as a double. Written
// without printf for the values rank lines hold: a page of fifty rows would
// otherwise spend more on formatting its rank values than on anything else
// it writes.
//
// Rank values are fractions (0 to 1) or percents divided by 100; their digits
// are the exact decimal rounding of the value, ties to even, as printf makes
// them. Values outside [0, 1e9) (negative, negative zero, infinite, not a
// number, huge) are left to printf itself.
#pragma once

#include <cstddef>

namespace zeb {

// Room for "%4.4f" of any float: a sign, 39 digits, the point, four digits
// and the terminator printf writes.
constexpr size_t kRankTextSize = 48;

// Writes the number into `text` and returns its length.
size_t format_rank_value(float value, char (&text)[kRankTextSize]);

}  // namespace zeb
