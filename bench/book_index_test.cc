#include "book_index.h"

#include <gtest/gtest.h>

namespace zeb::bench {
namespace {

// The shape of a DocBook book index page, cut down.
constexpr const char* kIndexPage =
    "<html><body><div class=\"index\"><div class=\"indexdiv\"><h3>A</h3><dl>"
    "<dt id=\"e1\">ALTER DOMAIN, <a class=\"indexterm\" href=\"sql-alterdomain.html\">"
    "ALTER DOMAIN</a>, <a class=\"indexterm\" href=\"ddl.html#DDL-X\">Data</a>, "
    "<a class=\"indexterm\" href=\"sql-alterdomain.html#ALTER\">again</a></dt>"
    "<dt id=\"e2\">autocommit</dt><dd><dl>"
    "<dt>psql, <a class=\"indexterm\" href=\"app-psql.html\">psql</a></dt></dl></dd>"
    "<dt id=\"e3\">auto-increment (see <a href=\"#e9\">serial</a>)</dt>"
    "<dt id=\"e4\">a b c d e, <a class=\"indexterm\" href=\"five.html\">x</a></dt>"
    "<dt id=\"e5\">&lt;@ &amp; &#x41;, <a class=\"indexterm\" href=\"ops.html\">x</a></dt>"
    "<dt id=\"e6\">wal_level configuration parameter, "
    "<a class=\"indexterm\" href=\"runtime-config-wal.html#GUC\">x</a></dt>"
    "</dl></div></div></body></html>";

TEST(BookIndex, TopLevelEntriesWithTheirPagesWithoutFragments) {
  const std::vector<Judgement> judgements = read_book_index(kIndexPage);
  ASSERT_EQ(judgements.size(), 3u);
  EXPECT_EQ(judgements[0].query, "ALTER DOMAIN");
  EXPECT_EQ(judgements[0].pages, (std::vector<std::string>{"sql-alterdomain.html", "ddl.html"}));
  // The fragment of each page's first link: none, then DDL-X.
  EXPECT_EQ(judgements[0].fragments, (std::vector<std::string>{"", "DDL-X"}));
  EXPECT_EQ(judgements[1].query, "<@ & A");  // references decoded
  EXPECT_EQ(judgements[1].pages, (std::vector<std::string>{"ops.html"}));
  EXPECT_EQ(judgements[2].query, "wal_level configuration parameter");
  EXPECT_EQ(judgements[2].pages, (std::vector<std::string>{"runtime-config-wal.html"}));
}

TEST(BookIndex, EntriesWithoutPagesOrWithTooManyWordsAreNoJudgements) {
  // "autocommit" links only through its sub-entries, "auto-increment" only to
  // another entry, "a b c d e" has five words.
  for (const Judgement& judgement : read_book_index(kIndexPage)) {
    EXPECT_NE(judgement.query, "autocommit");
    EXPECT_NE(judgement.query, "psql");
    EXPECT_NE(judgement.query.substr(0, 4), "auto");
    EXPECT_NE(judgement.query, "a b c d e");
  }
  EXPECT_TRUE(read_book_index("").empty());
  EXPECT_TRUE(read_book_index("<dl><dt>cut off, <a class=\"indexterm\" href=\"x.html\"").empty());
}

}  // namespace
}  // namespace zeb::bench
