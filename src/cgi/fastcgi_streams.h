// The streams of one FastCGI request as the C streams the request driver
// reads and writes, so that the driver runs unchanged in both modes.
//
// The output's buffered bytes go to the request's FastCGI output stream.
// Closing the output (the driver's fclose at the page tail) flushes it and
// writes the end of the request's output; the request itself ends later,
// when the loop finishes it with the exit status. Once the web server has
// gone (the client left), every write fails quietly: the request runs to
// its end without a reader.
#pragma once

#include <fcgiapp.h>

#include <csignal>
#include <cstdio>

namespace zeb {

// The output of one request; the caller keeps it until the request ends.
struct FastcgiOutput {
  FCGX_Stream* stream = nullptr;
  // Set when the FILE* is closed: the page has ended, and what follows must
  // not be written into it (a signal handler reads this).
  volatile sig_atomic_t closed = 0;
};

// A readable FILE* over `in`: the request's body, then the end of input.
FILE* open_fastcgi_input(FCGX_Stream* in);

// A writable FILE* over `output.stream`.
FILE* open_fastcgi_output(FastcgiOutput& output);

}  // namespace zeb
