#include "query/bus_error_guard.h"

#include <csetjmp>
#include <csignal>

namespace zeb {

namespace {

// Where a bus error of this thread's guarded read jumps to.
thread_local sigjmp_buf* guarded_read = nullptr;

extern "C" void on_bus_error(int) {
  if (guarded_read != nullptr) siglongjmp(*guarded_read, 1);
  // Not a guarded read (another thread's): the fault repeats on return and
  // takes the default action.
  std::signal(SIGBUS, SIG_DFL);
}

}  // namespace

bool read_guarding_bus_errors(void (*read)(void* context), void* context) {
  struct sigaction guard = {};
  guard.sa_handler = on_bus_error;
  sigemptyset(&guard.sa_mask);
  struct sigaction previous = {};
  if (sigaction(SIGBUS, &guard, &previous) != 0) {
    read(context);
    return true;
  }
  sigjmp_buf jump;
  // The signal mask is saved, so that the jump out of the handler unblocks
  // SIGBUS again.
  if (sigsetjmp(jump, 1) != 0) {
    guarded_read = nullptr;
    sigaction(SIGBUS, &previous, nullptr);
    return false;
  }
  guarded_read = &jump;
  read(context);
  guarded_read = nullptr;
  sigaction(SIGBUS, &previous, nullptr);
  return true;
}

}  // namespace zeb
