// zebsrch: the search CGI. Started by the web server once per submission of a
// search form, it writes one HTML page to standard output, within its own
// limits of processor time and memory. Started by a FastCGI process manager
// (a listening socket as standard input), it serves request after request
// with the same pages (cgi/fastcgi_loop.h).
#include <cstdio>

#include "cgi/fastcgi_loop.h"
#include "cgi/process_end.h"
#include "cgi/process_limits.h"
#include "cgi/request_driver.h"

int main() {
  if (zeb::listening_on_stdin()) return zeb::serve_fastcgi();
  zeb::limit_process(stdout);
  zeb::end_process(zeb::run_request(stdin, stdout));
}
