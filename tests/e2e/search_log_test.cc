// The search log of real zebsrch processes, as a CGI and in the persistent
// mode: lines of concurrent requests stay whole and none is lost, and a log
// that cannot be written never changes a page.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "cgi/temp_dir.h"
#include "e2e/cgi_post.h"
#include "e2e/fastcgi_client.h"
#include "request/search_log_line.h"

namespace zeb {
namespace {

using testing::FastcgiServer;
using testing::post_form;
using testing::ProcessResult;
using testing::run_process;
using testing::TempDir;

constexpr int kCgiRequests = 200;
constexpr int kFastcgiThreads = 4;
constexpr int kFastcgiRequestsEach = 50;
constexpr const char* kForm =
    "SelectIndex=docs&free_text=alpha&rank=Y&header=header.html&footer=footer.html";

class SearchLogProcesses : public ::testing::Test {
 protected:
  SearchLogProcesses() {
    dir.write("docs/one.txt", "One\nalpha beta\n");
    dir.write("docs/two.txt", "Two\nalpha gamma\n");
    dir.write("docs/three.txt", "Three\nbeta gamma\n");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"init", "test"}, {"create", "docs", dir.path() + "/docs"}, {"log", "on"}}) {
      const ProcessResult r =
          run_process(ZEB_BIN_DIR "/zebadm", args, {"ZEBINSTSRV=" + site()}, "");
      EXPECT_EQ(r.exit_status, 0) << args[0] << ": " << r.err;
    }
  }

  std::string site() const { return dir.path() + "/site"; }
  std::string log_path() const { return site() + "/" + kSearchLogFile; }
  std::vector<std::string> form_env(const std::string& body) const {
    return {"REQUEST_METHOD=POST", "CONTENT_TYPE=application/x-www-form-urlencoded",
            "CONTENT_LENGTH=" + std::to_string(body.size()), "ZEBINSTSRV=" + site(),
            "ZEBINST=TEST"};
  }
  std::string read_log() const {
    std::ifstream in(log_path(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  TempDir dir;
};

// A line of the log split at its tabs.
std::vector<std::string> fields(std::string_view line) {
  std::vector<std::string> parts;
  for (size_t at = 0;;) {
    const size_t tab = line.find('\t', at);
    parts.emplace_back(line.substr(at, tab == std::string_view::npos ? line.npos : tab - at));
    if (tab == std::string_view::npos) return parts;
    at = tab + 1;
  }
}

// A query that tries to forge a line of its own; the log must show it
// escaped, as one line.
std::string probe_body(const std::string& tag) {
  return "SelectIndex=docs&free_text=alpha+" + tag + "%0A2026-01-01T00:00:00Z%09forged";
}
std::string probe_query(const std::string& tag) {
  return "alpha " + tag + "\\x0A2026-01-01t00:00:00z\\x09forged";
}

TEST_F(SearchLogProcesses, ConcurrentRequestsEachAppendOneWholeLine) {
  FastcgiServer first(ZEB_BIN_DIR "/zebsrch", dir.path() + "/first.sock");
  FastcgiServer second(ZEB_BIN_DIR "/zebsrch", dir.path() + "/second.sock");
  std::vector<std::string> expected;

  // Every CGI process is started before any is waited for.
  std::vector<pid_t> children;
  for (int i = 0; i < kCgiRequests; ++i) {
    const std::string tag = "cgi" + std::to_string(i);
    const std::string body = probe_body(tag);
    const std::string input = dir.write("bodies/" + tag, body);
    std::vector<std::string> env = form_env(body);
    std::vector<char*> envp;
    for (std::string& variable : env) envp.push_back(variable.data());
    envp.push_back(nullptr);
    char program[] = ZEB_BIN_DIR "/zebsrch";
    char* argv[] = {program, nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program, &actions, nullptr, argv, envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    children.push_back(pid);
    expected.push_back(probe_query(tag));
  }
  std::vector<std::thread> clients;
  std::vector<int> answered(kFastcgiThreads, 0);
  for (int t = 0; t < kFastcgiThreads; ++t) {
    clients.emplace_back([&, t] {
      for (int i = 0; i < kFastcgiRequestsEach; ++i) {
        const std::string body = probe_body("fcgi" + std::to_string(t) + "x" + std::to_string(i));
        const FastcgiServer& server = (i + t) % 2 == 0 ? first : second;
        if (testing::fastcgi_request(server.socket(), form_env(body), body).app_status == 0)
          ++answered[t];
      }
    });
    for (int i = 0; i < kFastcgiRequestsEach; ++i)
      expected.push_back(probe_query("fcgi" + std::to_string(t) + "x" + std::to_string(i)));
  }
  for (pid_t pid : children) {
    int status = -1;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (std::thread& client : clients) client.join();
  for (int count : answered) EXPECT_EQ(count, kFastcgiRequestsEach);
  EXPECT_EQ(first.stop(), 0);
  EXPECT_EQ(second.stop(), 0);

  const std::string log = read_log();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), '\n');
  std::vector<std::string> logged;
  for (size_t at = 0; at < log.size();) {
    const size_t end = log.find('\n', at);
    const std::string_view line = std::string_view(log).substr(at, end - at);
    const std::vector<std::string> field = fields(line);
    ASSERT_EQ(field.size(), 5u) << line;
    EXPECT_EQ(field[1], "DOCS");
    EXPECT_EQ(field[3], "2") << line;  // "alpha" is in two documents
    logged.push_back(field[2]);
    at = end + 1;
  }
  std::sort(expected.begin(), expected.end());
  std::sort(logged.begin(), logged.end());
  EXPECT_EQ(logged, expected);
}

// The ways a log can fail to take a line, each made in the instance's logs
// folder (whose log is there and not empty before).
struct Sabotage {
  const char* what;
  std::function<void(const std::string& logs)> make;
};

const Sabotage kSabotages[] = {
    {"no logs folder", [](const std::string& logs) { std::filesystem::remove_all(logs); }},
    {"logs is a file",
     [](const std::string& logs) {
       std::filesystem::remove_all(logs);
       std::ofstream(logs) << "x";
     }},
    {"the log is a folder",
     [](const std::string& logs) {
       std::filesystem::remove(logs + "/search.log");
       std::filesystem::create_directory(logs + "/search.log");
     }},
    {"the disk is full",
     [](const std::string& logs) {
       std::filesystem::remove(logs + "/search.log");
       std::filesystem::create_symlink("/dev/full", logs + "/search.log");
     }},
    {"a pipe no one reads",
     [](const std::string& logs) {
       std::filesystem::remove(logs + "/search.log");
       ASSERT_EQ(mkfifo((logs + "/search.log").c_str(), 0644), 0);
     }},
};

// Puts the logs folder back as `zebadm log on` left it, with one line.
void restore_logs(const std::string& logs) {
  std::filesystem::remove_all(logs);
  std::filesystem::create_directories(logs);
  std::ofstream(logs + "/search.log") << "2026-12-01T08:00:00Z\tDOCS\talpha\t2\t3.000\n";
}

TEST_F(SearchLogProcesses, AnUnwritableLogLeavesEveryPageAsItIs) {
  const std::string logs = site() + "/" + kSearchLogDir;
  const std::string setting = site() + "/" + kSearchLogSetting;
  // The reference: the page with the log off.
  std::filesystem::remove(setting);
  const ProcessResult reference = post_form(site(), "TEST", kForm);
  ASSERT_EQ(reference.exit_status, 0);
  ASSERT_EQ(testing::count_line(reference.out), 2);
  std::ofstream(setting).flush();

  // A file size limit, which would end the process with SIGXFSZ, is one
  // more way; the persistent process runs under it throughout. (Not the
  // CGI: here its page goes to a file, which the limit would cut.)
  restore_logs(logs);
  const std::string kept = read_log();
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit tiny = saved;
  tiny.rlim_cur = 1;
  setrlimit(RLIMIT_FSIZE, &tiny);
  FastcgiServer server(ZEB_BIN_DIR "/zebsrch", dir.path() + "/zebsrch.sock");
  setrlimit(RLIMIT_FSIZE, &saved);
  const testing::FastcgiAnswer first =
      testing::fastcgi_request(server.socket(), form_env(kForm), kForm);
  EXPECT_EQ(first.out, reference.out);
  EXPECT_EQ(read_log(), kept);

  for (const Sabotage& sabotage : kSabotages) {
    SCOPED_TRACE(sabotage.what);
    restore_logs(logs);
    sabotage.make(logs);
    const ProcessResult cgi = post_form(site(), "TEST", kForm);
    EXPECT_EQ(cgi.out, reference.out);
    EXPECT_EQ(cgi.exit_status, 0);
    EXPECT_EQ(cgi.signal, 0);
    const testing::FastcgiAnswer fastcgi =
        testing::fastcgi_request(server.socket(), form_env(kForm), kForm);
    EXPECT_EQ(fastcgi.out, reference.out);
    EXPECT_EQ(fastcgi.app_status, 0);
    EXPECT_TRUE(server.running());
  }
  EXPECT_EQ(server.stop(), 0);

  // And a log that takes lines changes no page either.
  restore_logs(logs);
  EXPECT_EQ(post_form(site(), "TEST", kForm).out, reference.out);
  const std::string after = read_log();
  ASSERT_GT(after.size(), kept.size());
  EXPECT_EQ(after.substr(0, kept.size()), kept);
  const std::vector<std::string> field =
      fields(std::string_view(after).substr(kept.size(), after.size() - kept.size() - 1));
  ASSERT_EQ(field.size(), 5u);
  EXPECT_EQ(field[2], "alpha");
  EXPECT_EQ(field[3], "2");
}

}  // namespace
}  // namespace zeb
