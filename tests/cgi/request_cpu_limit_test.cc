// The processor bound of a request, in a child process each: it strikes
// once the request has used its time, never once disarmed, and a new
// request starts with the whole bound again.
#include "cgi/request_cpu_limit.h"

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>

namespace zeb {
namespace {

using std::chrono::milliseconds;

constexpr int kStruck = 42;
constexpr int kNotStruck = 0;
constexpr int kNoTimer = 3;

extern "C" void strike(int) { _exit(kStruck); }

// Uses `amount` of processor time.
void spin(milliseconds amount) {
  timespec start{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &start);
  for (timespec now = start;; clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now)) {
    const long long used = (now.tv_sec - start.tv_sec) * 1000LL + (now.tv_nsec - start.tv_nsec) / 1000000;
    if (used >= amount.count()) return;
  }
}

// Runs `steps` in a child with the bound prepared; its exit status.
template <typename Steps>
int in_child(Steps steps) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (!prepare_request_cpu_limit(strike)) _exit(kNoTimer);
    steps();
    _exit(kNotStruck);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(RequestCpuLimit, StrikesWhenTheRequestHasUsedItsTime) {
  EXPECT_EQ(in_child([] {
              arm_request_cpu_limit(milliseconds{20});
              spin(milliseconds{10000});
            }),
            kStruck);
}

TEST(RequestCpuLimit, NeverStrikesOnceDisarmed) {
  EXPECT_EQ(in_child([] {
              arm_request_cpu_limit(milliseconds{20});
              disarm_request_cpu_limit();
              spin(milliseconds{100});
            }),
            kNotStruck);
}

TEST(RequestCpuLimit, EachRequestHasTheWholeBound) {
  EXPECT_EQ(in_child([] {
              for (int request = 0; request < 3; ++request) {
                arm_request_cpu_limit(milliseconds{60});
                spin(milliseconds{40});
                disarm_request_cpu_limit();
              }
            }),
            kNotStruck);
}

}  // namespace
}  // namespace zeb
