#include "results/result_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/data_stream.h"
#include "results/results_fixtures.h"
#include "support/scripted_engine.h"

namespace zeb {
namespace {

using testing::AnswerStream;
using testing::engine;
using testing::PageCapture;
using testing::ResultAnswer;
using testing::TempDir;

const std::string kOpen = "<table border=0 cellpadding=8 cellspacing=0>\n";
const std::string kClose = "</table>\n";

class ResultTable : public ::testing::Test {
 protected:
  void SetUp() override {
    engine().reset();
    setenv("ZEBINSTSRV", dir_.path().c_str(), 1);
    table("\"DOCS\",\"/srv/docs\",\"\"\n"
          "\"WEB\",\"http://h/w/\",\"\"\n"
          "\"SAFE\",\"https://h/s/\",\"\"\n"
          "\"WIN\",\"C:\\docs\",\"\"\n"
          "\"NOLOC\",\"\",\"\"");
    select({"DOCS", "WEB"});
    request_.session = 1;
    request_.result_list = 400;
    request_.request_buffer = static_cast<unsigned char*>(malloc(kRequestBufferSize));
    for (int level = 0; level < 5; ++level)
      snprintf(request_.star_tags[level], kStarTagSize, "<img %d>", level + 1);
  }
  void TearDown() override {
    free(request_.request_buffer);
    unsetenv("ZEBINSTSRV");
    engine().reset();
  }

  void table(const std::string& text) { dir_.write("INSTANCE/help/DATA/ZEBMAP.DAT", text); }
  void select(std::vector<std::string> names) {
    names_ = std::move(names);
    request_.index_count = static_cast<int32_t>(names_.size());
    // "" stands for an index that failed to open: its slot has no name.
    for (size_t i = 0; i < names_.size(); ++i)
      request_.indexes[i].name = names_[i].empty() ? nullptr : names_[i].data();
  }
  void ranked_percent() {
    request_.rank = true;
    request_.free_text_flag = true;
  }
  void stripes() {
    request_.stripes = true;
    snprintf(request_.odd_stripes, kStripeSize, "#ODD");
    snprintf(request_.even_stripes, kStripeSize, "#EVEN");
  }
  // The table without its opening and closing lines.
  std::string rows() {
    PageCapture page;
    write_result_table(request_, page.out());
    std::string text = page.text();
    EXPECT_EQ(text.substr(0, kOpen.size()), kOpen);
    EXPECT_GE(text.size(), kOpen.size() + kClose.size());
    EXPECT_EQ(text.substr(text.size() - kClose.size()), kClose);
    return text.substr(kOpen.size(), text.size() - kOpen.size() - kClose.size());
  }
  int fetches() const { return engine().count("KSVGETRESULTLIST"); }
  static int count_of(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }

