// zebadm: index administration for a zebsrch instance.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "admin/command_line.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const int status = zeb::admin::run_zebadm(args, std::getenv("ZEBINSTSRV"), stdout, stderr);
  if (fflush(stdout) != 0) return 1;
  return status;
}
