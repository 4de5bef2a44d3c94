#include "query/spelling_display.h"

#include <gtest/gtest.h>

#include <string>

#include "cgi/cgi_test_support.h"
#include "support/spelling_files.h"

namespace zeb {
namespace {

using testing::Image;

std::string row(const std::string& variant, const std::string& index = "DOCS") {
  return "<tr><td><img src=\"/icons/greenbull.gif\" alt=\"*\" >  <td>" + variant +
         "\n<td><A HREF=\"searchit?" + index + "?" + variant + "\">find me</a>";
}

std::string table(const std::string& word, std::initializer_list<std::string> rows) {
  std::string out = "<p>The following misspellings were found for <strong>" + word +
                    "</strong>:\n\n<table>\n";
  for (const std::string& r : rows) out += r;
  return out + "</table>\n";
}

std::string show(const Image& image, const char* text, const char* index = "DOCS") {
  testing::PageSink page;
  show_spelling_variants(image.data(), image.size(), text, index, page.out());
  return page.text();
}

TEST(SpellingDisplay, ColorGivesTwoRowsWithLinks) {
  const Image image(testing::sample_spelling_file());
  EXPECT_EQ(show(image, "color"), table("color", {row("colour"), row("kolor")}));
  EXPECT_EQ(show(image, "Color"), "");
  EXPECT_EQ(show(image, "colors"), "");
}

TEST(SpellingDisplay, TextIsSplitAtSingleBlanks) {
  const Image image(testing::spelling_file(
      {{"big", {"bigg"}}, {"dog", {"dgo", "doog", "dogg"}}}));
  EXPECT_EQ(show(image, "big dog"),
            table("big", {row("bigg")}) + table("dog", {row("dgo"), row("doog"), row("dogg")}));
  // Runs of blanks give empty words, which find nothing.
  EXPECT_EQ(show(image, "  dog   big "), table("dog", {row("dgo"), row("doog"), row("dogg")}) +
                                              table("big", {row("bigg")}));
  EXPECT_EQ(show(image, ""), "");
  EXPECT_EQ(show(image, "bigdog"), "");
}

TEST(SpellingDisplay, EmptyWordIsLookedUpToo) {
  const Image image(testing::spelling_file({{"", {"blank"}}, {"x", {"y"}}}));
  EXPECT_EQ(show(image, ""), table("", {row("blank")}));
  EXPECT_EQ(show(image, "x "), table("x", {row("y")}));  // no word after a final blank
  EXPECT_EQ(show(image, " x"), table("", {row("blank")}) + table("x", {row("y")}));
}

TEST(SpellingDisplay, WordsVariantsAndIndexAreEscaped) {
  const Image image(testing::spelling_file({{"<b>", {"a&b", "\"q\""}}}));
  EXPECT_EQ(show(image, "<b>", "I<1>"),
            table("&lt;b&gt;", {row("a&amp;b", "I&lt;1&gt;"), row("&quot;q&quot;", "I&lt;1&gt;")}));
}

TEST(SpellingDisplay, NoImageShowsNothing) {
  testing::PageSink page;
  show_spelling_variants(nullptr, 0, "color", "DOCS", page.out());
  EXPECT_EQ(page.text(), "");
}

}  // namespace
}  // namespace zeb
