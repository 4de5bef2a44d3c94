#include "run_stats.h"

#include <gtest/gtest.h>

namespace zeb::bench {
namespace {

TEST(RunStats, PairedRatioIsTheMedianOfEachRoundsRatio) {
  EXPECT_DOUBLE_EQ(median_ratio({110, 220, 330}, {100, 200, 300}), 1.1);
  EXPECT_DOUBLE_EQ(median_ratio({100, 300}, {100, 200}), 1.25);  // (1.0 + 1.5) / 2
}

TEST(RunStats, ASlowSpellOverBothRunsOfARoundLeavesThePairedRatio) {
  // Rounds 3 to 5 ran on a busy machine: both programs took twice as long.
  const std::vector<int64_t> first = {105, 105, 210, 210, 210};
  const std::vector<int64_t> second = {100, 100, 200, 200, 200};
  EXPECT_DOUBLE_EQ(median_ratio(first, second), 1.05);
}

TEST(RunStats, RoundsWithoutATimeAreLeftOut) {
  EXPECT_DOUBLE_EQ(median_ratio({100, 50}, {0, 50}), 1.0);
  EXPECT_DOUBLE_EQ(median_ratio({}, {}), 0.0);
  EXPECT_DOUBLE_EQ(median_ratio({100}, {0}), 0.0);
}

}  // namespace
}  // namespace zeb::bench
