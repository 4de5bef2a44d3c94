#include "cgi/process_end.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "cgi/sanitizer_build.h"

namespace zeb {

void end_process(int status) {
  if (kAddressSanitizer) std::exit(status);
  fflush(nullptr);
  _exit(status);
}

}  // namespace zeb
