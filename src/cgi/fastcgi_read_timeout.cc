// A read timeout on every connection the FastCGI library accepts. A web
// server sends each record whole, but a client that reaches the socket
// itself can send the start of a request and then nothing: the library
// would wait in read() for the rest for as long as the client likes, and
// the process would serve no one else. With the timeout a read that waits
// kFastcgiReadTimeout fails; the library then drops a request whose
// variables did not all come and accepts the next, and a body that stops
// ends where it stopped, as a body cut short does.
//
// The library accepts and reads the variables inside one call, with no
// place between the two for its caller: the program is linked with
// --wrap=accept, so that the library's accept() comes here. (A listening
// Unix socket's own timeout would not pass to the sockets it accepts, and
// would end accept() itself.)
#include <sys/socket.h>

#include <cstdlib>

#include "cgi/fastcgi_loop.h"
#include "request/decimal_prefix.h"

namespace {

constexpr long kMaxReadTimeoutSeconds = 3600;

long read_timeout = zeb::kFastcgiReadTimeout.count();

}  // namespace

namespace zeb {

void prepare_fastcgi_read_timeout() {
  const char* text = getenv("ZEBSRCH_READ_TIMEOUT");
  const long seconds = text != nullptr ? decimal_clamped32(text) : 0;
  if (seconds >= 1 && seconds <= kMaxReadTimeoutSeconds) read_timeout = seconds;
}

}  // namespace zeb

extern "C" int __real_accept(int socket, sockaddr* address, socklen_t* length);

extern "C" int __wrap_accept(int socket, sockaddr* address, socklen_t* length) {
  const int accepted = __real_accept(socket, address, length);
  if (accepted >= 0) {
    timeval timeout{};
    timeout.tv_sec = read_timeout;
    setsockopt(accepted, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  }
  return accepted;
}
