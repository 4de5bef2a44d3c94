// The whole life of one search request: the HTTP header line, form decoding,
// both field passes, header template, echo, the search phases and the page
// tail. Reads the CGI environment; returns the process exit status.
#pragma once

#include <cstdio>

namespace zeb {

// `out` is closed by the page tail (before the search engine objects are
// released), and on every other way out.
int run_request(FILE* in, FILE* out);

}  // namespace zeb
