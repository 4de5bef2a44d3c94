#include "child_run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "run_stats.h"

namespace zeb::bench {
namespace {

class ChildRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zeb-bench-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  std::string write(const std::string& name, const std::string& text) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path) << text;
    return path;
  }
  static std::string read(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
  }
  static ChildSpec shell(const std::string& script) {
    ChildSpec child;
    child.argv = {"/bin/sh", "-c", script};
    return child;
  }

  std::string dir_;
};

TEST_F(ChildRunTest, ChildGetsTheBodyOnStdinAndOnlyTheGivenEnvironment) {
  ChildSpec child = shell("echo \"$CONTENT_LENGTH ${HOME-no home}\"; cat");
  child.env = {"CONTENT_LENGTH=9"};
  child.stdin_path = write("body", "a=1&b=two");
  child.stdout_path = dir_ + "/page";
  ChildRun run;
  ASSERT_EQ(run_child(child, run), 0);
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(read(child.stdout_path), "9 no home\na=1&b=two");
  EXPECT_GT(run.wall_ns, 0);
}

TEST_F(ChildRunTest, ReportsExitStatusAndKillingSignal) {
  ChildRun run;
  ASSERT_EQ(run_child(shell("exit 3"), run), 0);
  EXPECT_EQ(run.exit_status, 3);
  EXPECT_EQ(run.signal, 0);

  ASSERT_EQ(run_child(shell("kill -KILL $$"), run), 0);
  EXPECT_EQ(run.exit_status, -1);
  EXPECT_EQ(run.signal, SIGKILL);
}

TEST_F(ChildRunTest, UnrunnableProgramOrMissingInputIsAnError) {
  ChildRun run;
  ChildSpec missing_program;
  missing_program.argv = {dir_ + "/no-such-program"};
  EXPECT_EQ(run_child(missing_program, run), ENOENT);

  ChildSpec missing_input = shell("true");
  missing_input.stdin_path = dir_ + "/no-such-body";
  EXPECT_EQ(run_child(missing_input, run), ENOENT);

  EXPECT_EQ(run_child(ChildSpec{}, run), EINVAL);
}

// Peak memory must be that one child's, not the high-water mark of every
// child so far (which is what getrusage(RUSAGE_CHILDREN) would give).
TEST_F(ChildRunTest, PeakMemoryIsPerChild) {
  ChildSpec big;
  big.argv = {"/bin/bash", "-c", "x=$(head -c 40000000 /dev/zero | tr '\\0' a); echo ${#x}"};
  big.stdout_path = dir_ + "/big";
  ChildRun big_run;
  ASSERT_EQ(run_child(big, big_run), 0);
  ASSERT_EQ(read(big.stdout_path), "40000000\n");
  EXPECT_GT(big_run.max_rss_kib, 40000);

  ChildRun small_run;
  ASSERT_EQ(run_child(shell("true"), small_run), 0);
  EXPECT_GT(small_run.max_rss_kib, 0);
  EXPECT_LT(small_run.max_rss_kib, 20000);
}

TEST(Summarize, MedianMinAndMaxOfUnsortedSamples) {
  Summary odd = summarize({7, 1, 5});
  EXPECT_EQ(odd.median, 5);
  EXPECT_EQ(odd.min, 1);
  EXPECT_EQ(odd.max, 7);

  // Even counts take the mean of the two middle samples.
  EXPECT_EQ(summarize({40, 10, 30, 20}).median, 25);
  EXPECT_EQ(summarize({9}).median, 9);

  Summary none = summarize({});
  EXPECT_EQ(none.median, 0);
  EXPECT_EQ(none.max, 0);
}

}  // namespace
}  // namespace zeb::bench
