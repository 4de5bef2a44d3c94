#include "cgi/template_name.h"

#include <strings.h>

#include <cstddef>
#include <cstring>

namespace zeb {

namespace {

// The folder below the instance directory that holds the index data (the
// layout zebadm makes).
constexpr const char* kIndexDataFolder = "data";
constexpr const char* kTemplateEndings[] = {".htm", ".html", ".txt", ".inc"};

bool has_template_ending(const char* part, size_t length) {
  for (const char* ending : kTemplateEndings) {
    const size_t ending_length = strlen(ending);
    if (length > ending_length &&
        strncasecmp(part + length - ending_length, ending, ending_length) == 0)
      return true;
  }
  return false;
}

}  // namespace

bool is_template_name(const char* name) {
  bool first = true;
  for (const char* part = name;;) {
    const char* slash = strchr(part, '/');
    const size_t length = slash != nullptr ? static_cast<size_t>(slash - part) : strlen(part);
    // Covers an empty or absolute name, "//", ".", ".." and hidden names.
    if (length == 0 || part[0] == '.') return false;
    if (first && length == strlen(kIndexDataFolder) &&
        strncasecmp(part, kIndexDataFolder, length) == 0)
      return false;
    if (slash == nullptr) return has_template_ending(part, length);
    first = false;
    part = slash + 1;
  }
}

}  // namespace zeb
