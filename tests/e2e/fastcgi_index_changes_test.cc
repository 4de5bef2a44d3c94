// One FastCGI process sees every change that zebadm or the site makes
// between two of its requests: documents updated and added, an index
// suspended, resumed, cleared, deleted and made again, its location moved
// in the look-up table, a template rewritten. After each change its page is
// the page a new CGI process writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cgi/temp_dir.h"
#include "e2e/fastcgi_client.h"
#include "e2e/run_process.h"

namespace zeb {
namespace {

using testing::FastcgiAnswer;
using testing::FastcgiServer;
using testing::ProcessResult;
using testing::run_process;
using testing::TempDir;

class FastcgiIndexChanges : public ::testing::Test {
 protected:
  FastcgiIndexChanges() {
    dir_.write("docs/a.txt", "Apples\napples are round\n");
    dir_.write("other/o.txt", "Oranges\napples and oranges\n");
    admin({"init", "test"});
    admin({"create", "docs", docs()});
    admin({"create", "other", dir_.path() + "/other"});
  }

  std::string instance() const { return dir_.path() + "/instance"; }
  std::string docs() const { return dir_.path() + "/docs"; }

  void admin(const std::vector<std::string>& args) {
    const ProcessResult r = run_process(ZEB_BIN_DIR "/zebadm", args, {"ZEBINSTSRV=" + instance()}, "");
    ASSERT_EQ(r.exit_status, 0) << args[0] << ": " << r.out << r.err;
  }

  // The page of one search through the long-lived process, checked against
  // the CGI's page for the same request at the same moment.
  std::string search(const std::string& fields) {
    const std::string body = fields + "&header=header.html&footer=footer.html";
    const std::vector<std::string> env = {
        "REQUEST_METHOD=POST", "CONTENT_TYPE=application/x-www-form-urlencoded",
        "CONTENT_LENGTH=" + std::to_string(body.size()), "ZEBINSTSRV=" + instance(),
        "ZEBINST=TEST"};
    const FastcgiAnswer page = testing::fastcgi_request(server_.socket(), env, body);
    const ProcessResult cgi = run_process(ZEB_BIN_DIR "/zebsrch", {}, env, body);
    EXPECT_EQ(page.out, cgi.out) << fields;
    EXPECT_EQ(page.app_status, 0);
    return page.out;
  }

  static bool has(const std::string& page, const std::string& text) {
    return page.find(text) != std::string::npos;
  }

  TempDir dir_;
  FastcgiServer server_{ZEB_BIN_DIR "/zebsrch", dir_.path() + "/zebsrch.sock"};
};

constexpr const char* kApples = "SelectIndex=docs&query_word0=apples";

TEST_F(FastcgiIndexChanges, DocumentsUpdatedAndAddedAreFoundAtOnce) {
  EXPECT_TRUE(has(search(kApples), "1 top document(s) returned"));
  dir_.write("docs/b.txt", "Baskets\napples in baskets\n");
  admin({"update", "docs"});
  EXPECT_TRUE(has(search(kApples), "2 top document(s) returned"));
  const std::string added = dir_.write("docs/c.txt", "Crates\napples in crates\n");
  admin({"add", "docs", added});
  const std::string page = search(kApples);
  EXPECT_TRUE(has(page, "3 top document(s) returned")) << page;
  EXPECT_TRUE(has(page, "<b>Crates</b>")) << page;
  EXPECT_EQ(server_.stop(), 0) << server_.err();
}

TEST_F(FastcgiIndexChanges, SuspendResumeClearAndDeleteTakeEffectOnTheNextRequest) {
  EXPECT_TRUE(has(search(kApples), "1 top document(s) returned"));
  admin({"suspend", "docs"});
  EXPECT_TRUE(has(search(kApples), "DOCS, The index is suspended. (rc=61)"));
  admin({"resume", "docs"});
  EXPECT_TRUE(has(search(kApples), "1 top document(s) returned"));
  admin({"clear", "docs"});
  EXPECT_TRUE(has(search(kApples), "The specified index is empty. (rc=72)"));
  admin({"delete", "docs"});
  EXPECT_TRUE(has(search(kApples), "DOCS, The specified index is unknown to this server. (rc=24)"));
  // A new index of the same name, over other documents.
  dir_.write("docs2/p.txt", "Pears\napples beside pears\n");
  admin({"create", "docs", dir_.path() + "/docs2"});
  EXPECT_TRUE(has(search(kApples), "<b>Pears</b>"));
  // The other index went on as it was throughout.
  EXPECT_TRUE(has(search("SelectIndex=other&SelectIndex=docs&query_word0=apples"),
                  "2 top document(s) returned"));
  EXPECT_EQ(server_.stop(), 0) << server_.err();
}

TEST_F(FastcgiIndexChanges, NewLocationsAndTemplatesAppearOnTheNextPage) {
  EXPECT_TRUE(has(search(kApples), "file://" + docs() + "/a.txt"));
  admin({"map", "set", "docs", "http://example.org/moved/"});
  EXPECT_TRUE(has(search(kApples), "http://example.org/moved/a.txt"));
  dir_.write("instance/header.html", "<html><body><h1>New header</h1>\n");
  EXPECT_TRUE(has(search(kApples), "<h1>New header</h1>"));
  EXPECT_EQ(server_.stop(), 0) << server_.err();
}

}  // namespace
}  // namespace zeb
