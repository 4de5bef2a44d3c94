// bench_timer: runs one or more programs many times each as child processes
// and prints, for each in the order given, one line:
//
//   runs=30 median_us=4120 min_us=3987 max_us=5230 cpu_median_us=3710 max_rss_kib=9876
//     paired_ratio=1.0312
//
//   bench_timer [--runs N] [--warmup N] CONTENDER [';' CONTENDER]...
//   CONTENDER: [--stdin FILE] [--env NAME=VALUE]... [--keep-output FILE]
//              [--status N] -- PROGRAM [ARG...]
//
// (In a shell the separator is written \; as with find -exec.) Runs are
// taken in rounds, each round running every contender once, the order
// reversed every other round, so that a load that comes and goes on a shared
// machine falls on all of them alike. Times are medians over the rounds; the
// memory is the highest peak of any measured run; paired_ratio is the median
// over the rounds of the first program's wall time divided by this one's.
//
// A child gets only its --env variables, its standard input from FILE and its
// standard output discarded (the first warm-up run writes it to the
// --keep-output file instead, for checking). A run whose exit status is not
// --status (default 0) ends the benchmark with status 1.
#include <algorithm>
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

struct Contender {
  ChildSpec child;
  std::string keep_output;
  int status = 0;
  std::vector<int64_t> wall_us;
  std::vector<int64_t> cpu_us;
  int64_t max_rss_kib = 0;
};

struct Options {
  int runs = 30;
  int warmup = 3;
  std::vector<Contender> contenders;
};

int usage() {
  fprintf(stderr,
          "usage: bench_timer [--runs N] [--warmup N] CONTENDER [';' CONTENDER]...\n"
          "  CONTENDER: [--stdin FILE] [--env NAME=VALUE]... [--keep-output FILE] "
          "[--status N] -- PROGRAM [ARG...]\n");
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
  while (i < argc) {
    Contender c;
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
        if (!parse_count(value, c.status)) return false;
      } else if (arg == "--stdin") {
        c.child.stdin_path = value;
      } else if (arg == "--env") {
        if (!strchr(value, '=')) return false;
        c.child.env.push_back(value);
      } else if (arg == "--keep-output") {
        c.keep_output = value;
      } else {
        return false;
      }
    }
    for (; i < argc && strcmp(argv[i], ";") != 0; ++i) c.child.argv.push_back(argv[i]);
    if (c.child.argv.empty()) return false;
    o.contenders.push_back(std::move(c));
    ++i;  // past the ';'
  }
  return !o.contenders.empty();
}

// False (with a message) when the child could not be run or ended wrongly.
bool run_once(const ChildSpec& child, int expected_status, ChildRun& run) {
  int rc = zeb::bench::run_child(child, run);
  if (rc != 0) {
    fprintf(stderr, "bench_timer: cannot run %s: %s\n", child.argv[0].c_str(), strerror(rc));
    return false;
  }
  if (run.exit_status != expected_status) {
    if (run.signal)
      fprintf(stderr, "bench_timer: %s killed by signal %d\n", child.argv[0].c_str(), run.signal);
    else
      fprintf(stderr, "bench_timer: %s exited with %d, expected %d\n", child.argv[0].c_str(),
              run.exit_status, expected_status);
    return false;
  }
  return true;
}

bool warm_up(Contender& c, int runs) {
  ChildRun run;
  // At least one unmeasured run, so that the page cache holds the database
  // and the program before timing starts, and the output can be kept.
  for (int i = 0; i < std::max(runs, 1); ++i) {
    ChildSpec child = c.child;
    if (i == 0 && !c.keep_output.empty()) child.stdout_path = c.keep_output;
    if (!run_once(child, c.status, run)) return false;
  }
  return true;
}

bool measure(Contender& c) {
  ChildRun run;
  if (!run_once(c.child, c.status, run)) return false;
  c.wall_us.push_back(run.wall_ns / 1000);
  c.cpu_us.push_back(run.cpu_ns / 1000);
  c.max_rss_kib = std::max(c.max_rss_kib, run.max_rss_kib);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parse_options(argc, argv, o)) return usage();

  for (Contender& c : o.contenders) {
    if (!warm_up(c, o.warmup)) return 1;
  }
  const size_t n = o.contenders.size();
  for (int round = 0; round < o.runs; ++round) {
    for (size_t k = 0; k < n; ++k) {
      if (!measure(o.contenders[round % 2 ? n - 1 - k : k])) return 1;
    }
  }
  for (const Contender& c : o.contenders) {
    const zeb::bench::Summary wall = zeb::bench::summarize(c.wall_us);
    const zeb::bench::Summary cpu = zeb::bench::summarize(c.cpu_us);
    const double paired = zeb::bench::median_ratio(o.contenders.front().wall_us, c.wall_us);
    printf("runs=%d median_us=%lld min_us=%lld max_us=%lld cpu_median_us=%lld max_rss_kib=%lld "
           "paired_ratio=%.4f\n",
           o.runs, static_cast<long long>(wall.median), static_cast<long long>(wall.min),
           static_cast<long long>(wall.max), static_cast<long long>(cpu.median),
           static_cast<long long>(c.max_rss_kib), paired);
  }
  return 0;
}
