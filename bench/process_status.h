// A field of /proc/PID/status in KiB ("VmRSS:", "VmHWM:"), for the
// benchmarks that watch a server process's memory; -1 when it is not there.
#pragma once

#include <sys/types.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace zeb::bench {

inline long status_kib(pid_t pid, const char* field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  const std::string prefix = field;
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(prefix, 0) == 0) return std::atol(line.c_str() + prefix.size());
  return -1;
}

}  // namespace zeb::bench
