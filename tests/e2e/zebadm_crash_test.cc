// zebadm killed (SIGKILL) in the middle of an update: every index still
// opens and searches at its last commit, the catalogue and the look-up table
// are whole, and the next update finishes the work.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "cgi/temp_dir.h"
#include "e2e/cgi_post.h"

namespace zeb {
namespace {

using testing::ProcessResult;
using testing::run_process;
using testing::TempDir;

constexpr int kDocuments = 1500;  // several commit batches

class KilledUpdate : public ::testing::Test {
 protected:
  std::string instance() const { return dir_.path() + "/instance"; }
  std::string env_instance() const { return "ZEBINSTSRV=" + instance(); }

  void write_documents(const std::string& version) {
    for (int i = 0; i < kDocuments; ++i) {
      dir_.write("docs/part" + std::to_string(i % 10) + "/page" + std::to_string(i) + ".html",
                 "<title>Page " + std::to_string(i) + "</title><p>common text, version " +
                     version + ", page number " + std::to_string(i) + "</p>");
    }
  }

  ProcessResult admin(const std::vector<std::string>& args) const {
    return run_process(ZEB_BIN_DIR "/zebadm", args, {env_instance()}, "");
  }

  std::string search(const std::string& fields) const {
    const std::string body = fields + "&limit_number=5000&header=header.html&footer=footer.html";
    const ProcessResult r = testing::post_form(instance(), "CRASH", body);
    EXPECT_EQ(r.exit_status, 0);
    return r.out;
  }


  // Starts `zebadm ARGS` without waiting for it.
  pid_t start_admin(std::vector<std::string> args) const {
    return testing::start_process(ZEB_BIN_DIR "/zebadm", std::move(args), {env_instance()});
  }

  // Identity of the database's version file, which each commit replaces.
  ino_t commit_mark() const {
    struct stat st;
    const std::string file = instance() + "/data/DOCS/xapian/iamglass";
    return ::stat(file.c_str(), &st) == 0 ? st.st_ino : 0;
  }

  TempDir dir_;
};

TEST_F(KilledUpdate, IndexCatalogueAndLookupTableSurvive) {
  write_documents("one");
  ASSERT_EQ(admin({"init", "crash"}).exit_status, 0);
  const ProcessResult created = admin({"create", "DOCS", dir_.path() + "/docs"});
  ASSERT_EQ(created.exit_status, 0) << created.err;
  write_documents("two, changed");

  // Start an update and kill it as soon as its first batch is committed.
  const ino_t before = commit_mark();
  const pid_t pid = start_admin({"update", "DOCS"});
  ASSERT_GT(pid, 0);
  int status = 0;
  bool exited = false;
  // A bound only so that a broken build cannot hang the test.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(5);
  while (commit_mark() == before && std::chrono::steady_clock::now() < give_up) {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      exited = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (!exited) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  ASSERT_TRUE(WIFSIGNALED(status)) << "the update ended before it could be killed";

  // The index searches: every document as of one version or the other.
  const long one = testing::count_line(search("SelectIndex=docs&query_word0=one"));
  const long two = testing::count_line(search("SelectIndex=docs&query_word0=changed"));
  EXPECT_EQ(testing::count_line(search("SelectIndex=docs&query_word0=common")), kDocuments);
  EXPECT_GT(two, 0);
  EXPECT_LT(two, kDocuments);
  EXPECT_EQ(one + two, kDocuments);

  // The catalogue and the look-up table read whole.
  const ProcessResult listed = admin({"list"});
  EXPECT_EQ(listed.exit_status, 0) << listed.err;
  EXPECT_NE(listed.out.find("DOCS      active          1500"), std::string::npos) << listed.out;
  const ProcessResult mapped = admin({"map", "list"});
  EXPECT_EQ(mapped.exit_status, 0) << mapped.err;
  EXPECT_NE(mapped.out.find("DOCS         " + dir_.path() + "/docs\n"), std::string::npos);

  // The next update does the rest.
  const ProcessResult updated = admin({"update", "DOCS"});
  ASSERT_EQ(updated.exit_status, 0) << updated.err;
  EXPECT_NE(updated.out.find(std::to_string(kDocuments - two) + " documents indexed, " +
                             std::to_string(two) + " unchanged"),
            std::string::npos)
      << updated.out;
  EXPECT_EQ(testing::count_line(search("SelectIndex=docs&query_word0=changed")), kDocuments);
  EXPECT_EQ(testing::count_line(search("SelectIndex=docs&query_word0=one")), -1);
}

// Searches run while an update commits batch after batch: each sees the
// index whole, as of one commit.
TEST_F(KilledUpdate, SearchesGoOnDuringAnUpdate) {
  write_documents("one");
  ASSERT_EQ(admin({"init", "crash"}).exit_status, 0);
  ASSERT_EQ(admin({"create", "DOCS", dir_.path() + "/docs"}).exit_status, 0);
  write_documents("two, changed");
  const pid_t pid = start_admin({"update", "DOCS"});
  ASSERT_GT(pid, 0);
  int status = 0, searches = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    const std::string page = search("SelectIndex=docs&query_word0=common");
    EXPECT_EQ(testing::count_line(page), kDocuments) << page;
    ++searches;
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_GT(searches, 0);
  EXPECT_EQ(testing::count_line(search("SelectIndex=docs&query_word0=changed")), kDocuments);
}

}  // namespace
}  // namespace zeb
