#include "cgi/request_cpu_limit.h"

#include <signal.h>
#include <time.h>

namespace zeb {

namespace {

timer_t request_timer;
bool timer_ready = false;

void set_timer(std::chrono::milliseconds bound) {
  if (!timer_ready) return;
  itimerspec when{};
  when.it_value.tv_sec = static_cast<time_t>(bound.count() / 1000);
  when.it_value.tv_nsec = static_cast<long>(bound.count() % 1000) * 1000000L;
  timer_settime(request_timer, 0, &when, nullptr);
}

}  // namespace

bool prepare_request_cpu_limit(void (*on_limit)(int)) {
  struct sigaction action {};
  action.sa_handler = on_limit;
  sigemptyset(&action.sa_mask);
  if (sigaction(SIGXCPU, &action, nullptr) != 0) return false;
  sigevent event{};
  event.sigev_notify = SIGEV_SIGNAL;
  event.sigev_signo = SIGXCPU;
  timer_ready = timer_create(CLOCK_PROCESS_CPUTIME_ID, &event, &request_timer) == 0;
  return timer_ready;
}

void arm_request_cpu_limit(std::chrono::milliseconds bound) {
  // A zero time would disarm instead.
  set_timer(bound.count() > 0 ? bound : std::chrono::milliseconds{1});
}

void disarm_request_cpu_limit() { set_timer(std::chrono::milliseconds{0}); }

}  // namespace zeb
