// One run of a program as a child process, the way a web server starts a CGI:
// a chosen environment (nothing inherited), standard input from a file,
// standard output to a file. Reports the wall time from just before the spawn
// to the reaped exit, the child's processor time and its peak resident set
// size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zeb::bench {

struct ChildSpec {
  std::vector<std::string> argv;  // argv[0] is the program's path
  std::vector<std::string> env;   // NAME=VALUE, the child's whole environment
  std::string stdin_path = "/dev/null";
  std::string stdout_path = "/dev/null";
};

struct ChildRun {
  int64_t wall_ns = 0;
  int64_t cpu_ns = 0;       // user and system time of the child
  int64_t max_rss_kib = 0;  // ru_maxrss of the reaped child
  int exit_status = -1;     // -1 when killed by a signal
  int signal = 0;
};

// 0 on success, else an errno value: the program cannot be run or a file
// cannot be opened (glibc reports both from the child back to posix_spawn).
int run_child(const ChildSpec& child, ChildRun& run);

}  // namespace zeb::bench
