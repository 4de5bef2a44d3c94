// A damaged index on which the search library itself crashes: the page
// still ends, in the CGI and in the persistent mode, with the damaged-index
// answer (62), the footer and the closing tags, and the persistent process
// ends after that page so that a clean one takes its place.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cgi/sanitizer_build.h"
#include "cgi/temp_dir.h"
#include "e2e/fastcgi_client.h"
#include "e2e/run_process.h"

namespace zeb {
namespace {

namespace fs = std::filesystem;
using testing::FastcgiServer;
using testing::ProcessResult;
using testing::run_process;
using testing::TempDir;

const std::string kBody =
    "SelectIndex=DOCS&free_text=alpha+beta+w1+w2+w3&rank=Y&header=head.html&footer=foot.html";
const std::string kPageEnd =
    "<p>Search processing error has occurred.\n"
    "<p>Vant message: The index is not accessible. (rc=62)\n"
    "<address>Site</address>\n"
    "</BODY></HTML>\n";

class DamagedIndexPage : public ::testing::Test {
 protected:
  void SetUp() override {
    // Xapian's reads of the damaged table trip AddressSanitizer first.
    if (kAddressSanitizer) GTEST_SKIP() << "AddressSanitizer stops at Xapian's own fault";
    dir_.write("docs/empty.txt", "");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"init", "test"}, {"create", "docs", dir_.path() + "/docs"}}) {
      const ProcessResult r =
          run_process(ZEB_BIN_DIR "/zebadm", args, {"ZEBINSTSRV=" + instance()}, "");
      ASSERT_EQ(r.exit_status, 0) << r.err;
    }
    const std::string database = instance() + "/data/DOCS/xapian";
    fs::remove_all(database);
    fs::copy(ZEB_SOURCE_DIR "/tests/e2e/fixtures/damaged-postings", database);
    fs::remove(database + "/README.md");
    dir_.write("instance/head.html", "<html><body>\n");
    dir_.write("instance/foot.html", "<address>Site</address>\n");
  }

  std::string instance() const { return dir_.path() + "/instance"; }
  std::vector<std::string> env() const {
    return {"REQUEST_METHOD=POST", "CONTENT_TYPE=application/x-www-form-urlencoded",
            "CONTENT_LENGTH=" + std::to_string(kBody.size()), "ZEBINSTSRV=" + instance(),
            "ZEBINST=TEST"};
  }

  TempDir dir_;
};

bool ends_with(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST_F(DamagedIndexPage, TheCgiPageEndsWithTheDamagedIndexAnswer) {
  const ProcessResult cgi = run_process(ZEB_BIN_DIR "/zebsrch", {}, env(), kBody);
  EXPECT_EQ(cgi.signal, 0);
  EXPECT_EQ(cgi.exit_status, 0);
  EXPECT_EQ(cgi.out.rfind("Content-type: text/html\n\n\n<html><body>\n", 0), 0u) << cgi.out;
  EXPECT_TRUE(ends_with(cgi.out, kPageEnd)) << cgi.out;
}

TEST_F(DamagedIndexPage, ThePersistentProcessAnswersTheSameAndEnds) {
  const ProcessResult cgi = run_process(ZEB_BIN_DIR "/zebsrch", {}, env(), kBody);
  FastcgiServer server(ZEB_BIN_DIR "/zebsrch", dir_.path() + "/zebsrch.sock");
  const testing::FastcgiAnswer page = testing::fastcgi_request(server.socket(), env(), kBody);
  EXPECT_EQ(page.app_status, 0);
  EXPECT_EQ(page.out, cgi.out);
  const int status = server.wait();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
}  // namespace zeb
