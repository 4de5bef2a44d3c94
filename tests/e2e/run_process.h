// Runs a program as a child process, for the end-to-end tests: given its
// arguments, its whole environment and the bytes of its standard input, it
// returns what the program wrote to standard output and standard error and
// how it ended.
//
// Input and output go through unlinked temporary files, so no pipe can fill
// up and stall either side whatever the sizes. A program still running after
// `timeout_seconds` is killed (the result then carries the signal).
//
//   ProcessResult r = run_process(ZEB_BIN_DIR "/zebsrch", {},
//                                 {"REQUEST_METHOD=POST", "CONTENT_LENGTH=3"}, "a=1");
//   EXPECT_EQ(r.exit_status, 0);
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace zeb::testing {

struct ProcessResult {
  int exit_status = -1;  // the exit status; -1 when a signal ended the process
  int signal = 0;        // the signal that ended it, 0 when it exited
  std::string out;       // standard output
  std::string err;       // standard error
};

namespace process_detail {

// An unlinked temporary file, open for reading and writing.
inline int anonymous_file() {
  const char* dir = getenv("TMPDIR");
  std::string pattern = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/zeb-proc-XXXXXX";
  int fd = mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot create a temporary file in " + pattern);
  unlink(pattern.c_str());
  return fd;
}

inline void write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n <= 0) throw std::runtime_error("cannot write the child's input");
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

inline std::string read_all(int fd) {
  std::string bytes;
  char block[65536];
  lseek(fd, 0, SEEK_SET);
  for (ssize_t n; (n = read(fd, block, sizeof block)) > 0;) bytes.append(block, static_cast<size_t>(n));
  return bytes;
}

inline std::vector<char*> c_strings(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace process_detail

// `args` are the arguments after the program's name; `env` is the child's
// whole environment, as "NAME=value" strings.
inline ProcessResult run_process(const std::string& binary, std::vector<std::string> args,
                                 std::vector<std::string> env, std::string_view input,
                                 int timeout_seconds = 300) {
  using namespace process_detail;
  int in = anonymous_file();
  int out = anonymous_file();
  int err = anonymous_file();
  write_all(in, input);
  lseek(in, 0, SEEK_SET);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in, STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err, STDERR_FILENO);

  args.insert(args.begin(), binary);
  std::vector<char*> argv = c_strings(args);
  std::vector<char*> envp = c_strings(env);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(in);
  if (spawned != 0) {
    close(out);
    close(err);
    throw std::runtime_error("cannot start " + binary);
  }

  // Waits without a blocking call, so a hung child can be killed.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }

  ProcessResult result;
  if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  result.out = read_all(out);
  result.err = read_all(err);
  close(out);
  close(err);
  return result;
}

// Starts `binary` with `args` and the whole environment `env`, its output
// thrown away, and returns at once: its process id, or -1.
inline pid_t start_process(const std::string& binary, std::vector<std::string> args,
                           std::vector<std::string> env) {
  using namespace process_detail;
  args.insert(args.begin(), binary);
  std::vector<char*> argv = c_strings(args);
  std::vector<char*> envp = c_strings(env);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

}  // namespace zeb::testing
