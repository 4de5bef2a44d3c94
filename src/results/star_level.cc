#include "results/star_level.h"

#include <cmath>

namespace zeb {

int star_level_percent(float rank) {
  // Truncating in floating point: a value beyond the range of int (or not
  // a number) has no integer to become.
  const float r = std::trunc(rank);
  if (r >= 90) return 5;
  if (r >= 70) return 4;
  if (r >= 40) return 3;
  if (r >= 20) return 2;
  return 1;
}

int star_level_fraction(float rank) {
  const double value = rank;
  if (value >= 0.9) return 5;
  if (value >= 0.7) return 4;
  if (value >= 0.4) return 3;
  if (value >= 0.2) return 2;
  return 1;
}

}  // namespace zeb
