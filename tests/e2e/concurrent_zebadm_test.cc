// Two zebadm runs on one instance at once: each waits for the instance lock
// (and says so), they run one after the other in whichever order, and the
// instance comes out sound, its catalogue naming exactly what exists.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "cgi/temp_dir.h"
#include "e2e/cgi_post.h"
#include "e2e/concurrent_runs.h"

namespace zeb::testing {
namespace {

constexpr int kPages = 150;

class ZebadmAgainstZebadm : public ::testing::Test {
 protected:
  void SetUp() override {
    write_pages("one");
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"init", "test"}, {"create", "docs", docs()}}) {
      const ProcessResult r = run_zebadm(instance(), args);
      ASSERT_EQ(r.exit_status, 0) << r.err;
    }
  }

  void write_pages(const std::string& version) {
    for (int i = 0; i < kPages; ++i)
      dir_.write("docs/part" + std::to_string(i % 5) + "/page" + std::to_string(i) + ".html",
                 "<title>Page " + std::to_string(i) + "</title><p>common words, version " +
                     version + "</p>");
  }

  std::string instance() const { return dir_.path() + "/instance"; }
  std::string docs() const { return dir_.path() + "/docs"; }

  // Both runs start while the test holds the lock and are seen waiting for
  // it; then the lock is let go and both run to their end.
  std::vector<ProcessResult> meet(const std::vector<std::string>& first,
                                  const std::vector<std::string>& second) {
    HeldInstanceLock lock(instance());
    auto a = start_zebadm(instance(), first);
    auto b = start_zebadm(instance(), second);
    EXPECT_TRUE(lock.wait_for_waiters(2));
    lock.release();
    std::vector<ProcessResult> results = {a.get(), b.get()};
    const std::string notice = "zebadm: waiting for process " + std::to_string(::getpid());
    for (const ProcessResult& r : results)
      EXPECT_NE(r.err.find(notice), std::string::npos) << r.err;
    return results;
  }

  TempDir dir_;
};

// One table: the two runs, and what each may answer given the other.
TEST_F(ZebadmAgainstZebadm, RunsWaitForEachOtherAndLeaveTheInstanceSound) {
  struct Case {
    const char* what;
    const char* version;  // of the pages, written before the runs
    std::vector<std::string> first, second;
    std::function<void(const std::vector<ProcessResult>&)> expect;
  };
  const auto count = [&](const std::string& word) {
    return count_line(
        post_form(instance(), "TEST", "SelectIndex=docs&limit_number=5000&query_word0=" + word)
            .out);
  };
  const Case cases[] = {
      {"update against delete",
       "two",
       {"update", "docs"},
       {"delete", "docs"},
       [&](const std::vector<ProcessResult>& r) {
         EXPECT_EQ(r[1].exit_status, 0) << r[1].err;
         // The update ran first, or found no index to update.
         if (r[0].exit_status != 0) {
           EXPECT_NE(r[0].err.find("no index DOCS in the instance"), std::string::npos) << r[0].err;
         }
         EXPECT_EQ(expect_sound_instance(instance()), std::set<std::string>{});
       }},
      {"create twice",
       "two",
       {"create", "docs", docs()},
       {"create", "docs", docs()},
       [&](const std::vector<ProcessResult>& r) {
         EXPECT_EQ((r[0].exit_status == 0) + (r[1].exit_status == 0), 1);
         const ProcessResult& refused = r[0].exit_status == 0 ? r[1] : r[0];
         EXPECT_NE(refused.err.find("index DOCS already exists"), std::string::npos) << refused.err;
         EXPECT_EQ(expect_sound_instance(instance()), std::set<std::string>{"DOCS"});
         EXPECT_EQ(count("two"), kPages);
       }},
      {"map set against update",
       "three",
       {"map", "set", "docs", "http://example.org/moved/"},
       {"update", "docs"},
       [&](const std::vector<ProcessResult>& r) {
         EXPECT_EQ(r[0].exit_status, 0) << r[0].err;
         EXPECT_EQ(r[1].exit_status, 0) << r[1].err;
         EXPECT_EQ(expect_sound_instance(instance()), std::set<std::string>{"DOCS"});
         EXPECT_EQ(count("three"), kPages);
         EXPECT_NE(run_zebadm(instance(), {"map", "list"}).out.find("http://example.org/moved/"),
                   std::string::npos);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    write_pages(c.version);
    c.expect(meet(c.first, c.second));
  }
}

}  // namespace
}  // namespace zeb::testing
