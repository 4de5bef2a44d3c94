// zebadm report over logs whose counts are known, and zebadm log.
#include "admin/search_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "request/search_log_line.h"
#include "temp_tree.h"
#include "zebadm_runner.h"

namespace zeb {
namespace {

using admin::SearchReport;
using admin::SearchReportBuilder;
using testing_support::run_admin;
using testing_support::TempTree;

// Rotated copy first (older), then the live log. Four lines are not
// understood: a stray line, a day that does not exist, a line longer than
// any search writes, and a torn last line without its line feed.
const char* kRotatedLog =
    "2026-12-01T08:00:00Z\tPGDOC\ttables\t5\t3.000\n"
    "2026-12-01T09:00:00Z\tPGDOC\ttables\t5\t2.500\n"
    "2026-12-01T10:00:00Z\tGITDOC\trebase\t0\t7.250\n"
    "not a line of the log\n";
const std::string kLiveLog =
    "2026-12-03T10:00:00Z\tPGDOC\ttables\t4\t1.000\n"
    "2026-02-30T10:00:00Z\tPGDOC\ttables\t4\t1.000\n"
    "2026-12-03T11:00:00Z\tPGDOC,GITDOC\trebase\t0\t12.000\n" +
    std::string(3000, 'x') + "\n" +
    "2026-12-03T12:00:00Z\t-\t\t-\t0.500\n"
    "2026-12-04T00:00:00Z\tPGDOC\t<script>\"&\t0\t30.125\n"
    "2026-12-04T01:00:00Z\tPG";

std::string days_of(const SearchReport& report) {
  std::string text;
  for (const auto& day : report.days)
    text += day.day + ":" + std::to_string(day.searches) + "/" + std::to_string(day.found_nothing) +
            " ";
  return text;
}

std::string counts_of(const std::vector<admin::QueryCount>& list) {
  std::string text;
  for (const auto& entry : list)
    text += "[" + entry.query + "]" + std::to_string(entry.searches) + " ";
  return text;
}

std::string slowest_of(const SearchReport& report) {
  std::string text;
  for (const auto& search : report.slowest)
    text += std::to_string(search.microseconds) + "[" + search.query + "] ";
  return text;
}

TEST(SearchReport, CountsAKnownLogExactly) {
  TempTree tree;
  const std::string rotated = tree.write("search.log.1", kRotatedLog);
  const std::string live = tree.write("search.log", kLiveLog);
  const struct {
    const char* since;
    uint64_t searches, found_nothing, failed;
    const char* days;
    const char* frequent;
    const char* nothing;
    const char* slowest;
  } cases[] = {
      {"", 7, 3, 1, "2026-12-01:3/1 2026-12-02:0/0 2026-12-03:3/1 2026-12-04:1/1 ",
       "[tables]3 [rebase]2 []1 [<script>\"&]1 ", "[rebase]2 [<script>\"&]1 ",
       "30125[<script>\"&] 12000[rebase] 7250[rebase] 3000[tables] 2500[tables] 1000[tables] "
       "500[] "},
      {"2026-12-03", 4, 2, 1, "2026-12-03:3/1 2026-12-04:1/1 ",
       "[]1 [<script>\"&]1 [rebase]1 [tables]1 ", "[<script>\"&]1 [rebase]1 ",
       "30125[<script>\"&] 12000[rebase] 1000[tables] 500[] "},
      {"2026-12-05", 0, 0, 0, "", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.since);
    SearchReportBuilder builder(c.since);
    ASSERT_TRUE(builder.add_file(rotated));
    ASSERT_TRUE(builder.add_file(live));
    const SearchReport report = builder.finish();
    EXPECT_EQ(report.searches, c.searches);
    EXPECT_EQ(report.found_nothing, c.found_nothing);
    EXPECT_EQ(report.failed, c.failed);
    EXPECT_EQ(report.unreadable_lines, 4u);
    EXPECT_EQ(days_of(report), c.days);
    EXPECT_EQ(counts_of(report.frequent), c.frequent);
    EXPECT_EQ(counts_of(report.nothing_found), c.nothing);
    EXPECT_EQ(slowest_of(report), c.slowest);
  }
}

TEST(SearchReport, ListsKeepTheTopEntriesOfALongLog) {
  // 300 searches in random order: each of q0 to q29 ten times, and the
  // search of line i takes i microseconds.
  std::vector<std::string> lines;
  for (int i = 0; i < 300; ++i) {
    char line[kLogLineSize];
    LogRecord record;
    record.time = 1796000000;
    record.indexes = "I";
    const std::string query = "q" + std::to_string(i % 30);
    record.query = query;
    record.found = 1;
    record.microseconds = static_cast<uint64_t>(i);
    lines.emplace_back(line, format_log_line(line, record) - 1);
  }
  std::shuffle(lines.begin(), lines.end(), std::mt19937(7));
  SearchReportBuilder builder;
  for (const std::string& line : lines) builder.add_line(line);
  const SearchReport report = builder.finish();
  ASSERT_EQ(report.slowest.size(), admin::kReportListLength);
  for (size_t i = 0; i < report.slowest.size(); ++i)
    EXPECT_EQ(report.slowest[i].microseconds, 299 - i);
  ASSERT_EQ(report.frequent.size(), admin::kReportListLength);
  // Every query is searched 10 times: ties go in text order.
  EXPECT_EQ(report.frequent.front().query, "q0");
  EXPECT_EQ(report.frequent.back().query, "q26");  // q0 q1 q10 ... q19 q2 q20 ... q26
  EXPECT_EQ(report.searches, 300u);
}

TEST(ZebadmReport, TurnsTheLogOnAndReportsItAsTextAndAsAPage) {
  TempTree tree;
  const std::string dir = tree.path("site");
  ASSERT_EQ(run_admin({"init", "demo", "--instance", dir}).status, 0);
  EXPECT_EQ(run_admin({"report", "--instance", dir}).status, 1);  // no log yet

  const auto on = run_admin({"log", "on", "--instance", dir});
  ASSERT_EQ(on.status, 0) << on.err;
  EXPECT_EQ(on.out, "search log: on (" + dir + "/logs/search.log)\n");
  EXPECT_TRUE(tree.exists("site/search-log.on"));
  EXPECT_EQ(tree.read("site/logs/search.log"), "");
  tree.write("site/logs/search.log", kLiveLog);
  tree.write("site/logs/search.log.1", kRotatedLog);

  const auto text = run_admin({"report", "--instance", dir});
  ASSERT_EQ(text.status, 0) << text.err;
  for (const char* part :
       {"Search report of instance DEMO\n",
        "2026-12-01 to 2026-12-04: 7 searches, 3 found nothing, 1 failed\n",
        "4 lines of the log were not understood\n", "  2026-12-02         0  (0 found nothing)\n",
        "         3  tables\n", "         1  (empty)\n",
        "          30.125  2026-12-04T00:00:00Z       0  PGDOC  <script>\"&\n"})
    EXPECT_NE(text.out.find(part), std::string::npos) << part << "\n" << text.out;

  const std::string page_path = tree.path("report.html");
  const auto html =
      run_admin({"report", "--since=2026-12-03", "--html", page_path, "--instance", dir});
  ASSERT_EQ(html.status, 0) << html.err;
  const std::string page = tree.read("report.html");
  EXPECT_NE(page.find("&lt;script&gt;&quot;&amp;"), std::string::npos);
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_NE(page.find("2026-12-03 to 2026-12-04: <b>4</b> searches"), std::string::npos);
  EXPECT_EQ(page.rfind("</html>\n"), page.size() - 8);

  EXPECT_EQ(run_admin({"report", "--since", "2026-13-01", "--instance", dir}).status, 1);
  EXPECT_EQ(run_admin({"log", "maybe", "--instance", dir}).status, 1);
  EXPECT_EQ(run_admin({"list", "--since", "2026-12-01", "--instance", dir}).status, 2);
  const auto off = run_admin({"log", "off", "--instance", dir});
  EXPECT_EQ(off.out, "search log: off (" + dir + "/logs/search.log)\n");
  EXPECT_FALSE(tree.exists("site/search-log.on"));
  EXPECT_TRUE(tree.exists("site/logs/search.log"));
}

}  // namespace
}  // namespace zeb
