// The headings and names zebadm takes from HTML documents, which the
// ranking weighs above running text.
#include "admin/html_fields.h"

#include <gtest/gtest.h>

#include "admin/html_extract.h"

namespace zeb::admin {
namespace {

using Texts = std::vector<std::string>;

ExtractedDocument html(const std::string& bytes) {
  ExtractedDocument doc;
  extract_html(bytes, doc);
  return doc;
}

TEST(HtmlFields, HeadingsAndDefinedTermsAreHeadings) {
  const auto doc = html(
      "<title>T</title><h1>Data  Types</h1><p>body</p><h2 class=x>Numeric <i>Types</i></h2>"
      "<h3>Money</h3><h4>detail</h4><h5>finer</h5>"
      "<dl><dt>work_mem (integer)</dt><dd>Sets memory</dd><dt>unclosed term<dd>its text</dl>");
  EXPECT_EQ(doc.headings,
            (Texts{"Data Types", "Numeric Types", "Money", "work_mem (integer)", "unclosed term"}));
  EXPECT_EQ(collapse_blanks(doc.text, 1000),
            "Data Types body Numeric Types Money detail finer work_mem (integer) Sets memory "
            "unclosed term its text");
}

TEST(HtmlFields, TableHeadersRowLabelsAndCodeAreNames) {
  const auto doc = html(
      "<table><tr><th>Function</th><th>Result</th></tr>"
      "<tr><td>abs(x)</td><td>absolute value</td></tr>"
      "<tr><td>sqrt<td>square root</tr></table>"
      "<p>Call <code>lower</code> or <kbd>psql</kbd>, <samp>ok</samp>, <tt>tt</tt>, "
      "<var>n</var>.</p><table><tr><th><code>x</code> and y</th></tr></table>");
  EXPECT_EQ(doc.names, (Texts{"Function", "Result", "abs(x)", "sqrt", "lower", "psql", "ok",
                              "tt", "n", "x", "x and y"}));
  EXPECT_TRUE(doc.headings.empty());
}

TEST(HtmlFields, AFieldLeftOpenEndsAtTheNextOfItsKindOrTheEnd) {
  const auto doc = html("<h1>First<p>more<h2>Second</h2><p>after<code>open to the end");
  EXPECT_EQ(doc.headings, (Texts{"First more", "Second"}));
  EXPECT_EQ(doc.names, (Texts{"open to the end"}));
  // Empty fields are no fields.
  EXPECT_TRUE(html("<h1> </h1><code></code><table><tr><td></td></tr></table>").headings.empty());
}

TEST(HtmlFields, LongFieldsAreCutAfterTheirLastWholeWord) {
  const std::string word = "abcdefghi ";  // ten bytes
  std::string many;
  for (int i = 0; i < 30; ++i) many += word;
  const auto doc = html("<h1>" + many + "</h1>");
  ASSERT_EQ(doc.headings.size(), 1u);
  EXPECT_EQ(doc.headings[0].size(), kMaxFieldBytes - 1);  // 25 words, no blank at the end
  EXPECT_EQ(doc.headings[0].substr(doc.headings[0].size() - 9), "abcdefghi");

  EXPECT_EQ(field_text("  two  words  ", true), "two words");
  EXPECT_EQ(field_text("two words", false), "two");  // the last word may go on
  EXPECT_EQ(field_text("one", false), "");
  // A cut inside a character drops the whole word.
  const std::string wide = std::string(kMaxFieldBytes - 1, 'a') + " \xC3\xA9t\xC3\xA9";
  EXPECT_EQ(field_text(wide, true), std::string(kMaxFieldBytes - 1, 'a'));
  // An unclosed heading in a long document reads only the start of it.
  const auto long_doc = html("<h1>" + std::string(100000, 'x') + " tail");
  EXPECT_TRUE(long_doc.headings.empty());  // its one word does not end in what is read
}

}  // namespace
}  // namespace zeb::admin
