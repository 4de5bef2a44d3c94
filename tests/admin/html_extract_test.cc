#include "admin/html_extract.h"

#include <gtest/gtest.h>

#include "admin/charset.h"
#include "admin/html_entities.h"
#include "admin/text_extract.h"

namespace zeb::admin {
namespace {

ExtractedDocument html(const std::string& bytes) {
  ExtractedDocument doc;
  extract_html(bytes, doc);
  return doc;
}

// The words of a text, blanks collapsed, for comparisons that do not care
// how tags became blanks.
std::string words(const std::string& text) { return collapse_blanks(text, 100000); }

TEST(HtmlEntities, ReferencesDecodeToUtf8) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"a &amp; b", "a & b"},
      {"&lt;tag&gt; &quot;q&quot; &apos;", "<tag> \"q\" '"},
      {"caf&eacute; &Auml;rger na&iuml;ve", "caf\xC3\xA9 \xC3\x84rger na\xC3\xAFve"},
      {"&copy;&nbsp;&euro;&mdash;&hellip;", "\xC2\xA9\xC2\xA0\xE2\x82\xAC\xE2\x80\x94\xE2\x80\xA6"},
      {"&#65;&#x42;&#X43;&#100", "ABCd"},
      {"&#x1F600;", "\xF0\x9F\x98\x80"},
      {"&#150; &#x80;", "\xE2\x80\x93 \xE2\x82\xAC"},  // read as windows-1252
      {"&#0; &#xD800; &#99999999999;", "\xEF\xBF\xBD \xEF\xBF\xBD \xEF\xBF\xBD"},
      {"&unknown; &amp &#; &#x; & alone &", "&unknown; &amp &#; &#x; & alone &"},
      {"&ampx; &AMP;", "&ampx; &AMP;"},
      {"&zwnj;&AElig;&yuml;", "\xE2\x80\x8C\xC3\x86\xC3\xBF"},
  };
  for (const auto& c : cases) EXPECT_EQ(decode_entities(c.in), c.out) << c.in;
}

TEST(HtmlExtract, TitleTextAndKeywords) {
  const auto doc = html(
      "<!DOCTYPE html><html><head>\n"
      "<title>  Tables &amp;\n  Views </title>\n"
      "<meta name=\"Keywords\" content=\"Data Base,  SQL  tables ,, index\">\n"
      "<META NAME=keywords CONTENT='second'>\n"
      "<meta name=\"description\" content=\"not a keyword\">\n"
      "</head><body><h1>Heading</h1><p>First&nbsp;para<br>next line</p>"
      "<table><tr><td>cell1</td><td>cell2</td></tr></table></body></html>");
  EXPECT_EQ(doc.title, "Tables & Views");
  EXPECT_EQ(doc.keywords, (std::vector<std::string>{"Data Base", "SQL tables", "index", "second"}));
  EXPECT_EQ(words(doc.text), "Heading First para next line cell1 cell2");
}

TEST(HtmlExtract, ScriptsStylesAndCommentsAreNotText) {
  const auto doc = html(
      "<html><head><style type=\"text/css\">p { color: red } </p></style>"
      "<script>var s = \"<b>hidden</b>\"; if (a < b) x();</script></head>"
      "<body>shown<!-- a comment with <p>markup</p> -->text"
      "<SCRIPT language=javascript>document.write('no')</SCRIPT >after"
      "<scripture>kept</scripture><? processing ?>end</body></html>");
  EXPECT_EQ(words(doc.text), "shown text after kept end");
}

TEST(HtmlExtract, InlineMarkupJoinsWordsBlockMarkupSeparates) {
  EXPECT_EQ(words(html("<p><b>W</b>ord x<i>y</i>z</p><div>a</div><div>b</div>").text),
            "Word xyz a b");
}

TEST(HtmlExtract, BrokenMarkupLosesNoText) {
  EXPECT_EQ(words(html("a < b and c<d> 5 <").text), "a < b and c 5 <");
  EXPECT_EQ(words(html("<p title=\"unterminated>text").text), "");
  EXPECT_EQ(words(html("x<script>never closed").text), "x");
  // An unclosed title is no title: the rest stays text.
  const auto doc = html("<title>lost <p>body words");
  EXPECT_EQ(doc.title, "");
  EXPECT_EQ(words(doc.text), "lost body words");
}

TEST(HtmlExtract, FirstTitleOnlyAndMarkupInsideIsText) {
  const auto doc = html("<title>One <b>two</b></title><title>Other</title>body");
  EXPECT_EQ(doc.title, "One <b>two</b>");
  EXPECT_EQ(words(doc.text), "body");
}

TEST(HtmlExtract, LongTitlesAreCutAtACharacterBoundary) {
  std::string title;
  for (int i = 0; i < 200; ++i) title += "\xC3\xA9";  // 400 bytes
  const auto doc = html("<title>" + title + "</title>");
  EXPECT_LE(doc.title.size(), kMaxTitleBytes);
  EXPECT_GE(doc.title.size(), kMaxTitleBytes - 1);
  EXPECT_TRUE(is_valid_utf8(doc.title));
}

