// zebadm's command line:
//   zebadm [--instance DIR] COMMAND [OPERANDS...] [--location LOC] [--help]
// The instance directory is --instance DIR or else $ZEBINSTSRV.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace zeb::admin {

// Runs one command line (without the program name); `env_instance` is the
// value of ZEBINSTSRV or null. A progress line is drawn when `err` is a
// terminal. Returns the exit status: 0 done, 1 failed, 2 misused.
int run_zebadm(const std::vector<std::string>& args, const char* env_instance, FILE* out,
               FILE* err);

}  // namespace zeb::admin
