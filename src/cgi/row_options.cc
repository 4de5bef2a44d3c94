#include "cgi/row_options.h"

#include <algorithm>
#include <cstring>

#include "request/decimal_prefix.h"

namespace zeb {

namespace {

bool yes(const char* value) { return value[0] == 'Y' || value[0] == 'y'; }

}  // namespace

bool apply_row_option(SearchRequest& request, const char* name, const char* value) {
  if (strcmp(name, "excerpts") == 0) {
    if (yes(value)) request.excerpts = true;
  } else if (strcmp(name, "excerpt_words") == 0) {
    request.excerpt_words = static_cast<uint8_t>(
        std::clamp<int32_t>(decimal_clamped32(value), kMinExcerptWords, kMaxExcerptWords));
  } else if (strcmp(name, "show_date") == 0) {
    if (yes(value)) request.show_date = true;
  } else if (strcmp(name, "first_number") == 0) {
    request.first_number = std::clamp<int32_t>(decimal_clamped32(value), 1, kMaxFirstNumber);
  } else {
    return false;
  }
  return true;
}

}  // namespace zeb
