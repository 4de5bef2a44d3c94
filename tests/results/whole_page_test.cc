// Whole pages: a posted form goes through the request driver with the
// scripted engine answering, and the page is compared byte for byte, from
// the header line to the closing tags.
#include "cgi/request_driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "results/results_fixtures.h"
#include "support/scripted_engine.h"

namespace zeb {
namespace {

using testing::AnswerStream;
using testing::engine;
using testing::TempDir;

class WholePage : public ::testing::Test {
 protected:
  void SetUp() override {
    engine().reset();
    setenv("ZEBINSTSRV", dir_.path().c_str(), 1);
    setenv("ZEBINST", "DEMO", 1);
    setenv("REQUEST_METHOD", "POST", 1);
    setenv("CONTENT_TYPE", "application/x-www-form-urlencoded", 1);
    unsetenv("SCRIPT_NAME");
    dir_.write("header.html", "<html><head><title>Search</title></head><body>\n");
    dir_.write("footer.html", "<p>Footer</p>\n");
    dir_.write("INSTANCE/help/DATA/ZEBMAP.DAT",
               "\"DOCS\",\"http://www.example.org/docs/\",\"\"\n"
               "\"WEB\",\"/srv/web\",\"\"");
  }
  void TearDown() override {
    for (const char* name : {"ZEBINSTSRV", "ZEBINST", "REQUEST_METHOD", "CONTENT_TYPE",
                             "CONTENT_LENGTH"})
      unsetenv(name);
    engine().reset();
  }

  // Runs one request with `body` posted; the page and the exit status.
  std::string run(const std::string& body, int expected_status = 0) {
    setenv("CONTENT_LENGTH", std::to_string(body.size()).c_str(), 1);
    std::string input = body;
    FILE* in = fmemopen(input.data(), input.size() + 1, "r");
    char* data = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&data, &size);
    EXPECT_EQ(run_request(in, out), expected_status);  // closes `out`
    fclose(in);
    std::string page(data, size);
    free(data);
    return page;
  }