  TempDir dir_;
  SearchRequest request_;
  std::vector<std::string> names_;
};

// Entries "dN.html;Title N" of the first index, ranked 50 percent.
AnswerStream entries(int first, int count) {
  AnswerStream answer;
  for (int n = first; n < first + count; ++n)
    answer.entry("d" + std::to_string(n) + ".html;Title " + std::to_string(n), "DOCS", 50.0f);
  return answer;
}

TEST_F(ResultTable, RankedRowsInPercentMode) {
  ranked_percent();
  engine().result_answers(
      {{0, AnswerStream()
               .entry("a/b.html;Guide B", "DOCS", 89.9f)
               .entry("c.html;Page C", "WEB", 90.0f)
               .bytes()}});
  EXPECT_EQ(rows(),
            "<p><tr><td><img 4>\n<td> <A HREF=\"file:///srv/docs/a/b.html\">"
            "<b>Guide B</b></A>\n<br>(0.8990)<br>\n"
            "<p><tr><td><img 5>\n<td> <A HREF=\"http://h/w/c.html\">"
            "<b>Page C</b></A>\n<br>(0.9000)<br>\n");
  ASSERT_EQ(fetches(), 1);
  EXPECT_EQ(engine().find("KSVGETRESULTLIST")->handles, (std::vector<uint32_t>{1, 400}));
  EXPECT_EQ(request_.request_buffer, nullptr);  // released before the fetch
}

TEST_F(ResultTable, FractionModeComparesInDoublePrecision) {
  request_.rank = true;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  engine().result_answers({{0, AnswerStream()
                                   .entry("a;A", "DOCS", 0.9f)
                                   .entry("b;B", "DOCS", 0.4f)
                                   .entry("c;C", "DOCS", 0.19f)
                                   .entry("d;D", "DOCS", nan)
                                   .bytes()}});
  const std::string text = rows();
  EXPECT_NE(text.find("<td><img 4>\n<td> <A HREF=\"file:///srv/docs/a\"><b>A</b></A>\n<br>(0.9000)"),
            std::string::npos) << text;
  EXPECT_NE(text.find("<td><img 3>\n<td> <A HREF=\"file:///srv/docs/b\"><b>B</b></A>\n<br>(0.4000)"),
            std::string::npos) << text;
  EXPECT_NE(text.find("<td><img 1>\n<td> <A HREF=\"file:///srv/docs/c\"><b>C</b></A>\n<br>(0.1900)"),
            std::string::npos) << text;
  EXPECT_NE(text.find("<td><img 1>\n<td> <A HREF=\"file:///srv/docs/d\"><b>D</b></A>\n<br>( nan)"),
            std::string::npos) << text;
}

TEST_F(ResultTable, StripesAlternateAcrossAnswers) {
  ranked_percent();
  stripes();
  engine().result_answers({{1, entries(1, 2).bytes()}, {0, entries(3, 1).bytes()}});
  const std::string text = rows();
  EXPECT_EQ(fetches(), 2);
  const size_t first = text.find("<p><tr BGCOLOR=\"#ODD\"><td><img 3>\n<td>");
  const size_t second = text.find("<p><tr BGCOLOR=\"#EVEN\"><td><img 3>\n<td>");
  const size_t third = text.find("<p><tr BGCOLOR=\"#ODD\">", first + 1);
  ASSERT_NE(first, std::string::npos) << text;
  EXPECT_LT(first, second);
  EXPECT_LT(second, third);
  EXPECT_NE(third, std::string::npos);
  EXPECT_NE(text.find("<b>Title 3</b>", third), std::string::npos);
}

TEST_F(ResultTable, UnrankedRowsAreNumberedWithoutStarOrColour) {
  stripes();
  engine().result_answers(
      {{1, AnswerStream().entry("a.html;A", "DOCS").entry("b.html;B", "WEB").bytes()},
       {0, AnswerStream().entry("c.html;C", "DOCS").bytes()}});
  EXPECT_EQ(rows(),
            "<p><tr><td>1<td> <A HREF=\"file:///srv/docs/a.html\"><b>A</b></A>\n<br>(0.0000)<br>\n"
            "<p><tr><td>2<td> <A HREF=\"http://h/w/b.html\"><b>B</b></A>\n<br>(0.0000)<br>\n"
            "<p><tr><td>3<td> <A HREF=\"file:///srv/docs/c.html\"><b>C</b></A>\n<br>(0.0000)<br>\n");
}

TEST_F(ResultTable, TheLimitEndsTheRowsAndTheFetching) {
  ranked_percent();
  request_.result_limit = 10;
  // 25 entries in three answers; the 10th is in the second.
  engine().result_answers({{1, entries(1, 8).bytes()},
                           {1, entries(9, 8).bytes()},
                           {0, entries(17, 9).bytes()}});
  const std::string text = rows();
  EXPECT_EQ(count_of(text, "<p><tr>"), 10);
  EXPECT_NE(text.find("Title 10<"), std::string::npos);
  EXPECT_EQ(text.find("Title 11<"), std::string::npos);
  EXPECT_EQ(fetches(), 2);
}

TEST_F(ResultTable, TheLimitReachedAtTheEndOfAnAnswerFetchesNoMore) {
  ranked_percent();
  request_.result_limit = 10;
  engine().result_answers({{1, entries(1, 10).bytes()}, {0, entries(11, 5).bytes()}});
  EXPECT_EQ(count_of(rows(), "<p><tr>"), 10);
  EXPECT_EQ(fetches(), 1);
}

TEST_F(ResultTable, AnUnrankedEntrySplitAcrossAnswersStillGetsItsRow) {
  request_.result_limit = 2;
  engine().result_answers(
      {{1, AnswerStream().entry("a;A", "DOCS").document("b;B").bytes()},
       {1, AnswerStream().index("DOCS").entry("c;C", "DOCS").bytes()},
       {0, AnswerStream().entry("d;D", "DOCS").bytes()}});
  const std::string text = rows();
  EXPECT_EQ(count_of(text, "<p><tr>"), 2);
  EXPECT_NE(text.find("<td>2<td> <A HREF=\"file:///srv/docs/b\"><b>B</b>"), std::string::npos);
  EXPECT_EQ(fetches(), 2);
}

TEST_F(ResultTable, BelowTheLimitEveryAnswerIsFetched) {
  ranked_percent();
  request_.result_limit = 50;
  engine().result_answers({{1, entries(1, 8).bytes()},
                           {1, entries(9, 8).bytes()},
                           {0, entries(17, 9).bytes()}});
  EXPECT_EQ(count_of(rows(), "<p><tr>"), 25);
  EXPECT_EQ(fetches(), 3);
}

TEST_F(ResultTable, LimitZeroWritesAnEmptyTable) {
  ranked_percent();
  request_.result_limit = 0;
  engine().result_answers({{1, entries(1, 5).bytes()}, {0, entries(6, 5).bytes()}});
  EXPECT_EQ(rows(), "");
  EXPECT_EQ(fetches(), 1);
}

TEST_F(ResultTable, IdentifiersWithoutOrWithSeveralSemicolons) {
  ranked_percent();
  engine().result_answers({{0, AnswerStream()
                                   .entry("plain/doc.txt", "DOCS", 99.0f)
                                   .entry("a.html;Part 1; Part 2", "DOCS", 95.0f)
                                   .bytes()}});
  EXPECT_EQ(rows(),
            "<p><tr><td><img 1><td> <A HREF=\"file:///srv/docs/plain/doc.txt\">"
            "<b>plain/doc.txt</b></A>\n"
            "<p><tr><td><img 5>\n<td> <A HREF=\"file:///srv/docs/a.html\">"
            "<b>Part 1; Part 2</b></A>\n<br>(0.9500)<br>\n");
}

TEST_F(ResultTable, AnUnknownIndexNameKeepsThePreviousLocation) {
  select({"DOCS", "", "WEB"});  // the second failed to open
  engine().result_answers({{0, AnswerStream()
                                   .entry("a;A", "docs")
                                   .entry("b;B", "WEB")
                                   .entry("c;C", "docs")
                                   .entry("d;D", "")
                                   .entry("e;E", "WEBWEBWEBWEBWEB")
                                   .bytes()}});
  const std::string text = rows();
  EXPECT_NE(text.find("HREF=\"file:///\\a\""), std::string::npos) << text;
  EXPECT_NE(text.find("HREF=\"http://h/w/b\""), std::string::npos) << text;
  EXPECT_NE(text.find("HREF=\"http://h/w/c\""), std::string::npos) << text;
  EXPECT_NE(text.find("HREF=\"http://h/w/d\""), std::string::npos) << text;
  EXPECT_NE(text.find("HREF=\"http://h/w/e\""), std::string::npos) << text;
}

TEST_F(ResultTable, LinksForEveryKindOfLocation) {
  select({"DOCS", "WEB", "SAFE", "WIN", "NOLOC", "NONE"});
  engine().result_answers({{0, AnswerStream()
                                   .entry("a/1.html;1", "DOCS")
                                   .entry("a/2.html;2", "WEB")
                                   .entry("a/3.html;3", "SAFE")
                                   .entry("a\\4.html;4", "WIN")
                                   .entry("a/5.html;5", "NOLOC")
                                   .entry("a/6.html;6", "NONE")
                                   .bytes()}});
  const std::string text = rows();
  EXPECT_EQ(text.find("<br>Vant message: NONE, no entry for index found in look-up table \n"), 0u)
      << text;
  for (const char* link : {"file:///srv/docs/a/1.html", "http://h/w/a/2.html",
                           "https://h/s/a/3.html", "file:///C:\\docs\\a%5C4.html",
                           "file:///\\a/5.html", "file:///\\a/6.html"}) {
    EXPECT_NE(text.find(std::string("HREF=\"") + link + "\""), std::string::npos) << link;
  }
}

TEST_F(ResultTable, AMissingLookUpTableStillListsTheResults) {
  setenv("ZEBINSTSRV", (dir_.path() + "/elsewhere").c_str(), 1);
  engine().result_answers({{0, AnswerStream().entry("a;A", "DOCS").bytes()}});
  EXPECT_EQ(rows(),
            "<br>Vant message: could not open look-up table.\n"
            "<p><tr><td>1<td> <A HREF=\"file:///\\a\"><b>A</b></A>\n<br>(0.0000)<br>\n");
}

TEST_F(ResultTable, AFailedFetchKeepsTheRowsAndReportsTheCode) {
  engine().result_answers({{1, AnswerStream().entry("a;A", "DOCS").bytes()}});
  engine().on("KSVGETRESULTLIST").code(25);
  EXPECT_EQ(rows(),
            "<p><tr><td>1<td> <A HREF=\"file:///srv/docs/a\"><b>A</b></A>\n<br>(0.0000)<br>\n"
            "<p>Vant message: An incorrect handle has been specified. (rc=25)\n");
  EXPECT_EQ(fetches(), 2);
}

TEST_F(ResultTable, AnAnswerThatSaysMoreButBringsNothingEndsTheWalk) {
  request_.rank = true;
  std::vector<testing::ResultAnswer> answers = {{1, entries(1, 1).bytes()}};
  for (int i = 0; i < 1000; ++i) answers.push_back({1, {}});
  answers.push_back({0, entries(2, 1).bytes()});
  engine().result_answers(answers);
  EXPECT_EQ(count_of(rows(), "<tr>"), 1);
  EXPECT_EQ(fetches(), 4);  // the entry's answer, then three that bring none
}

TEST_F(ResultTable, AnEntrySpreadOverThreeAnswersStillGivesItsRow) {
  request_.rank = true;
  // Item 106, then item 60, then item 536, each in an answer of its own.
  engine().result_answers({{1, AnswerStream().document("a;A").bytes()},
                           {1, AnswerStream().index("DOCS").bytes()},
                           {1, AnswerStream().rank(0.5f).bytes()},
                           {0, entries(2, 1).bytes()}});
  EXPECT_EQ(count_of(rows(), "<tr>"), 2);
  EXPECT_EQ(fetches(), 4);
}

TEST_F(ResultTable, TitlesPathsAndLinksAreEscaped) {
  table("\"DOCS\",\"http://h/?a=1&b=\\\"\",\"\"");
  select({"DOCS"});
  ranked_percent();
  stripes();
  snprintf(request_.odd_stripes, kStripeSize, "\"><x>");
  engine().result_answers({{0, AnswerStream()
                                   .entry("p<1>.html;<script>alert(1)</script>", "DOCS", 50.0f)
                                   .entry("q&\"2\".html", "DOCS", 50.0f)
                                   .bytes()}});
  EXPECT_EQ(rows(),
            "<p><tr BGCOLOR=\"&quot;&gt;&lt;x&gt;\"><td><img 3>\n"
            "<td> <A HREF=\"http://h/?a=1&amp;b=\\&quot;p%3C1%3E.html\">"
            "<b>&lt;script&gt;alert(1)&lt;/script&gt;</b></A>\n<br>(0.5000)<br>\n"
            "<p><tr><td><img 1><td> <A HREF=\"http://h/?a=1&amp;b=\\&quot;q&amp;%222%22.html\">"
            "<b>q&amp;&quot;2&quot;.html</b></A>\n");
}

TEST_F(ResultTable, OverlongItemsAreCutAndBrokenItemsEndTheAnswer) {
  const std::string long_title(2000, 't');
  AnswerStream answer;
  answer.entry("a;" + long_title, "DOCS");
  // An item claiming more bytes than the answer holds.
  answer.raw(testing::hex({0x00, 0x40, 0x00, 0x6A, 0xC1, 'x'}));
  engine().result_answers({{0, answer.bytes()}});
  const std::string text = rows();
  EXPECT_EQ(count_of(text, "<p><tr>"), 1);
  EXPECT_NE(text.find("<b>" + long_title.substr(0, 1021) + "</b>"), std::string::npos);
  EXPECT_EQ(text.find(long_title.substr(0, 1022)), std::string::npos);
}

}  // namespace
}  // namespace zeb
