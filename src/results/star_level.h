// Star levels of a ranked result row: 1 is the poorest match, 5 the best.
#pragma once

namespace zeb {

constexpr int kStarLevels = 5;

// A rank value in percent (0 to 100, searches with free text), truncated
// toward zero: 90 and up 5, 70 up 4, 40 up 3, 20 up 2, else 1.
int star_level_percent(float rank);

// A rank value as a fraction (0 to 1), widened to double and compared with
// the double constants 0.9, 0.7, 0.4 and 0.2: a single-precision 0.9 lies
// just below 0.9 and gets level 4. Not a number: level 1.
int star_level_fraction(float rank);

}  // namespace zeb