  TempDir dir_;
};

const std::string kStars =
    "&stars1=s1.gif&stars2=s2.gif&stars3=s3.gif&stars4=s4.gif&stars5=s5.gif";
const std::string kTemplates = "&header=header.html&footer=footer.html";

TEST_F(WholePage, OneIndexFreeTextRanked) {
  engine().on("KSVSEARCH").found(3);
  engine().result_answers(
      {{0, AnswerStream()
               .entry("guide/intro.html;Introduction", "DOCS", 92.5f)
               .entry("guide/setup.html;Setting up", "DOCS", 71.0f)
               .entry("notes/a&b.html;Notes <draft>", "DOCS", 35.5f)
               .bytes()}});
  const std::string page = run(
      "SelectIndex=docs&free_text=hello+world&rank=Y&limit_number=20" + kTemplates + kStars);
  EXPECT_EQ(page,
            "Content-type: text/html\n\n\n"
            "<html><head><title>Search</title></head><body>\n"
            "<p>Search request: \"<STRONG>hello world</STRONG>\"\n"
            "\n"
            "<font size=-2><p><strong>Rank:</strong><img src=\"/icons/s5.gif\" alt=\"*****\">"
            " = good match, <img src=\"/icons/s1.gif\" alt=\"*\"> = poor match\n</font><hr>"
            "<p><b><font size=-1>3 top document(s) returned</font></b><p>\n"
            "<table border=0 cellpadding=8 cellspacing=0>\n"
            "<p><tr><td><img src=\"/icons/s5.gif\" alt=\"*****\">\n"
            "<td> <A HREF=\"http://www.example.org/docs/guide/intro.html\">"
            "<b>Introduction</b></A>\n"
            "<br>(0.9250)<br>\n"
            "<p><tr><td><img src=\"/icons/s4.gif\" alt=\"****\">\n"
            "<td> <A HREF=\"http://www.example.org/docs/guide/setup.html\">"
            "<b>Setting up</b></A>\n"
            "<br>(0.7100)<br>\n"
            "<p><tr><td><img src=\"/icons/s2.gif\" alt=\"**\">\n"
            "<td> <A HREF=\"http://www.example.org/docs/notes/a&amp;b.html\">"
            "<b>Notes &lt;draft&gt;</b></A>\n"
            "<br>(0.3550)<br>\n"
            "</table>\n"
            "<p>Footer</p>\n"
            "</BODY></HTML>\n");
  EXPECT_EQ(engine().names(),
            (std::vector<std::string>{"KSVSTARTSESSION", "KSVOPENINDEX", "KSVSEARCH", "KSVRANK",
                                      "KSVCREATERESULTLIST", "KSVSORT", "KSVGETRESULTLIST",
                                      "KSVDELETERESULTLIST", "KSVDELETERESULT", "KSVCLOSEINDEX",
                                      "KSVENDSESSION"}));
}

TEST_F(WholePage, SeveralIndexesWithAGroupAndAScopeUnranked) {
  engine().on("KSVSEARCH").found(2);
  engine().result_answers({{0, AnswerStream()
                                   .entry("guide/cat.html;Cats", "DOCS")
                                   .entry("guide/dog.html;Dogs", "WEB")
                                   .bytes()}});
  const std::string page = run(
      "SelectIndex=docs&SelectIndex=web&Manual=guide&query_word0=cat&connector0=or"
      "&query_word1=dog" + kTemplates + kStars);
  EXPECT_EQ(page,
            "Content-type: text/html\n\n\n"
            "<html><head><title>Search</title></head><body>\n"
            "<p>Search request:\n"
            "<strong>\"<STRONG>cat</STRONG> OR <STRONG>dog</STRONG> \"</strong>\n"
            "<hr>"
            "<p><b><font size=-1>2 top document(s) returned</font></b><p>\n"
            "<table border=0 cellpadding=8 cellspacing=0>\n"
            "<p><tr><td>1<td> <A HREF=\"http://www.example.org/docs/guide/cat.html\">"
            "<b>Cats</b></A>\n"
            "<br>(0.0000)<br>\n"
            "<p><tr><td>2<td> <A HREF=\"file:///srv/web/guide/dog.html\">"
            "<b>Dogs</b></A>\n"
            "<br>(0.0000)<br>\n"
            "</table>\n"
            "<p>Footer</p>\n"
            "</BODY></HTML>\n");
  EXPECT_EQ(engine().count("KSVCREATEINDEXGROUP"), 1);
  EXPECT_EQ(engine().count("KSVADDQUERYSCOPE"), 1);
  EXPECT_EQ(engine().count("KSVRANK"), 0);
}

TEST_F(WholePage, AContinuationAnswerWithStripes) {
  engine().on("KSVSEARCH").found(3);
  engine().result_answers(
      {{1, AnswerStream()
               .entry("a.html;Alpha", "DOCS", 0.9f)
               .entry("b.html;Beta", "DOCS", 0.75f)
               .bytes()},
       {0, AnswerStream().entry("c.html;Gamma", "WEB", 0.25f).bytes()}});
  const std::string page = run(
      "SelectIndex=docs&SelectIndex=web&query_word0=greek&rank=y"
      "&OddStripes=%23FFFFFF&EvenStripes=%23EEEEEE" + kTemplates + kStars);
  EXPECT_EQ(page,
            "Content-type: text/html\n\n\n"
            "<html><head><title>Search</title></head><body>\n"
            "<p>Search request:\n"
            "<strong>\"<STRONG>greek</STRONG> \"</strong>\n"
            "<font size=-2><p><strong>Rank:</strong><img src=\"/icons/s5.gif\" alt=\"*****\">"
            " = good match, <img src=\"/icons/s1.gif\" alt=\"*\"> = poor match\n</font><hr>"
            "<p><b><font size=-1>3 top document(s) returned</font></b><p>\n"
            "<table border=0 cellpadding=8 cellspacing=0>\n"
            "<p><tr BGCOLOR=\"#FFFFFF\"><td><img src=\"/icons/s4.gif\" alt=\"****\">\n"
            "<td> <A HREF=\"http://www.example.org/docs/a.html\"><b>Alpha</b></A>\n"
            "<br>(0.9000)<br>\n"
            "<p><tr BGCOLOR=\"#EEEEEE\"><td><img src=\"/icons/s4.gif\" alt=\"****\">\n"
            "<td> <A HREF=\"http://www.example.org/docs/b.html\"><b>Beta</b></A>\n"
            "<br>(0.7500)<br>\n"
            "<p><tr BGCOLOR=\"#FFFFFF\"><td><img src=\"/icons/s2.gif\" alt=\"**\">\n"
            "<td> <A HREF=\"file:///srv/web/c.html\"><b>Gamma</b></A>\n"
            "<br>(0.2500)<br>\n"
            "</table>\n"
            "<p>Footer</p>\n"
            "</BODY></HTML>\n");
  EXPECT_EQ(engine().count("KSVGETRESULTLIST"), 2);
}

TEST_F(WholePage, NothingFoundStillShowsTheNewSearchForm) {
  engine().on("KSVSEARCH").found(0);
  const std::string page = run(
      "SelectIndex=docs&new_free_text=red+%2Bcar&ShowForm=Y&limit_number=-1" + kTemplates +
      "&stars1=s1.gif&msgcat=en");
  EXPECT_EQ(page,
            "Content-type: text/html\n\n\n"
            "<html><head><title>Search</title></head><body>\n"
            "<p>Search request: \"<STRONG>red +car</STRONG>\"\n"
            "\n"
            "<font size=-2><p><strong>Rank:</strong> = good match,"
            " <img src=\"/icons/s1.gif\" alt=\"*\"> = poor match\n</font><hr>"
            "\n<form action=\"/cgi-bin/zebsrch.exe\" method=\"post\">"
            "\n<input type=hidden name=\"limit_number\" value=\"65535\">"
            "\n<input type=hidden name=\"rank\" value=\"Y\">"
            "\n<input type=hidden name=\"SelectIndex\" value=\"DOCS\">"
            "\n<textarea name=\"new_free_text\" COLS=50 ROWS=2 WRAP=\"VIRTUAL\">red +car</textarea>"
            "\n<input type=\"submit\" value=\"New Search\">"
            "\n<input type=\"reset\" value=\"Clear\">"
            "<input type=\"hidden\" NAME=\"header\" value=\"header.html\">"
            "<input type=\"hidden\" NAME=\"footer\" value=\"footer.html\">"
            "<input type=\"hidden\" NAME=\"stars1\" value=\"s1.gif\">"
            "<input type=\"hidden\" NAME=\"stars2\" value=\"\">"
            "<input type=\"hidden\" NAME=\"stars3\" value=\"\">"
            "<input type=\"hidden\" NAME=\"stars4\" value=\"\">"
            "<input type=\"hidden\" NAME=\"stars5\" value=\"\">"
            "<input type=\"hidden\" NAME=\"OddStripes\" value=\"\">"
            "<input type=\"hidden\" NAME=\"EvenStripes\" value=\"\">"
            "<input type=\"hidden\" NAME=\"ShowForm\" value=\"Y\">"
            "<input type=\"hidden\" NAME=\"msgcat\" value=\"en\">"
            "\n</form>"
            "<p>No matching documents found<hr>\n"
            "<p>Footer</p>\n"
            "</BODY></HTML>\n");
}

TEST_F(WholePage, TheSessionFails) {
  engine().on("KSVSTARTSESSION").code(16);
  EXPECT_EQ(run("SelectIndex=docs&free_text=x" + kTemplates),
            "Content-type: text/html\n\n\n"
            "<html><head><title>Search</title></head><body>\n"
            "<p>Search request: \"<STRONG>x</STRONG>\"\n"
            "\n"
            "<font size=-2><p><strong>Rank:</strong> = good match,  = poor match\n</font><hr>"
            "<p>Vant message: Server name specified is unknown to the system. (rc=16)\n"
            "<p>Footer</p>\n"
            "</BODY></HTML>\n");
  EXPECT_EQ(engine().names(), (std::vector<std::string>{"KSVSTARTSESSION"}));
}

TEST_F(WholePage, EveryIndexFailsToOpen) {
  engine().on("KSVOPENINDEX").codes({24, 61});
  EXPECT_EQ(run("SelectIndex=docs&SelectIndex=web&free_text=x" + kTemplates),
            "Content-type: text/html\n\n\n"
            "<html><head><title>Search</title></head><body>\n"
            "<p>Search request: \"<STRONG>x</STRONG>\"\n"
            "\n"
            "<font size=-2><p><strong>Rank:</strong> = good match,  = poor match\n</font><hr>"
            "<p>Vant message: DOCS, The specified index is unknown to this server. (rc=24)\n"
            "<p>Vant message: WEB, The index is suspended. (rc=61)\n"
            "<p><b>No target for search specified</b>\n"
            "<p>Footer</p>\n"
            "</BODY></HTML>\n");
}

TEST_F(WholePage, TheIndexGroupFails) {
  engine().on("KSVCREATEINDEXGROUP").code(25);
  EXPECT_EQ(run("SelectIndex=docs&SelectIndex=web&free_text=x" + kTemplates),
            "Content-type: text/html\n\n\n"
            "<html><head><title>Search</title></head><body>\n"
            "<p>Search request: \"<STRONG>x</STRONG>\"\n"
            "\n"
            "<font size=-2><p><strong>Rank:</strong> = good match,  = poor match\n</font><hr>"
            "<p>Vant message: An incorrect handle has been specified. (rc=25)\n"
            "<p>Footer</p>\n"
            "</BODY></HTML>\n");
  EXPECT_EQ(engine().count("KSVSEARCH"), 0);
  EXPECT_EQ(engine().count("KSVCLOSEINDEX"), 2);
}

TEST_F(WholePage, ASearchErrorWithNothingFound) {
  engine().on("KSVSEARCH").code(12).found(0);
  EXPECT_EQ(run("SelectIndex=docs&free_text=x" + kTemplates),
            "Content-type: text/html\n\n\n"
            "<html><head><title>Search</title></head><body>\n"
            "<p>Search request: \"<STRONG>x</STRONG>\"\n"
            "\n"
            "<font size=-2><p><strong>Rank:</strong> = good match,  = poor match\n</font><hr>"
            "<p>Search processing error has occurred.\n"
            "<p>Vant message: Search processing limit has been exceeded. (rc=12)\n"
            "<p>Footer</p>\n"
            "</BODY></HTML>\n");
  EXPECT_EQ(engine().count("KSVRANK"), 0);
}

TEST_F(WholePage, RankingFails) {
  engine().on("KSVSEARCH").found(4);
  engine().on("KSVRANK").code(81);
  EXPECT_EQ(run("SelectIndex=docs&free_text=x" + kTemplates),
            "Content-type: text/html\n\n\n"
            "<html><head><title>Search</title></head><body>\n"
            "<p>Search request: \"<STRONG>x</STRONG>\"\n"
            "\n"
            "<font size=-2><p><strong>Rank:</strong> = good match,  = poor match\n</font><hr>"
            "<p><b><font size=-1>4 top document(s) returned</font></b><p>\n"
            "<p>Vant message: The result has already been ranked. (rc=81)\n"
            "<p>Footer</p>\n"
            "</BODY></HTML>\n");
  EXPECT_EQ(engine().count("KSVCREATERESULTLIST"), 0);
}

TEST_F(WholePage, NoRankingDataListsUnranked) {
  engine().on("KSVSEARCH").found(1);
  engine().on("KSVRANK").code(84);
  engine().result_answers({{0, AnswerStream().entry("a.html;A", "DOCS").bytes()}});
  EXPECT_EQ(run("SelectIndex=docs&free_text=x" + kTemplates),
            "Content-type: text/html\n\n\n"
            "<html><head><title>Search</title></head><body>\n"
            "<p>Search request: \"<STRONG>x</STRONG>\"\n"
            "\n"
            "<font size=-2><p><strong>Rank:</strong> = good match,  = poor match\n</font><hr>"
            "<p><b><font size=-1>1 top document(s) returned</font></b><p>\n"
            "<p>Vant message: No ranking data is available. (rc=84)\n"
            "<table border=0 cellpadding=8 cellspacing=0>\n"
            "<p><tr><td>1<td> <A HREF=\"http://www.example.org/docs/a.html\"><b>A</b></A>\n"
            "<br>(0.0000)<br>\n"
            "</table>\n"
            "<p>Footer</p>\n"
            "</BODY></HTML>\n");
  EXPECT_EQ(engine().count("KSVSORT"), 0);
}

TEST_F(WholePage, TheResultListFails) {
  engine().on("KSVSEARCH").found(4);
  engine().on("KSVCREATERESULTLIST").code(37);
  EXPECT_EQ(run("SelectIndex=docs&free_text=x" + kTemplates),
            "Content-type: text/html\n\n\n"
            "<html><head><title>Search</title></head><body>\n"
            "<p>Search request: \"<STRONG>x</STRONG>\"\n"
            "\n"
            "<font size=-2><p><strong>Rank:</strong> = good match,  = poor match\n</font><hr>"
            "<p><b><font size=-1>4 top document(s) returned</font></b><p>\n"
            "<p>Vant message: The maximum number of results is reached. Delete unused results first. (rc=37)\n"
            "<p>Footer</p>\n"
            "</BODY></HTML>\n");
  EXPECT_EQ(engine().count("KSVSORT"), 0);
}

TEST_F(WholePage, SortingFails) {
  engine().on("KSVSEARCH").found(4);
  engine().on("KSVSORT").code(18);
  EXPECT_EQ(run("SelectIndex=docs&free_text=x" + kTemplates),
            "Content-type: text/html\n\n\n"
            "<html><head><title>Search</title></head><body>\n"
            "<p>Search request: \"<STRONG>x</STRONG>\"\n"
            "\n"
            "<font size=-2><p><strong>Rank:</strong> = good match,  = poor match\n</font><hr>"
            "<p><b><font size=-1>4 top document(s) returned</font></b><p>\n"
            "<p>Vant message: Data stream syntax error. (rc=18)\n"
            "<p>Footer</p>\n"
            "</BODY></HTML>\n");
  EXPECT_EQ(engine().count("KSVGETRESULTLIST"), 0);
  EXPECT_EQ(engine().count("KSVDELETERESULTLIST"), 1);
}

TEST_F(WholePage, FetchingTheListFails) {
  engine().on("KSVSEARCH").found(4);
  engine().on("KSVGETRESULTLIST").code(48);
  EXPECT_EQ(run("SelectIndex=docs&SelectIndex=nomap&free_text=x" + kTemplates),
            "Content-type: text/html\n\n\n"
            "<html><head><title>Search</title></head><body>\n"
            "<p>Search request: \"<STRONG>x</STRONG>\"\n"
            "\n"
            "<font size=-2><p><strong>Rank:</strong> = good match,  = poor match\n</font><hr>"
            "<p><b><font size=-1>4 top document(s) returned</font></b><p>\n"
            "<table border=0 cellpadding=8 cellspacing=0>\n"
            "<br>Vant message: NOMAP, no entry for index found in look-up table \n"
            "<p>Vant message: The server connection has been lost. (rc=48)\n"
            "</table>\n"
            "<p>Footer</p>\n"
            "</BODY></HTML>\n");
}

}  // namespace
}  // namespace zeb
