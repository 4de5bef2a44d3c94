#include "request/decimal_prefix.h"

#include <gtest/gtest.h>

namespace zeb {
namespace {

TEST(DecimalPrefix, KeepsTheLowSixteenBits) {
  const struct {
    const char* text;
    uint16_t value;
  } cases[] = {
      {"20", 20},       {"70000", 4464},  {"-1", 65535}, {"65536", 0},
      {"  +7x", 7},     {"abc", 0},       {"", 0},       {"- 5", 0},
      {"12abc34", 12},
      {"99999999999999999999", 65535},  // 10^20 - 1 modulo 65536
  };
  for (const auto& c : cases) EXPECT_EQ(decimal_low16(c.text), c.value) << c.text;
}

TEST(DecimalPrefix, HoldsLengthsToTheSignedThirtyTwoBitRange) {
  EXPECT_EQ(decimal_clamped32(" 52428800"), 52428800);
  EXPECT_EQ(decimal_clamped32("-3"), -3);
  EXPECT_EQ(decimal_clamped32("4294967296"), INT32_MAX);
  EXPECT_EQ(decimal_clamped32("-99999999999999999999"), INT32_MIN);
  EXPECT_EQ(decimal_clamped32("x"), 0);
}

}  // namespace
}  // namespace zeb
