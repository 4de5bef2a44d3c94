// Runs zebadm command lines in process, capturing what they print.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "admin/command_line.h"

namespace zeb::testing_support {

struct AdminRun {
  int status = -1;
  std::string out, err;
};

inline AdminRun run_admin(const std::vector<std::string>& args, const char* env_instance = nullptr) {
  AdminRun run;
  char* out_text = nullptr;
  char* err_text = nullptr;
  size_t out_size = 0, err_size = 0;
  FILE* out = open_memstream(&out_text, &out_size);
  FILE* err = open_memstream(&err_text, &err_size);
  run.status = admin::run_zebadm(args, env_instance, out, err);
  fclose(out);
  fclose(err);
  run.out.assign(out_text, out_size);
  run.err.assign(err_text, err_size);
  free(out_text);
  free(err_text);
  return run;
}

}  // namespace zeb::testing_support
