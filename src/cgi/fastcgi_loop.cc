#include "cgi/fastcgi_loop.h"

#include <fcgiapp.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include "cgi/engine_fault_guard.h"
#include "cgi/fastcgi_memory.h"
#include "cgi/fastcgi_streams.h"
#include "cgi/process_limits.h"
#include "cgi/request_cpu_limit.h"
#include "cgi/request_driver.h"

extern char** environ;

namespace zeb {

namespace {

// Seconds the processor-limit handler may take before SIGALRM ends the
// process, should the end of the page stall.
constexpr unsigned kStallSeconds = 5;

// Between requests the process has no variables at all.
char* no_variables[] = {nullptr};

// The request under way, for the processor-limit handler; null between
// requests.
FCGX_Request* volatile current_request = nullptr;
FastcgiOutput* volatile current_output = nullptr;

// Made before any request, as the handler may not format.
char page_end[kLimitPageEndSize];
size_t page_end_size = 0;
char fault_page_end[kLimitPageEndSize];
size_t fault_page_end_size = 0;

// At the request's processor bound (SIGXCPU), or at a crash of the search
// library that the request driver cannot take back (engine_fault_guard.h).
extern "C" void end_request_at_limit(int signal) {
  const bool fault = signal != SIGXCPU;
  alarm(kStallSeconds);
  // As in the CGI: the processor time goes into the search, so the streams
  // are at rest, and fflush passes over a page that is already closed.
  if (FCGX_Request* request = current_request) {
    fflush(nullptr);
    if (!current_output->closed) {
      FCGX_PutStr(fault ? fault_page_end : page_end,
                  static_cast<int>(fault ? fault_page_end_size : page_end_size), request->out);
    }
    FCGX_SetExitStatus(0, request->out);
    FCGX_Finish_r(request);
  }
  _exit(0);
}

// getenv answers from the request's variables alone, never from the
// process's or an earlier request's; they live until the request is
// finished. No variable is ever copied, so none accumulates.
class RequestVariables {
 public:
  explicit RequestVariables(char** envp) { environ = envp != nullptr ? envp : no_variables; }
  ~RequestVariables() { environ = no_variables; }
  RequestVariables(const RequestVariables&) = delete;
  RequestVariables& operator=(const RequestVariables&) = delete;
};

// One request, from its streams to the driver's exit status.
int serve_request(FCGX_Request& request) {
  RequestVariables variables(request.envp);
  FastcgiOutput output;
  output.stream = request.out;
  FILE* in = open_fastcgi_input(request.in);
  FILE* out = open_fastcgi_output(output);
  if (in == nullptr || out == nullptr) {
    if (in != nullptr) fclose(in);
    if (out != nullptr) fclose(out);
    return 1;
  }
  current_output = &output;
  current_request = &request;
  arm_request_cpu_limit();
  const int status = run_request(in, out);  // closes `out`
  disarm_request_cpu_limit();
  current_request = nullptr;
  current_output = nullptr;
  fclose(in);
  return status;
}

}  // namespace

bool listening_on_stdin() {
  int listening = 0;
  socklen_t size = sizeof listening;
  return getsockopt(STDIN_FILENO, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) == 0 &&
         listening != 0;
}

int serve_fastcgi() {
  // A write to a client that has gone fails with EPIPE instead.
  signal(SIGPIPE, SIG_IGN);
  limit_address_space();
  keep_heap_small();
  page_end_size = format_limit_page_end(page_end, sizeof page_end);
  fault_page_end_size = format_fault_page_end(fault_page_end, sizeof fault_page_end);
  prepare_request_cpu_limit(end_request_at_limit);
  prepare_fault_guard(end_request_at_limit);
  // The library reads its own settings from the process's environment
  // (FCGI_WEB_SERVER_ADDRS: who may connect over TCP) before it goes.
  FCGX_Request request;
  if (FCGX_Init() != 0 || FCGX_InitRequest(&request, STDIN_FILENO, 0) != 0) return 1;
  prepare_fastcgi_read_timeout();
  environ = no_variables;
  while (FCGX_Accept_r(&request) == 0) {
    FCGX_SetExitStatus(serve_request(request), request.out);
    FCGX_Finish_r(&request);
    give_back_free_memory();
    // The search library crashed during the request: its state cannot be
    // trusted, and the process manager starts a clean process.
    if (fault_taken_back()) return 0;
  }
  FCGX_Free(&request, 1);
  return 0;
}

}  // namespace zeb
