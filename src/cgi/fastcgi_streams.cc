#include "cgi/fastcgi_streams.h"

#include <climits>

namespace zeb {

namespace {

// The library counts in int: larger requests are served in parts.
int part_size(size_t size) { return size > INT_MAX ? INT_MAX : static_cast<int>(size); }

ssize_t read_input(void* cookie, char* buffer, size_t size) {
  auto* in = static_cast<FCGX_Stream*>(cookie);
  const int got = FCGX_GetStr(buffer, part_size(size), in);
  // A connection that broke mid-body is an error, not a short body.
  if (got == 0 && FCGX_GetError(in) != 0) return -1;
  return got;
}

// Every byte or an error: fopencookie's writer reports failure with 0.
ssize_t write_output(void* cookie, const char* buffer, size_t size) {
  auto* output = static_cast<FastcgiOutput*>(cookie);
  if (output->closed) return 0;
  const int length = part_size(size);
  return FCGX_PutStr(buffer, length, output->stream) == length ? length : 0;
}

int close_output(void* cookie) {
  auto* output = static_cast<FastcgiOutput*>(cookie);
  output->closed = 1;
  return FCGX_FClose(output->stream) == 0 ? 0 : EOF;
}

}  // namespace

FILE* open_fastcgi_input(FCGX_Stream* in) {
  return fopencookie(in, "r", cookie_io_functions_t{read_input, nullptr, nullptr, nullptr});
}

FILE* open_fastcgi_output(FastcgiOutput& output) {
  output.closed = 0;
  return fopencookie(&output, "w",
                     cookie_io_functions_t{nullptr, write_output, nullptr, close_output});
}

}  // namespace zeb
