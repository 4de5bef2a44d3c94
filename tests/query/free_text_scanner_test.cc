#include "query/free_text_scanner.h"

#include <gtest/gtest.h>

#include <string>

#include "request/search_request.h"

namespace zeb {
namespace {

struct Scan {
  int rc;
  std::string text;
  std::string required;
  std::string excluded;
};

Scan scan(const std::string& input) {
  char text[kFreeTextSize] = {};
  input.copy(text, kFreeTextSize - 1);
  char required[kOperatorListSize] = {};
  char excluded[kOperatorListSize] = {};
  int rc = split_free_text(text, required, excluded);
  return {rc, text, required, excluded};
}

TEST(FreeTextScanner, TakesOperatorsOutOfTheText) {
  const struct {
    const char* in;
    const char* text;
    const char* required;
    const char* excluded;
  } cases[] = {
      {"+cat -dog mouse", " cat      mouse", "cat;", "dog;"},
      {"-\"big dog\" cat", "           cat", "", "big dog;"},
      {"+\"big dog\"", "  big dog ", "big dog;", ""},
      {"\"big dog\" cat", " big dog  cat", "", ""},
      {"\"a -b +c\"", " a -b +c ", "", ""},  // marks inside a phrase are text
      {"e-mail", "e-mail", "", ""},
      {"a++", "a++", "", ""},
      {"x+y", "x+y", "", ""},
      {"+a", " a", "", ""},
      {"-a", " a", "", ""},
      {"+", " ", "", ""},
      {"a + b -", "a   b  ", "", ""},
      {"x -dog", "x     ", "", "dog;"},
      {"--x", "   ", "", "-x;"},
      {"+cat +cat", " cat  cat", "cat;cat;", ""},
      {"+\"\"", "   ", "", ""},
      {"\"\"", "  ", "", ""},
      {"\" lone", "  lone", "", ""},
      {"\"a\" \"b\"", " a   b ", "", ""},
      {"a\"b", "a\"b", "", ""},       // after a letter: an ordinary character
      {"a+\"b c\"", "a+ b c ", "", ""},  // "+" inside a word still opens a phrase
      {"-\"x\"", "  x ", "", ""},      // a one-character phrase is not listed
      {"", "", "", ""},
  };
  for (const auto& c : cases) {
    Scan s = scan(c.in);
    EXPECT_EQ(s.rc, kScanOk) << c.in;
    EXPECT_EQ(s.text, c.text) << c.in;
    EXPECT_EQ(s.required, c.required) << c.in;
    EXPECT_EQ(s.excluded, c.excluded) << c.in;
  }
}

TEST(FreeTextScanner, UnterminatedPhraseLeavesTheTextAsItWas) {
  for (const char* in : {"say \"hello", "\"open", "+\"big dog", "-\"x", "+cat \"y", "+\""}) {
    Scan s = scan(in);
    EXPECT_EQ(s.rc, kScanUnterminatedPhrase) << in;
    EXPECT_EQ(s.text, in) << in;
  }
}

TEST(FreeTextScanner, ListsOfTheLongestTextFitTheirBuffers) {
  Scan one = scan("+" + std::string(1022, 'x'));
  EXPECT_EQ(one.required, std::string(1022, 'x') + ";");

  std::string many;
  while (many.size() + 4 <= 1023) many += "-ab ";
  Scan s = scan(many);
  EXPECT_EQ(s.excluded.size(), many.size() / 4 * 3);
  EXPECT_EQ(s.text, std::string(many.size(), ' '));
}

}  // namespace
}  // namespace zeb
