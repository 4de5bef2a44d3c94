// Faults stay inside one request of a FastCGI process: a rejected form, a
// client that leaves before or during its page, and a body that breaks off
// each end their own request, and the same process serves the next one in
// full. The processor bound of a request ends its page as the CGI's
// processor limit does, and then the process.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/syscall.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "cgi/fastcgi_loop.h"
#include "cgi/temp_dir.h"
#include "e2e/fastcgi_client.h"
#include "e2e/run_process.h"

namespace zeb {
namespace {

using testing::FastcgiAnswer;
using testing::FastcgiConnection;
using testing::FastcgiServer;
using testing::ProcessResult;
using testing::run_process;
using testing::TempDir;

class FastcgiFaults : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    for (int i = 0; i < 200; ++i)
      dir_->write("docs/" + std::to_string(i) + ".txt",
                  "Page " + std::to_string(i) + "\nlong lists of pages\n");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"init", "test"}, {"create", "docs", dir_->path() + "/docs"}}) {
      const ProcessResult r = run_process(ZEB_BIN_DIR "/zebadm", args, {"ZEBINSTSRV=" + instance()}, "");
      ASSERT_EQ(r.exit_status, 0) << r.err;
    }
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  static std::string instance() { return dir_->path() + "/instance"; }

  static std::vector<std::string> env(size_t length, const std::string& method = "POST") {
    return {"REQUEST_METHOD=" + method, "CONTENT_TYPE=application/x-www-form-urlencoded",
            "CONTENT_LENGTH=" + std::to_string(length), "ZEBINSTSRV=" + instance(),
            "ZEBINST=TEST"};
  }

  // A page of 200 rows: far more than the socket's buffer holds.
  static std::string long_list() {
    return "SelectIndex=docs&query_word0=pages&limit_number=200&header=header.html"
           "&footer=footer.html";
  }

  FastcgiAnswer post(const std::string& body) {
    return testing::fastcgi_request(server_.socket(), env(body.size()), body);
  }

  // The page the CGI writes for the same form.
  static std::string cgi_page(const std::string& body) {
    return run_process(ZEB_BIN_DIR "/zebsrch", {}, env(body.size()), body).out;
  }

  static TempDir* dir_;
  TempDir run_;
  FastcgiServer server_{ZEB_BIN_DIR "/zebsrch", run_.path() + "/zebsrch.sock"};
};

TempDir* FastcgiFaults::dir_ = nullptr;

TEST_F(FastcgiFaults, ARejectedFormEndsWithStatusOneAndTheNextIsServed) {
  FastcgiAnswer rejected = testing::fastcgi_request(server_.socket(), env(3, "GET"), "a=1");
  EXPECT_EQ(rejected.app_status, 1);
  EXPECT_NE(rejected.out.find("<P>An invalid search form has been specified!</HTML>\n"),
            std::string::npos);
  const FastcgiAnswer page = post(long_list());
  EXPECT_EQ(page.app_status, 0);
  EXPECT_TRUE(page.out == cgi_page(long_list())) << page.out.size() << " bytes";
  EXPECT_EQ(server_.stop(), 0) << server_.err();
}

TEST_F(FastcgiFaults, ClientsThatLeaveEndOnlyTheirOwnRequest) {
  const std::string body = long_list();
  for (int i = 0; i < 10; ++i) {
    // Gone before the page is written: every write of it fails.
    FastcgiConnection gone(server_.socket());
    gone.begin(env(body.size()));
    gone.send_body(body);
    gone.close();
    // Gone in the middle of the body: the form breaks off.
    FastcgiConnection cut(server_.socket());
    cut.begin(env(body.size()));
    cut.send_body(body.substr(0, body.size() / 2), false);
    cut.close();
  }
  const FastcgiAnswer page = post(body);
  EXPECT_EQ(page.app_status, 0);
  EXPECT_TRUE(page.out == cgi_page(body)) << page.out.size() << " bytes";
  EXPECT_TRUE(server_.running());
  EXPECT_EQ(server_.stop(), 0) << server_.err();
}

// A client that sends the start of a request and part of its variables,
// then nothing, holds the process for the read timeout only: the request is
// given up and the next client served in full. The process's
// ZEBSRCH_READ_TIMEOUT sets a shorter wait.
TEST_F(FastcgiFaults, ARequestWhoseRecordsStopComingIsGivenUp) {
  const std::string body = long_list();
  FastcgiServer short_wait{ZEB_BIN_DIR "/zebsrch", run_.path() + "/short.sock",
                           {"ZEBSRCH_READ_TIMEOUT=1"}};
  const int usual = static_cast<int>(kFastcgiReadTimeout.count());
  // The next client waits a few read timeouts, not its usual two minutes:
  // the process gives a connection it drops 2 s more to close.
  for (auto [server, wait] : {std::pair{&server_, 3 * usual}, std::pair{&short_wait, usual}}) {
    FastcgiConnection stalled(server->socket());
    stalled.begin(env(body.size()), 30);
    FastcgiConnection next(server->socket(), wait);
    next.begin(env(body.size()));
    next.send_body(body);
    const FastcgiAnswer page = next.read_answer();
    EXPECT_EQ(page.app_status, 0);
    EXPECT_TRUE(page.out == cgi_page(body)) << page.out.size() << " bytes";
    // The stalled request was closed without an answer.
    const FastcgiAnswer none = stalled.read_answer();
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.app_status, -1);
    EXPECT_EQ(server->stop(), 0) << server->err();
  }
}

// Whether process `pid` waits in read() on a socket other than its
// listening one: in FastCGI mode, only the request driver reading the body
// of an accepted request does (the variables were all sent at once).
bool reads_a_request(pid_t pid) {
  const std::string proc = "/proc/" + std::to_string(pid);
  std::ifstream file(proc + "/syscall");
  long number = -1;
  std::string argument;
  file >> number >> argument;
  const long fd = strtol(argument.c_str(), nullptr, 16);
  if (number != SYS_read || fd <= 0) return false;
  std::error_code error;
  const std::string target =
      std::filesystem::read_symlink(proc + "/fd/" + std::to_string(fd), error);
  return target.rfind("socket:", 0) == 0;
}

// The request waits for the rest of its body; meanwhile its processor bound
// runs out (the signal is sent as the timer would send it).
TEST_F(FastcgiFaults, TheProcessorBoundEndsThePageAsTheCgiLimitDoes) {
  FastcgiConnection waiting(server_.socket());
  waiting.begin(env(100));
  waiting.send_body("SelectIndex=docs", false);
  for (int wait = 0; wait < 2000 && !reads_a_request(server_.pid()); ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_TRUE(reads_a_request(server_.pid()));
  kill(server_.pid(), SIGXCPU);
  const FastcgiAnswer page = waiting.read_answer();
  waiting.close();
  EXPECT_EQ(page.out,
            "Content-type: text/html\n\n\n"
            "<p>Search processing error has occurred.\n"
            "<p>Vant message: Search processing limit has been exceeded. (rc=12)\n"
            "</BODY></HTML>\n");
  EXPECT_EQ(page.app_status, 0);
  // The search it would have interrupted cannot be left safely: the process
  // ends, and the web server starts another.
  const int status = server_.wait();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
}  // namespace zeb
