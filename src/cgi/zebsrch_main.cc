// zebsrch: the search CGI. Started by the web server once per submission of a
// search form; writes one HTML page to standard output.
#include <cstdio>

#include "cgi/request_driver.h"

int main() { return zeb::run_request(stdin, stdout); }
