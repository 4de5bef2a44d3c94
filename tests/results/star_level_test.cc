#include "results/star_level.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zeb {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(StarLevel, PercentIsTruncatedBeforeTheBoundsAreTested) {
  const struct {
    float rank;
    int level;
  } cases[] = {
      {100.0f, 5}, {90.0f, 5},  {89.9f, 4}, {70.0f, 4},  {69.99f, 3},
      {40.0f, 3},  {39.9f, 2},  {20.0f, 2}, {19.99f, 1}, {0.0f, 1},
      {-5.0f, 1},  {1e30f, 5},  {-1e30f, 1}, {kNaN, 1},
      {std::numeric_limits<float>::infinity(), 5},
  };
  for (const auto& c : cases) EXPECT_EQ(star_level_percent(c.rank), c.level) << c.rank;
}

TEST(StarLevel, FractionIsComparedInDoublePrecision) {
  const struct {
    float rank;
    int level;
  } cases[] = {
      {0.9f, 4},  // 0.89999998 < 0.9
      {std::nextafter(0.9f, 1.0f), 5},
      {1.0f, 5},
      {0.7f, 3},  // 0.69999999 < 0.7
      {0.4f, 3},  // 0.40000001 >= 0.4
      {0.2f, 2},  // 0.20000000298 >= 0.2
      {0.19f, 1},
      {0.0f, 1},
      {kNaN, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(star_level_fraction(c.rank), c.level) << c.rank;
}

}  // namespace
}  // namespace zeb
