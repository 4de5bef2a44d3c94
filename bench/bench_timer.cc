// bench_timer: runs one program many times as a child process and prints the
// median wall time and the peak resident memory, on one line:
//
//   runs=30 median_us=4120 min_us=3987 max_us=5230 max_rss_kib=9876
//
//   bench_timer [--runs N] [--warmup N] [--stdin FILE] [--env NAME=VALUE]...
//               [--keep-output FILE] [--status N] -- PROGRAM [ARG...]
//
// The child gets only the --env variables, its standard input from FILE and
// its standard output discarded (the warm-up's first run writes it to the
// --keep-output file instead, for checking). A run whose exit status is not
// --status (default 0) ends the benchmark with status 1.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "child_run.h"
#include "run_stats.h"

namespace {

using zeb::bench::ChildRun;
using zeb::bench::ChildSpec;

struct Options {
  int runs = 30;
  int warmup = 3;
  int status = 0;
  std::string keep_output;
  ChildSpec child;
};

int usage() {
  fprintf(stderr,
          "usage: bench_timer [--runs N] [--warmup N] [--stdin FILE] "
          "[--env NAME=VALUE]... [--keep-output FILE] [--status N] -- PROGRAM [ARG...]\n");
  return 2;
}

bool parse_count(const char* text, int& out) {
  char* end = nullptr;
  long value = strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 0 || value > 100000) return false;
  out = static_cast<int>(value);
  return true;
}

bool parse_options(int argc, char** argv, Options& o) {
  int i = 1;
  for (; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    if (arg == "--runs") {
      if (!parse_count(value, o.runs) || o.runs == 0) return false;
    } else if (arg == "--warmup") {
      if (!parse_count(value, o.warmup)) return false;
    } else if (arg == "--status") {
      if (!parse_count(value, o.status)) return false;
    } else if (arg == "--stdin") {
      o.child.stdin_path = value;
    } else if (arg == "--env") {
      if (!strchr(value, '=')) return false;
      o.child.env.push_back(value);
    } else if (arg == "--keep-output") {
      o.keep_output = value;
    } else {
      return false;
    }
  }
  for (; i < argc; ++i) o.child.argv.push_back(argv[i]);
  return !o.child.argv.empty();
}

// False (with a message) when the child could not be run or ended wrongly.
bool run_once(const ChildSpec& spec, int expected_status, ChildRun& run) {
  int rc = zeb::bench::run_child(spec, run);
  if (rc != 0) {
    fprintf(stderr, "bench_timer: cannot run %s: %s\n", spec.argv[0].c_str(), strerror(rc));
    return false;
  }
  if (run.exit_status != expected_status) {
    if (run.signal)
      fprintf(stderr, "bench_timer: %s killed by signal %d\n", spec.argv[0].c_str(), run.signal);
    else
      fprintf(stderr, "bench_timer: %s exited with %d, expected %d\n", spec.argv[0].c_str(),
              run.exit_status, expected_status);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parse_options(argc, argv, o)) return usage();

  ChildRun run;
  // At least one unmeasured run, so the page cache holds the database and the
  // program before timing starts, and the output can be kept for checking.
  const int warmup = o.warmup > 0 ? o.warmup : 1;
  for (int i = 0; i < warmup; ++i) {
    ChildSpec spec = o.child;
    if (i == 0 && !o.keep_output.empty()) spec.stdout_path = o.keep_output;
    if (!run_once(spec, o.status, run)) return 1;
  }

  std::vector<int64_t> wall;
  int64_t max_rss = 0;
  for (int i = 0; i < o.runs; ++i) {
    if (!run_once(o.child, o.status, run)) return 1;
    wall.push_back(run.wall_ns / 1000);
    if (run.max_rss_kib > max_rss) max_rss = run.max_rss_kib;
  }
  const zeb::bench::Summary s = zeb::bench::summarize(wall);
  printf("runs=%d median_us=%lld min_us=%lld max_us=%lld max_rss_kib=%lld\n", o.runs,
         static_cast<long long>(s.median), static_cast<long long>(s.min),
         static_cast<long long>(s.max), static_cast<long long>(max_rss));
  return 0;
}
