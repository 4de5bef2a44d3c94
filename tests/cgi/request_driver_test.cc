#include "cgi/request_driver.h"

#include <gtest/gtest.h>

#include <string>

#include "cgi_test_support.h"
#include "temp_dir.h"

namespace zeb {
namespace {

using testing::PageSink;
using testing::ScopedEnv;
using testing::TempDir;

const std::string kHttpHeader = "Content-type: text/html\n\n\n";
const std::string kDefaultHeader =
    "<html><head><title>Search Results</title></head>\n<p><b>Search form header not found</b>\n";
const std::string kNoFooter = "\n<p><b>Search form footer not found</b>\n";
const std::string kEmpty =
    "<p>Vant message: The search request is empty. Maybe stopwords only specified..\n";
const std::string kEnd = "</BODY></HTML>\n";

// Stand-ins for the engine's phases: they mark the page and note what the
// driver handed them.
struct PhaseLog {
  PhaseOutcome answer = PhaseOutcome::kPageTail;
  int runs = 0;
  int releases = 0;
  std::string script_path;
  std::string first_index;
  uint16_t result_limit = 0;
  bool stripes = false;
  std::string page_at_release;  // what the sink held when release ran
  PageSink* page = nullptr;
};
PhaseLog* log_ = nullptr;

PhaseOutcome fake_run(SearchRequest& request, FILE* out) {
  ++log_->runs;
  log_->script_path = request.script_path;
  log_->first_index = request.index_count > 0 ? request.indexes[0].name : "";
  log_->result_limit = request.result_limit;
  log_->stripes = request.stripes;
  fputs("[search]", out);
  return log_->answer;
}

void fake_release(SearchRequest&) {
  ++log_->releases;
  log_->page_at_release = log_->page->text();
}

class RequestDriver : public ::testing::Test {
 protected:
  RequestDriver() {
    log_ = &log;
    env.set("ZEBINSTSRV", dir.path());
    dir.write("head.html", "<html><body>\n");
    dir.write("foot.html", "<address>foot</address>\n");
  }
  ~RequestDriver() override { log_ = nullptr; }

  // Runs one request with `body` as a POSTed form of exact length.
  std::string run(const std::string& body) {
    env.set("CONTENT_LENGTH", std::to_string(body.size()));
    PageSink page;
    log.page = &page;
    page.closed_by_callee();
    FILE* in = testing::input_of(body);
    status = run_request(in, page.out(), SearchPhases{fake_run, fake_release});
    fclose(in);
    std::string text = page.text();
    log.page = nullptr;
    return text;
  }

