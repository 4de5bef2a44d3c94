#include "query/request_echo.h"

#include <gtest/gtest.h>

#include <string>

#include "cgi/cgi_test_support.h"
#include "cgi/star_images.h"

namespace zeb {
namespace {

std::string echo(const SearchRequest& request) {
  testing::PageSink page;
  echo_search_request(request, page.out());
  return page.text();
}

void add_term(SearchRequest& r, const char* text, uint16_t connector) {
  r.connectors[r.term_count] = connector;
  r.terms[r.term_count++] = text;
  r.terms_flag = true;
}

const std::string kBareLegend =
    "<font size=-2><p><strong>Rank:</strong> = good match,  = poor match\n</font>";

TEST(RequestEcho, TermsWithTheirConnectorWords) {
  SearchRequest r;
  add_term(r, "cat", kConnectorNone);
  add_term(r, "dog", kConnectorOr);
  add_term(r, "bird", kConnectorAnd);
  add_term(r, "fish", kConnectorNot);
  EXPECT_EQ(echo(r),
            "<p>Search request:\n<strong>\"<STRONG>cat</STRONG> OR <STRONG>dog</STRONG> "
            "AND <STRONG>bird</STRONG> AND_NOT <STRONG>fish</STRONG> \"</strong>\n<hr>");

  SearchRequest first;
  add_term(first, "dog", kConnectorNot);
  first.leading_not = true;
  EXPECT_EQ(echo(first),
            "<p>Search request:\n<strong>\"AND_NOT <STRONG>dog</STRONG> \"</strong>\n<hr>");
}

TEST(RequestEcho, FreeTextWithQualifiersAndTheLegend) {
  SearchRequest r;
  set_star_image(r, 5, "best.gif");
  set_star_image(r, 1, "poor.gif");
  set_star_image(r, 3, "mid.gif");
  snprintf(r.free_text, sizeof r.free_text, "%s", "hello world");
  r.free_text_flag = true;
  add_term(r, "cat", kConnectorOr);
  EXPECT_EQ(echo(r),
            "<p>Search request: \"<STRONG>hello world</STRONG>\"\n"
            "<br>&nbsp;&nbsp;  additonal qualifiers: "
            "<strong>\"OR <STRONG>cat</STRONG> \"</strong>\n"
            "<font size=-2><p><strong>Rank:</strong>"
            "<img src=\"/icons/best.gif\" alt=\"*****\"> = good match, "
            "<img src=\"/icons/poor.gif\" alt=\"*\"> = poor match\n</font><hr>");
}

TEST(RequestEcho, NewSearchTextIsEchoedOnceAsTyped) {
  SearchRequest r;
  snprintf(r.free_text_echo, sizeof r.free_text_echo, "%s", "+cat -dog mouse");
  snprintf(r.free_text, sizeof r.free_text, "%s", " cat      mouse");
  r.new_free_text_flag = r.free_text_flag = true;
  add_term(r, "cat", kConnectorNone);
  add_term(r, "dog", kConnectorNot);
  EXPECT_EQ(echo(r), "<p>Search request: \"<STRONG>+cat -dog mouse</STRONG>\"\n\n" + kBareLegend +
                         "<hr>");
}

TEST(RequestEcho, LegendFollowsTheRankFlagOrFreeText) {
  SearchRequest ranked;
  add_term(ranked, "x", kConnectorNone);
  ranked.rank = true;
  EXPECT_EQ(echo(ranked), "<p>Search request:\n<strong>\"<STRONG>x</STRONG> \"</strong>\n" +
                              kBareLegend + "<hr>");
  EXPECT_EQ(echo(SearchRequest{}), "\n<hr>");
}

TEST(RequestEcho, FormTextIsEscaped) {
  SearchRequest r;
  snprintf(r.free_text, sizeof r.free_text, "%s", "<b>\"bold\" & co</b>");
  r.free_text_flag = true;
  add_term(r, "<i>", kConnectorNone);
  set_star_image(r, 5, "\"><script>");
  EXPECT_EQ(echo(r),
            "<p>Search request: \"<STRONG>&lt;b&gt;&quot;bold&quot; &amp; co&lt;/b&gt;</STRONG>\"\n"
            "<br>&nbsp;&nbsp;  additonal qualifiers: "
            "<strong>\"<STRONG>&lt;i&gt;</STRONG> \"</strong>\n"
            "<font size=-2><p><strong>Rank:</strong>"
            "<img src=\"/icons/&quot;&gt;&lt;script&gt;\" alt=\"*****\"> = good match,  = poor match\n"
            "</font><hr>");

  SearchRequest typed;
  snprintf(typed.free_text_echo, sizeof typed.free_text_echo, "%s", "+\"a&b\" <x>");
  typed.new_free_text_flag = true;
  EXPECT_EQ(echo(typed), "<p>Search request: \"<STRONG>+&quot;a&amp;b&quot; &lt;x&gt;</STRONG>\"\n\n<hr>");
}

}  // namespace
}  // namespace zeb
