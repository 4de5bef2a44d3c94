#include "admin/progress.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace zeb::admin {
namespace {

// What a Progress wrote, from its first update to its finish.
std::string drawn(bool enabled) {
  char* text = nullptr;
  size_t size = 0;
  FILE* sink = open_memstream(&text, &size);
  {
    Progress progress(sink, 40, enabled);
    progress.update(0);
    progress.update(40);
  }
  fclose(sink);
  std::string out(text, size);
  free(text);
  return out;
}

TEST(Progress, DrawsOneLineInPlaceAndClearsItOnlyWhenEnabled) {
  const std::string out = drawn(true);
  EXPECT_EQ(out.rfind("\r  0/40 documents", 0), 0u) << out;
  EXPECT_EQ(out.find('\n'), std::string::npos);
  EXPECT_EQ(out.substr(out.size() - 4), "\r\x1b[K");
  EXPECT_EQ(drawn(false), "");
}

}  // namespace
}  // namespace zeb::admin
