#include "cgi/engine_fault_guard.h"

#include <pthread.h>
#include <unistd.h>

#include <csetjmp>
#include <csignal>

#include "cgi/sanitizer_build.h"

namespace zeb {

namespace {

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// The handlers' own stack: 64 KiB, more than a handler that writes a few
// bytes or jumps needs.
alignas(16) char fault_stack[64 * 1024];

void (*stray_fault)(int) = nullptr;

// The jump of the guard under way, and its thread; null outside a guard.
sigjmp_buf* volatile guard_jump = nullptr;
pthread_t guard_thread;
volatile sig_atomic_t taken_back = 0;

extern "C" void on_fault(int signal) {
  sigjmp_buf* jump = guard_jump;
  if (jump != nullptr && pthread_equal(pthread_self(), guard_thread)) {
    guard_jump = nullptr;
    taken_back = 1;
    siglongjmp(*jump, signal);
  }
  if (stray_fault != nullptr) stray_fault(signal);
  // The stray handler returned (or there is none): the signal's own action,
  // which the fault meets again on return.
  std::signal(signal, SIG_DFL);
}

}  // namespace

bool prepare_fault_guard(void (*on_stray_fault)(int)) {
  if (kAddressSanitizer) return false;
  stack_t stack{};
  stack.ss_sp = fault_stack;
  stack.ss_size = sizeof fault_stack;
  if (sigaltstack(&stack, nullptr) != 0) return false;
  stray_fault = on_stray_fault;
  struct sigaction action {};
  action.sa_handler = on_fault;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_ONSTACK;
  for (int signal : kFaultSignals)
    if (sigaction(signal, &action, nullptr) != 0) return false;
  return true;
}

bool run_guarding_faults(void (*body)(void*), void* context) {
  sigjmp_buf jump;
  // The signal mask is saved, so that the jump out of the handler unblocks
  // the signal again.
  if (sigsetjmp(jump, 1) != 0) return false;
  guard_thread = pthread_self();
  guard_jump = &jump;
  body(context);
  guard_jump = nullptr;
  return true;
}

bool fault_taken_back() { return taken_back != 0; }

}  // namespace zeb