  ScopedEnv env;
  TempDir dir;
  PhaseLog log;
  int status = -1;
};

TEST_F(RequestDriver, RejectedFormEndsAtOnceWithStatusOne) {
  env.set("REQUEST_METHOD", "GET");
  EXPECT_EQ(run("free_text=x"),
            kHttpHeader + "This script should be referenced with a METHOD of POST.\n"
                          "If you don't understand this, see this "
                          "<A HREF=\"/zebsrch/forms.html\">forms overview</A>.\n"
                          "<P>An invalid search form has been specified!</HTML>\n");
  EXPECT_EQ(status, 1);
  EXPECT_EQ(log.runs + log.releases, 0);

  env.set("REQUEST_METHOD", "POST");
  env.set("CONTENT_TYPE", "text/plain");
  EXPECT_EQ(run("free_text=x"),
            kHttpHeader + "This script can only be used to decode form results. \n"
                          "<P>An invalid search form has been specified!</HTML>\n");
  EXPECT_EQ(status, 1);
}

TEST_F(RequestDriver, EmptyBodyGetsTheDefaultFrameAndTheEmptyMessage) {
  EXPECT_EQ(run(""), kHttpHeader + kDefaultHeader + kEmpty + kNoFooter + kEnd);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(log.runs, 0);
  EXPECT_EQ(log.releases, 1);
}

TEST_F(RequestDriver, FormWithoutUsableQueryIsFramedByTheTemplates) {
  EXPECT_EQ(run("header=head.html&footer=foot.html&query_word0=&rank=Y&SelectIndex=docs"),
            kHttpHeader + "<html><body>\n" + kEmpty + "<address>foot</address>\n" + kEnd);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(log.runs, 0);
}

TEST_F(RequestDriver, WithoutInstanceDirectoryThereIsNoFrame) {
  env.unset("ZEBINSTSRV");
  EXPECT_EQ(run("header=head.html&footer=foot.html"),
            kHttpHeader + "\n<p><b>Environment not set correctly, missing ZEBINSTSRV.</b>\n" +
                kEmpty + kEnd);
  EXPECT_EQ(status, 0);
}

TEST_F(RequestDriver, TypicalRequestRunsEveryPhaseInOrder) {
  env.set("CONTENT_TYPE", "application/x-www-form-urlencoded");
  env.set("REQUEST_METHOD", "POST");
  EXPECT_EQ(run("SelectIndex=docs&free_text=hello+world&rank=Y&limit_number=20"
                "&header=head.html&footer=foot.html&OddStripes=red&EvenStripes=blue"),
            kHttpHeader + "<html><body>\n" +
                "<p>Search request: \"<STRONG>hello world</STRONG>\"\n\n"
                "<font size=-2><p><strong>Rank:</strong> = good match,  = poor match\n</font>"
                "<hr>[search]<address>foot</address>\n" + kEnd);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(log.runs, 1);
  EXPECT_EQ(log.first_index, "DOCS");
  EXPECT_EQ(log.result_limit, 20);
  EXPECT_TRUE(log.stripes);
  EXPECT_EQ(log.script_path, "/cgi-bin/zebsrch.exe");
  // The page was whole, closed, before anything was released.
  EXPECT_EQ(log.releases, 1);
  EXPECT_TRUE(log.page_at_release.ends_with(kEnd)) << log.page_at_release;
}

TEST_F(RequestDriver, AnImmediateExitPrintsNothingMore) {
  log.answer = PhaseOutcome::kExitNow;
  EXPECT_EQ(run("free_text=x&header=head.html&footer=foot.html"),
            kHttpHeader + "<html><body>\n" + "<p>Search request: \"<STRONG>x</STRONG>\"\n\n" +
                "<font size=-2><p><strong>Rank:</strong> = good match,  = poor match\n</font>" +
                "<hr>[search]");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(log.releases, 0);
}

TEST_F(RequestDriver, QueryErrorsGoStraightToThePageTail) {
  EXPECT_EQ(run("header=head.html&new_free_text=-dog&footer=foot.html"),
            kHttpHeader + "<html><body>\n" + "<p><b>The condition specified is invalid.</b>\n" +
                "<address>foot</address>\n" + kEnd);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(log.runs, 0);
  EXPECT_EQ(log.releases, 1);
}

TEST_F(RequestDriver, SecondPassMessagesFollowTheHeader) {
  std::string body = "header=head.html";
  for (int i = 0; i < 65; ++i) body += "&SelectIndex=i" + std::to_string(i);
  EXPECT_EQ(run(body), kHttpHeader + "<html><body>\n" +
                           "\n<P><b>The maximum nuber of indices is reached.</b>\n" + kEmpty +
                           kNoFooter + kEnd);
}

TEST_F(RequestDriver, ScriptPathComesFromTheEnvironmentCutToFit) {
  env.set("SCRIPT_NAME", "/search/run");
  run("free_text=x");
  EXPECT_EQ(log.script_path, "/search/run");
  env.set("SCRIPT_NAME", "/" + std::string(200, 's'));
  run("free_text=x");
  EXPECT_EQ(log.script_path, "/" + std::string(126, 's'));
}

}  // namespace
}  // namespace zeb
