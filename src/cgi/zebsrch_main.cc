// zebsrch: the search CGI. Started by the web server once per submission of a
// search form; writes one HTML page to standard output, within its own limits
// of processor time and memory.
#include <cstdio>

#include "cgi/process_limits.h"
#include "cgi/request_driver.h"

int main() {
  zeb::limit_process(stdout);
  return zeb::run_request(stdin, stdout);
}
