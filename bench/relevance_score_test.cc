#include "relevance_score.h"

#include <gtest/gtest.h>

namespace zeb::bench {
namespace {

TEST(RelevanceScore, FirstRelevantRankCountsTheFirstTenOnly) {
  const std::vector<std::string> relevant = {"b.html", "z.html"};
  EXPECT_EQ(first_relevant_rank({"b.html", "z.html"}, relevant), 1u);
  EXPECT_EQ(first_relevant_rank({"a.html", "c.html", "z.html"}, relevant), 3u);
  EXPECT_EQ(first_relevant_rank({}, relevant), 0u);
  std::vector<std::string> listed(kJudgedDepth, "a.html");
  listed.push_back("b.html");
  EXPECT_EQ(first_relevant_rank(listed, relevant), 0u);
  listed[kJudgedDepth - 1] = "z.html";
  EXPECT_EQ(first_relevant_rank(listed, relevant), kJudgedDepth);
}

TEST(RelevanceScore, FiguresOverASetOfQueries) {
  const RelevanceFigures f = summarize_ranks({1, 2, 0, 10});
  EXPECT_EQ(f.queries, 4u);
  EXPECT_DOUBLE_EQ(f.success_at_1, 0.25);
  EXPECT_DOUBLE_EQ(f.success_at_10, 0.75);
  EXPECT_DOUBLE_EQ(f.mrr_at_10, (1 + 0.5 + 0.1) / 4);
  EXPECT_EQ(summarize_ranks({}).queries, 0u);
  EXPECT_DOUBLE_EQ(summarize_ranks({11}).success_at_10, 0);
}

TEST(RelevanceScore, ListedDocumentsAreTheLinksUnderThePrefixInOrder) {
  const std::string page =
      "<A HREF=\"/other/x.html\">no</A>"
      "<A HREF=\"file:///docs/b.html\"><b>B</b></A>"
      "<A HREF=\"file:///docs/sub/a.html#part\">A</A>"
      "<A HREF=\"file:///docs/unterminated";
  EXPECT_EQ(listed_documents(page, "file:///docs/"),
            (std::vector<std::string>{"b.html", "sub/a.html"}));
  // Rows with excerpts: the fragment, and whether the row's excerpt marks.
  const std::string rows_page =
      "<tr><td><A HREF=\"file:///docs/a.html#S1\"><b>A</b></A>"
      "<br><span class=\"zebexcerpt\">a <mark>b</mark></span>"
      "<tr><td><A HREF=\"file:///docs/b.html\"><b>B</b></A><br><span>no marks</span>";
  const std::vector<ListedRow> rows = listed_rows(rows_page, "file:///docs/");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].document + "|" + rows[0].fragment, "a.html|S1");
  EXPECT_TRUE(rows[0].marked);
  EXPECT_EQ(rows[1].document + "|" + rows[1].fragment, "b.html|");
  EXPECT_FALSE(rows[1].marked);
}

}  // namespace
}  // namespace zeb::bench
