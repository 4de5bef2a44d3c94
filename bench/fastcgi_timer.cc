// fastcgi_timer: times requests to one long-lived zebsrch FastCGI process
// (the persistent mode), the way bench_timer times CGI processes.
//
//   fastcgi_timer [--runs N] [--warmup N] [--env NAME=VALUE]... -- ZEBSRCH SOCKET BODY...
//
// Each BODY file is posted (REQUEST_METHOD=POST, its CONTENT_LENGTH, and
// every --env) to one zebsrch serving on the Unix socket SOCKET, the bodies
// taking turns, WARMUP times unmeasured and then RUNS times. Prints one line
// per body, in order: "runs=N median_us=... min_us=... max_us=...", the wall
// time from sending the request to the end of its answer, then
// "cpu_median_us=..." (the processor time the server's main thread spent on
// the request, from /proc/PID/schedstat) and "max_rss_kib=..." (the
// server's peak resident memory so far, VmHWM). Exits 1 when an answer does
// not end with status 0, 2 on bad usage.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/fastcgi_client.h"
#include "process_status.h"
#include "run_stats.h"

namespace {

int usage() {
  fprintf(stderr,
          "usage: fastcgi_timer [--runs N] [--warmup N] [--env NAME=VALUE]... -- ZEBSRCH SOCKET "
          "BODY...\n");
  return 2;
}

bool read_file(const char* path, std::string& out) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream text;
  text << file.rdbuf();
  out = text.str();
  return true;
}

// Nanoseconds of processor time the main thread of `pid` has used.
int64_t cpu_ns(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/schedstat");
  long long ns = 0;
  file >> ns;
  return ns;
}


}  // namespace

int main(int argc, char** argv) {
  int runs = 20, warmup = 2;
  std::vector<std::string> env = {"REQUEST_METHOD=POST",
                                  "CONTENT_TYPE=application/x-www-form-urlencoded"};
  int at = 1;
  for (; at < argc && std::strcmp(argv[at], "--") != 0; ++at) {
    if (at + 1 >= argc) return usage();
    if (std::strcmp(argv[at], "--runs") == 0) runs = std::atoi(argv[++at]);
    else if (std::strcmp(argv[at], "--warmup") == 0) warmup = std::atoi(argv[++at]);
    else if (std::strcmp(argv[at], "--env") == 0) env.push_back(argv[++at]);
    else return usage();
  }
  if (at + 3 >= argc || runs < 1 || warmup < 0) return usage();
  const std::string binary = argv[at + 1], socket = argv[at + 2];
  std::vector<std::string> bodies;
  for (int i = at + 3; i < argc; ++i) {
    if (!read_file(argv[i], bodies.emplace_back())) {
      fprintf(stderr, "fastcgi_timer: cannot read %s\n", argv[i]);
      return 2;
    }
  }

  zeb::testing::FastcgiServer server(binary, socket);
  std::vector<std::vector<int64_t>> samples(bodies.size()), cpu(bodies.size());
  for (int round = 0; round < warmup + runs; ++round) {
    for (size_t i = 0; i < bodies.size(); ++i) {
      std::vector<std::string> request_env = env;
      request_env.push_back("CONTENT_LENGTH=" + std::to_string(bodies[i].size()));
      const int64_t cpu_before = cpu_ns(server.pid());
      const auto start = std::chrono::steady_clock::now();
      const zeb::testing::FastcgiAnswer answer =
          zeb::testing::fastcgi_request(server.socket(), request_env, bodies[i]);
      const auto end = std::chrono::steady_clock::now();
      const int64_t cpu_used = cpu_ns(server.pid()) - cpu_before;
      if (answer.app_status != 0) {
        fprintf(stderr, "fastcgi_timer: %s ended with status %d\n", argv[at + 3 + i],
                answer.app_status);
        return 1;
      }
      if (round >= warmup) {
        samples[i].push_back(
            std::chrono::duration_cast<std::chrono::microseconds>(end - start).count());
        cpu[i].push_back(cpu_used / 1000);
      }
    }
  }
  const long peak = zeb::bench::status_kib(server.pid(), "VmHWM:");
  for (size_t i = 0; i < samples.size(); ++i) {
    const zeb::bench::Summary summary = zeb::bench::summarize(samples[i]);
    printf("runs=%zu median_us=%lld min_us=%lld max_us=%lld cpu_median_us=%lld max_rss_kib=%ld\n",
           samples[i].size(), static_cast<long long>(summary.median),
           static_cast<long long>(summary.min), static_cast<long long>(summary.max),
           static_cast<long long>(zeb::bench::summarize(cpu[i]).median), peak);
  }
  return server.stop() == 0 ? 0 : 1;
}