// A section is kept as "anchor\0heading": NULs of the page must not move
// that border. A browser reads a NUL of an id as U+FFFD and shows none of
// the text.
TEST(HtmlExtract, NulsInAnchorsAndHeadingsKeepTheSectionWhole) {
  using namespace std::string_literals;
  for (const std::string& page :
       {"<h2 id=\"ab\0cd\">Head\0ing one</h2>x"s, "<a name=\"ab\0cd\"></a><h2>Head\0ing one</h2>x"s}) {
    SCOPED_TRACE(page);
    const auto doc = html(page);
    ASSERT_EQ(doc.sections.size(), 1u);
    EXPECT_EQ(doc.sections[0].anchor, "ab\xEF\xBF\xBD" "cd");
    EXPECT_EQ(doc.sections[0].heading, "Head ing one");
  }
}

TEST(HtmlCharset, DeclaredCharsetIsFound) {
  EXPECT_EQ(declared_charset("<meta charset=\"ISO-8859-1\">"), "ISO-8859-1");
  EXPECT_EQ(declared_charset("<head><meta http-equiv=\"Content-Type\" "
                             "content=\"text/html; charset=windows-1252\"></head>"),
            "windows-1252");
  EXPECT_EQ(declared_charset("<META HTTP-EQUIV=content-type CONTENT='text/html;charset=koi8-r'>"),
            "koi8-r");
  EXPECT_EQ(declared_charset("<meta name=\"x\" content=\"charset=utf-8\">"), "");
  EXPECT_EQ(declared_charset("<body><meta charset=\"utf-8\">"), "");
  EXPECT_EQ(declared_charset("no markup"), "");
}

TEST(HtmlCharset, DocumentsAreReadInTheirCharset) {
  // Latin-1 / windows-1252: e-acute is 0xE9, the euro sign 0x80.
  auto doc = html("<meta charset=iso-8859-1><title>Caf\xE9</title>\x80 na\xEFve");
  EXPECT_EQ(doc.title, "Caf\xC3\xA9");
  EXPECT_EQ(words(doc.text), "\xE2\x82\xAC na\xC3\xAFve");
  // KOI8-R through iconv: 0xC4 0xC1 is "да".
  doc = html("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=KOI8-R\">"
             "<title>\xC4\xC1</title>");
  EXPECT_EQ(doc.title, "\xD0\xB4\xD0\xB0");
  // Declared UTF-8 keeps UTF-8; a stray byte becomes U+FFFD.
  doc = html("<meta charset=\"utf-8\"><title>\xC3\xA9\xFF</title>");
  EXPECT_EQ(doc.title, "\xC3\xA9\xEF\xBF\xBD");
  // Nothing declared: valid UTF-8 stays, anything else is windows-1252.
  EXPECT_EQ(html("<title>\xC3\xA9</title>").title, "\xC3\xA9");
  EXPECT_EQ(html("<title>\xE9t\xE9</title>").title, "\xC3\xA9t\xC3\xA9");
  // A byte order mark wins over the declaration.
  EXPECT_EQ(html("\xEF\xBB\xBF<meta charset=iso-8859-1><title>\xC3\xA9</title>").title,
            "\xC3\xA9");
  // An unknown charset is read as if none had been declared.
  EXPECT_EQ(html("<meta charset=\"no-such-set\"><title>\xE9</title>").title, "\xC3\xA9");
}

TEST(Charset, WhatIconvMakesOfCodePointsBeyondUnicodeIsReplaced) {
  // UCS-4 big-endian 0x7F000000 comes out of iconv as a six-byte sequence.
  EXPECT_EQ(to_utf8(std::string_view("\x7F\0\0\0\0\0\0A", 8), "UCS-4"),
            "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD" "A");
  // UTF-8 read through iconv passes the old five-byte form.
  EXPECT_EQ(to_utf8("\xFB\x9A\x9A\x9A\x9A ok", "utf-8//ignore"),
            "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD ok");
}

TEST(Charset, Utf8ValidityFollowsTheStandard) {
  EXPECT_TRUE(is_valid_utf8("plain \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"));
  for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                          "\xC3", "\x80", "\xFE"})
    EXPECT_FALSE(is_valid_utf8(bad)) << bad;
}

TEST(TextExtract, FirstNonBlankLineIsTheTitle) {
  ExtractedDocument doc;
  extract_text("\n  \r\n   Release   notes \r\nbody text\n", doc);
  EXPECT_EQ(doc.title, "Release notes");
  EXPECT_NE(doc.text.find("body text"), std::string::npos);
  EXPECT_TRUE(doc.keywords.empty());

  extract_text("\xEF\xBB\xBF" "caf\xC3\xA9", doc);
  EXPECT_EQ(doc.title, "caf\xC3\xA9");
  extract_text("caf\xE9", doc);  // not UTF-8: windows-1252
  EXPECT_EQ(doc.title, "caf\xC3\xA9");
  extract_text("", doc);
  EXPECT_EQ(doc.title, "");
}

}  // namespace
}  // namespace zeb::admin
