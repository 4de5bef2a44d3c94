#include "child_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace zeb::bench {
namespace {

int64_t now_ns() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
}

std::vector<char*> c_strings(const std::vector<std::string>& strings) {
  std::vector<char*> out;
  out.reserve(strings.size() + 1);
  for (const std::string& s : strings) out.push_back(const_cast<char*>(s.c_str()));
  out.push_back(nullptr);
  return out;
}

}  // namespace

int run_child(const ChildSpec& child, ChildRun& run) {
  if (child.argv.empty()) return EINVAL;
  std::vector<char*> argv = c_strings(child.argv);
  std::vector<char*> envp = c_strings(child.env);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, child.stdin_path.c_str(),
                                   O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, child.stdout_path.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);

  // The files are opened in the child, so their cost is counted like the
  // shell redirections a web server would do; both contenders pay it alike.
  const int64_t start = now_ns();
  pid_t pid = 0;
  int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return rc;

  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, 0, &usage) < 0) {
    if (errno != EINTR) return errno;
  }
  run.wall_ns = now_ns() - start;
  run.cpu_ns = (int64_t{usage.ru_utime.tv_sec} + usage.ru_stime.tv_sec) * 1000000000 +
               (int64_t{usage.ru_utime.tv_usec} + usage.ru_stime.tv_usec) * 1000;
  run.max_rss_kib = usage.ru_maxrss;
  run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return 0;
}

}  // namespace zeb::bench
