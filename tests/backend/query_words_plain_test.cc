// Query words cut without the term generator must be the words the term
// generator cuts: each text here is split both ways and compared.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "backend/query_words.h"

namespace zeb::backend {
namespace {

TEST(QueryWordsPlain, TextsAsTheTermGeneratorCutsThem) {
  const std::string texts[] = {
      "", " ", "vacuum analyze", "foreign key", "Trigger", "  two   Blanks\tand\ttabs\n",
      "MixedCase WORDS", "snake_case _lead trail_", "x86 64bit 2024 007", "a b c a b a",
      "U.S.A. initials", "P.T.O", "AT&T", "don't", "C++ and C#", "fish+chips", "1.5 2,000 3;4",
      "a.b", "(brackets) [and] {braces}", "\"quoted phrase\"", "hyphen-ated/slashed",
      "x!y?z*w%v$u@t^s~r`q|p\\o<n>m=l", "e-mail: a@b.c", "caf\xC3\xA9 na\xC3\xAFve",
      "\xC3\x89TATS", "word\x01" "control\x7f" "del",
      std::string(64, 'a'), std::string(65, 'b'), std::string(64, 'c') + " " + std::string(70, 'd'),
  };
  for (const std::string& text : texts) EXPECT_EQ(split_words(text), generator_words(text)) << text;
}

TEST(QueryWordsPlain, EveryAsciiCharacterBetweenWords) {
  for (int c = 0; c < 128; ++c) {
    for (const char* left : {"ab", "7", "A", "x_"}) {
      for (const char* right : {"cd", "9", "B", ""}) {
        const std::string text = std::string(left) + static_cast<char>(c) + right;
        EXPECT_EQ(split_words(text), generator_words(text)) << c << " in " << text;
      }
    }
  }
}

TEST(QueryWordsPlain, RandomAsciiTexts) {
  std::mt19937 random(7);
  const std::string alphabet = "aZ09_ \t-!/()\".,'&+#;:?*";
  for (int i = 0; i < 3000; ++i) {
    std::string text;
    const size_t length = random() % 24;
    for (size_t j = 0; j < length; ++j) text += alphabet[random() % alphabet.size()];
    ASSERT_EQ(split_words(text), generator_words(text)) << text;
  }
}

TEST(QueryWordsPlain, OnlySmallAsciiLettersBeginAStemmedWord) {
  for (int c = 1; c < 128; ++c) {
    const std::string word(1, static_cast<char>(c));
    EXPECT_EQ(has_stem(word + "x"), c >= 'a' && c <= 'z') << c;
  }
}

}  // namespace
}  // namespace zeb::backend
