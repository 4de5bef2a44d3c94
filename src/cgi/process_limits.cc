#include "cgi/process_limits.h"

#include <malloc.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "cgi/engine_fault_guard.h"
#include "cgi/sanitizer_build.h"
#include "engine/return_codes.h"

namespace zeb {

namespace {

constexpr int32_t kRcProcessingLimit = 12;
constexpr int32_t kRcIndexNotAccessible = 62;

// The ends of the page, made before any limit or fault can strike: the
// handler may not format or allocate.
char page_end[kLimitPageEndSize];
size_t page_end_size = 0;
char fault_page_end[kLimitPageEndSize];
size_t fault_page_end_size = 0;
int page_fd = -1;

// At the processor limit (SIGXCPU), or at a crash of the search library
// that the request driver cannot take back (engine_fault_guard.h).
extern "C" void end_page_at_limit(int signal) {
  const bool fault = signal != SIGXCPU;
  // fflush is not async-signal-safe. The processor time goes into the
  // search, not into the page's writes, so the signal finds the streams at
  // rest; and should it ever stall here, the hard limit ends the process.
  // fflush(nullptr) passes over a page that is already closed.
  fflush(nullptr);
  const char* at = fault ? fault_page_end : page_end;
  size_t left = fault ? fault_page_end_size : page_end_size;
  while (left > 0) {
    const ssize_t written = write(page_fd, at, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    at += written;
    left -= static_cast<size_t>(written);
  }
  _exit(0);
}

// Lowers the limit to `soft`/`hard`; a limit already lower stays.
void lower_limit(int resource, rlim_t soft, rlim_t hard) {
  rlimit limit{};
  if (getrlimit(resource, &limit) != 0) return;
  limit.rlim_max = std::min(limit.rlim_max, hard);
  limit.rlim_cur = std::min({limit.rlim_cur, soft, limit.rlim_max});
  setrlimit(resource, &limit);
}

size_t format_failure_page_end(char* text, size_t size, int32_t code) {
  const int length = snprintf(text, size, "<p>%s\n<p>%s %s (rc=%d)\n</BODY></HTML>\n",
                              "Search processing error has occurred.", kVantMessage,
                              return_code_text(code), code);
  return length > 0 && size > 0 ? std::min(static_cast<size_t>(length), size - 1) : 0;
}

}  // namespace

size_t format_limit_page_end(char* text, size_t size) {
  return format_failure_page_end(text, size, kRcProcessingLimit);
}

size_t format_fault_page_end(char* text, size_t size) {
  return format_failure_page_end(text, size, kRcIndexNotAccessible);
}

void limit_address_space() {
  // The threads that talk to shards side by side share the one heap: a heap
  // of its own per thread would reserve 64 MiB of address space each, and
  // cost the mapping and its trimming on every request.
  mallopt(M_ARENA_MAX, 1);
  if (!kAddressSanitizer) lower_limit(RLIMIT_AS, kAddressSpaceBytes, kAddressSpaceBytes);
}

void limit_process(FILE* out) {
  page_end_size = format_limit_page_end(page_end, sizeof page_end);
  fault_page_end_size = format_fault_page_end(fault_page_end, sizeof fault_page_end);
  page_fd = fileno(out);
  prepare_fault_guard(end_page_at_limit);

  struct sigaction action {};
  action.sa_handler = end_page_at_limit;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGXCPU, &action, nullptr);

  lower_limit(RLIMIT_CPU, kCpuSoftSeconds, kCpuHardSeconds);
  limit_address_space();
}

}  // namespace zeb
