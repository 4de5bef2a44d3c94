#include "results/rank_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

namespace zeb {
namespace {

std::string printed(float value) {
  char text[64];
  snprintf(text, sizeof text, "%4.4f", static_cast<double>(value));
  return text;
}

std::string formatted(float value) {
  char text[kRankTextSize];
  return std::string(text, format_rank_value(value, text));
}

TEST(RankText, EveryPercentAndFractionAsPrintfWritesThem) {
  for (int percent = 0; percent <= 100; ++percent) {
    const float as_fraction = static_cast<float>(percent) / 100.0f;
    EXPECT_EQ(formatted(as_fraction), printed(as_fraction)) << percent;
    EXPECT_EQ(formatted(static_cast<float>(percent)), printed(static_cast<float>(percent)));
  }
  // Each float from 0 to 1 in steps of about 1/100000.
  for (float value = 0.0f; value <= 1.0f; value = std::nextafter(value + 0.00001f, 2.0f))
    ASSERT_EQ(formatted(value), printed(value)) << value;
}

TEST(RankText, HalfwayValuesRoundToEvenAsPrintfDoes) {
  // 1/32 and its odd multiples lie exactly halfway between two last digits.
  for (int n = 1; n < 64; n += 2) {
    const float value = static_cast<float>(n) / 32.0f;
    EXPECT_EQ(formatted(value), printed(value)) << n;
  }
  EXPECT_EQ(formatted(0.03125f), "0.0312");
  EXPECT_EQ(formatted(0.09375f), "0.0938");
  EXPECT_EQ(formatted(0.99995f), printed(0.99995f));
  EXPECT_EQ(formatted(9.99995f), printed(9.99995f));
}

TEST(RankText, RandomFloatsOfTheWholeRangeMatchPrintf) {
  std::mt19937 bits(20240611);
  for (int i = 0; i < 200000; ++i) {
    const float value = std::bit_cast<float>(static_cast<uint32_t>(bits()));
    ASSERT_EQ(formatted(value), printed(value)) << std::bit_cast<uint32_t>(value);
  }
}

TEST(RankText, ValuesOutsideTheRangeAsPrintfWritesThem) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float infinity = std::numeric_limits<float>::infinity();
  const float largest = std::numeric_limits<float>::max();
  for (float value : {-0.0f, -0.00001f, -1.0f, nan, -nan, infinity, -infinity, 1e9f, 3e38f,
                      largest, -largest, std::nextafter(1e9f, 0.0f)})
    EXPECT_EQ(formatted(value), printed(value));
  EXPECT_EQ(formatted(nan), " nan");
  EXPECT_EQ(formatted(-0.0f), "-0.0000");
  EXPECT_EQ(formatted(0.0f), "0.0000");
  EXPECT_EQ(formatted(999999936.0f), "999999936.0000");
  EXPECT_EQ(formatted(0.5f), "0.5000");
  EXPECT_EQ(formatted(-largest), "-340282346638528859811704183484516925440.0000");
}

}  // namespace
}  // namespace zeb
