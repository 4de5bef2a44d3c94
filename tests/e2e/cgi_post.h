// zebsrch started the way the web server starts it for a posted form, and
// the page's count line read back.
#pragma once

#include <cctype>
#include <string>

#include "e2e/run_process.h"

namespace zeb::testing {

// Posts `body` to build/bin/zebsrch against the instance `dir` named `name`.
inline ProcessResult post_form(const std::string& dir, const std::string& name,
                               const std::string& body) {
  return run_process(ZEB_BIN_DIR "/zebsrch", {},
                     {"REQUEST_METHOD=POST", "CONTENT_TYPE=application/x-www-form-urlencoded",
                      "CONTENT_LENGTH=" + std::to_string(body.size()), "ZEBINSTSRV=" + dir,
                      "ZEBINST=" + name},
                     body);
}

// The number in the page's "N top document(s) returned", -1 without one.
inline long count_line(const std::string& page) {
  const size_t at = page.find(" top document(s) returned");
  if (at == std::string::npos) return -1;
  size_t start = at;
  while (start > 0 && isdigit(static_cast<unsigned char>(page[start - 1]))) --start;
  return std::stol(page.substr(start, at - start));
}

}  // namespace zeb::testing
