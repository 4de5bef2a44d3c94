#include "cgi/url_unescape.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace zeb {
namespace {

std::string unescaped(std::string text) {
  unescape(text.data());
  return std::string(text.c_str());
}

TEST(HexPairValue, DecodesBothLetterCasesAndPassesOddCharacters) {
  EXPECT_EQ(hex_pair_value('4', '1'), 0x41);
  EXPECT_EQ(hex_pair_value('2', 'b'), 0x2B);
  EXPECT_EQ(hex_pair_value('2', 'B'), 0x2B);
  EXPECT_EQ(hex_pair_value('f', 'F'), 0xFF);
  EXPECT_EQ(hex_pair_value('0', '0'), 0x00);
  // Not hexadecimal: "z" has the digit value 35, so 16 * 35 + 35 = 595 = 83 mod 256.
  EXPECT_EQ(hex_pair_value('z', 'z'), 83);
  EXPECT_EQ(hex_pair_value('g', '0'), (16 * 16) % 256);
}

TEST(Unescape, TurnsEscapesIntoBytesAndEndsCleanlyOnShortOnes) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"", ""},
      {"plain", "plain"},
      {"%41%2b c", "A+ c"},
      {"a%3Db", "a=b"},
      {"ab%4", "ab@"},  // one digit left: 4 * 16
      {"ab%", "ab"},    // lone "%" at the end
      {"%", ""},
      {"%%41", "T1"},  // "%%4" is one escape: 16 * (37 - 48) + 4 = 84 mod 256
      {"x%00y", "x"},        // an encoded NUL ends the text
  };
  for (const auto& c : cases) EXPECT_EQ(unescaped(c.in), c.out) << c.in;
}

TEST(PlusToSpace, ReplacesEveryPlus) {
  std::string text = "+a++b+";
  plus_to_space(text.data());
  EXPECT_EQ(text, " a  b ");
}

TEST(SplitAt, CutsAtTheFirstSeparatorOnly) {
  const struct {
    const char* in;
    const char* name;
    const char* rest;
  } cases[] = {
      {"a=1", "a", "1"}, {"flag", "flag", ""}, {"=x", "", "x"},
      {"n=m=v", "n", "m=v"}, {"", "", ""}, {"k=", "k", ""},
  };
  for (const auto& c : cases) {
    std::string text = c.in;
    char* name = split_at(text.data(), '=');
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, c.name) << c.in;
    EXPECT_STREQ(text.c_str(), c.rest) << c.in;
    free(name);
  }
}

}  // namespace
}  // namespace zeb
