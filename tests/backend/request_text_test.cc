// Request text decoding and the word-level helpers of queries: UTF-8
// validation, the code page 850 table, keyword form and masking patterns.
#include "backend/request_text.h"

#include <gtest/gtest.h>

#include <string>

#include "backend/mask_expansion.h"
#include "backend/query_words.h"

namespace zeb::backend {
namespace {

bool valid(const std::string& bytes) {
  return is_valid_utf8(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}
std::string decode(const std::string& bytes) {
  return decode_request_text(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

TEST(RequestText, Utf8Validation) {
  EXPECT_TRUE(valid(""));
  EXPECT_TRUE(valid("plain"));
  EXPECT_TRUE(valid("caf\xC3\xA9"));
  EXPECT_TRUE(valid("\xE2\x82\xAC"));          // euro sign
  EXPECT_TRUE(valid("\xF0\x9F\x98\x80"));      // beyond the BMP
  EXPECT_FALSE(valid("caf\xE9"));              // a Latin-1 byte
  EXPECT_FALSE(valid("\xC3"));                 // truncated
  EXPECT_FALSE(valid("\xE2\x82"));
  EXPECT_FALSE(valid("\xC0\xAF"));             // overlong '/'
  EXPECT_FALSE(valid("\xE0\x80\xAF"));
  EXPECT_FALSE(valid("\xED\xA0\x80"));         // surrogate
  EXPECT_FALSE(valid("\xF4\x90\x80\x80"));     // above U+10FFFF
  EXPECT_FALSE(valid("\x80"));                 // lone continuation
  EXPECT_FALSE(valid("\xFF\xFF"));
}

TEST(RequestText, CodePage850Table) {
  EXPECT_EQ(cp850_to_unicode('A'), 0x41u);
  EXPECT_EQ(cp850_to_unicode(0x7F), 0x7Fu);
  const std::pair<unsigned char, uint32_t> samples[] = {
      {0x80, 0x00C7}, {0x81, 0x00FC}, {0x82, 0x00E9}, {0x8E, 0x00C4}, {0x90, 0x00C9},
      {0x94, 0x00F6}, {0x99, 0x00D6}, {0x9A, 0x00DC}, {0x9B, 0x00F8}, {0x9C, 0x00A3},
      {0x9E, 0x00D7}, {0x9F, 0x0192}, {0xA4, 0x00F1}, {0xB0, 0x2591}, {0xB5, 0x00C1},
      {0xC4, 0x2500}, {0xC6, 0x00E3}, {0xCF, 0x00A4}, {0xD5, 0x0131}, {0xE1, 0x00DF},
      {0xE6, 0x00B5}, {0xEE, 0x00AF}, {0xF0, 0x00AD}, {0xF2, 0x2017}, {0xFE, 0x25A0},
      {0xFF, 0x00A0},
  };
  for (const auto& [byte, code_point] : samples)
    EXPECT_EQ(cp850_to_unicode(byte), code_point) << std::hex << int(byte);
}

TEST(RequestText, InvalidUtf8IsReadAsCodePage850) {
  EXPECT_EQ(decode("caf\xC3\xA9"), "caf\xC3\xA9");  // valid UTF-8 stays
  EXPECT_EQ(decode("caf\x82"), "caf\xC3\xA9");       // 850 e-acute
  EXPECT_EQ(decode("\x9E"), "\xC3\x97");             // multiplication sign
  EXPECT_EQ(decode("\xB0"), "\xE2\x96\x91");         // light shade, 3 bytes
  // One bad byte makes the whole text 850, also its UTF-8-looking pairs.
  EXPECT_EQ(decode("\xC3\xA9\x82"), "\xE2\x94\x9C\xC2\xAE\xC3\xA9");
}

TEST(QueryWords, WordsAreSplitAndLowerCased) {
  EXPECT_EQ(split_words("The Quick, brown-fox!"),
            std::vector<std::string>({"the", "quick", "brown", "fox"}));
  EXPECT_EQ(split_words("  "), std::vector<std::string>());
  EXPECT_EQ(split_words("\xC3\x89TATS"), std::vector<std::string>({"\xC3\xA9tats"}));
}

TEST(QueryWords, MaskedTextKeepsActiveMaskingCharacters) {
  // '?' is not active here: it separates like punctuation.
  auto pieces = split_masked_words("Big WOR*s?", true, false);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0].text, "big");
  EXPECT_FALSE(pieces[0].pattern);
  EXPECT_EQ(pieces[1].text, "wor*s");
  EXPECT_TRUE(pieces[1].pattern);
  pieces = split_masked_words("x?y*", false, true);
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0].text, "x?y");
}

TEST(QueryWords, KeywordFormCollapsesWhiteSpace) {
  EXPECT_EQ(keyword_form("  User \t\n Input  "), "user input");
  EXPECT_EQ(keyword_form("A\xC2\xA0" "B"), "a b");  // no-break space
  EXPECT_EQ(keyword_form("   "), "");
}

TEST(QueryWords, OnlyWordsBeginningWithALetterHaveAStem) {
  EXPECT_TRUE(has_stem("tables"));
  EXPECT_TRUE(has_stem("\xC3\xA9tats"));
  EXPECT_FALSE(has_stem("2024"));
  EXPECT_FALSE(has_stem(""));
}

TEST(MaskPattern, MatchesCharacterByCharacter) {
  struct Case {
    const char* pattern;
    const char* word;
    bool matches;
  };
  const Case cases[] = {
      {"wor*", "world", true},     {"wor*", "wor", true},      {"wor*", "wo", false},
      {"*orld", "world", true},    {"*orld", "worlds", false}, {"w?rld", "world", true},
      {"w?rld", "wrld", false},    {"w*d", "wd", true},        {"w*d", "world", true},
      {"w*d", "worlds", false},    {"*a*b*", "xaxxbx", true},  {"*a*b*", "xbxxax", false},
      {"?", "\xC3\xA9", true},     {"caf?", "caf\xC3\xA9", true},
      {"a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(mask_matches(c.pattern, c.word), c.matches) << c.pattern << " " << c.word;
}

}  // namespace
}  // namespace zeb::backend
