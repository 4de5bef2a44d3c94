// The bounds of a search as the page shows them: a request past a bound is
// answered "too complex" inside an orderly page, and zebsrch runs within its
// own limits of processor time and address space, ending the page when the
// processor limit strikes.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cgi/sanitizer_build.h"
#include "cgi/temp_dir.h"
#include "e2e/run_process.h"

namespace zeb {
namespace {

using testing::ProcessResult;
using testing::run_process;
using testing::TempDir;

constexpr const char* kTooComplex =
    "<p>Vant message: Query too complex. Reformulate search request. (rc=22)\n";

// "w0+w1+...": `count` words as a posted phrase.
std::string posted_words(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += (i == 0 ? "w" : "+w") + std::to_string(i);
  return text;
}

class SearchLimits : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    std::string words;
    for (int i = 0; i < 40; ++i) words += " w" + std::to_string(i);
    dir_->write("docs/words.txt", "Words\n" + words + "\n");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"init", "test"}, {"create", "docs", dir_->path() + "/docs"}}) {
      const ProcessResult r =
          run_process(ZEB_BIN_DIR "/zebadm", args, {"ZEBINSTSRV=" + instance()}, "");
      ASSERT_EQ(r.exit_status, 0) << args[0] << ": " << r.err;
    }
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  static std::string instance() { return dir_->path() + "/instance"; }

  static std::vector<std::string> environment(size_t body_size) {
    return {"REQUEST_METHOD=POST", "CONTENT_TYPE=application/x-www-form-urlencoded",
            "CONTENT_LENGTH=" + std::to_string(body_size), "ZEBINSTSRV=" + instance(),
            "ZEBINST=TEST"};
  }

  static std::string search(const std::string& fields) {
    const std::string body = fields + "&SelectIndex=docs&header=header.html&footer=footer.html";
    const ProcessResult r = run_process(ZEB_BIN_DIR "/zebsrch", {}, environment(body.size()), body);
    EXPECT_EQ(r.exit_status, 0) << r.err;
    return r.out;
  }

  static std::string footer() {
    std::ifstream file(instance() + "/footer.html", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  static bool ends_with(const std::string& page, const std::string& tail) {
    return page.size() >= tail.size() && page.compare(page.size() - tail.size(), tail.size(), tail) == 0;
  }

  static TempDir* dir_;
};

TempDir* SearchLimits::dir_ = nullptr;

TEST_F(SearchLimits, RequestPastABoundIsTooComplexInAnOrderlyPage) {
  const std::string page_end = footer() + "</BODY></HTML>\n";
  for (const std::string& fields : {"query_word0=" + posted_words(33),
                                    "query_word0=%2A" + std::string(64, 'w')}) {
    const std::string page = search(fields);
    EXPECT_NE(page.find(kTooComplex), std::string::npos) << page;
    EXPECT_NE(page.find("No matching documents found"), std::string::npos) << page;
    EXPECT_TRUE(ends_with(page, page_end)) << page;
  }
  const std::string longest = search("query_word0=" + posted_words(32));
  EXPECT_EQ(longest.find("rc=22"), std::string::npos) << longest;
  EXPECT_NE(longest.find("1 top document(s) returned"), std::string::npos) << longest;
}

// One field of /proc/PID/limits: the soft and hard values of a limit.
std::string limit_of(pid_t pid, const std::string& name) {
  std::ifstream limits("/proc/" + std::to_string(pid) + "/limits");
  std::string line;
  while (std::getline(limits, line)) {
    if (line.rfind(name, 0) != 0) continue;
    std::istringstream fields(line.substr(name.size()));
    std::string soft, hard;
    fields >> soft >> hard;
    return soft + " " + hard;
  }
  return "";
}

// The state letter of /proc/PID/stat (R running, S sleeping, ...).
char state_of(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  const size_t name_end = line.rfind(')');
  return name_end != std::string::npos && name_end + 2 < line.size() ? line[name_end + 2] : '?';
}

// zebsrch waits for a body that is still to come; meanwhile its limits are
// read and the processor limit's signal is sent, as the kernel would send it.
TEST_F(SearchLimits, ProcessorLimitEndsThePage) {
  int input[2];
  ASSERT_EQ(pipe(input), 0);
  TempDir out_dir;
  const std::string out_path = out_dir.path() + "/page";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
  posix_spawn_file_actions_addclose(&actions, input[1]);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_path.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<std::string> args = {ZEB_BIN_DIR "/zebsrch"};
  std::vector<std::string> env = environment(100);
  std::vector<char*> argv = testing::process_detail::c_strings(args);
  std::vector<char*> envp = testing::process_detail::c_strings(env);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(input[0]);
  ASSERT_EQ(spawned, 0);

  std::string cpu;
  for (int wait = 0; wait < 1000 && cpu != "5 10"; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    cpu = limit_of(pid, "Max cpu time");
  }
  EXPECT_EQ(cpu, "5 10");
  EXPECT_EQ(limit_of(pid, "Max address space"),
            kAddressSanitizer ? "unlimited unlimited" : "268435456 268435456");
  // The limits are set before the page's header is written: the signal is
  // sent once the process waits for its body, with the header written.
  for (int wait = 0; wait < 1000 && state_of(pid) != 'S'; ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));

  kill(pid, SIGXCPU);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  close(input[1]);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  std::ifstream file(out_path, std::ios::binary);
  std::stringstream page;
  page << file.rdbuf();
  EXPECT_EQ(page.str(),
            "Content-type: text/html\n\n\n"
            "<p>Search processing error has occurred.\n"
            "<p>Vant message: Search processing limit has been exceeded. (rc=12)\n"
            "</BODY></HTML>\n");
}

}  // namespace
}  // namespace zeb
