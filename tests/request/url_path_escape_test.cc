#include "request/url_path_escape.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace zeb {
namespace {

std::string encoded(std::string_view path) {
  std::string out(kLongestUrlEscape * path.size(), '\0');
  size_t length = 0;
  EXPECT_EQ(append_url_path(out.data(), out.size(), length, path), path.size());
  out.resize(length);
  return out;
}

// Every byte value: kept exactly when RFC 3986 lets a path segment hold it
// (or it is the segment separator), else %XX of that byte.
TEST(UrlPathEscape, EveryByteValue) {
  const std::string kept =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~!$&'()*+,;=:@/";
  for (int c = 0; c < 256; ++c) {
    SCOPED_TRACE(c);
    const std::string byte(1, static_cast<char>(c));
    char hex[4];
    snprintf(hex, sizeof hex, "%%%02X", c);
    EXPECT_EQ(encoded(byte), kept.find(static_cast<char>(c)) != std::string::npos ? byte : hex);
  }
}

TEST(UrlPathEscape, NamesThatADecoderWouldChange) {
  EXPECT_EQ(encoded("sp ace%20%2e%2e.html"), "sp%20ace%2520%252e%252e.html");
  EXPECT_EQ(encoded("a?b#c\\d.html"), "a%3Fb%23c%5Cd.html");
  EXPECT_EQ(encoded("new\nline/\xE9t\xC3\xA9.html"), "new%0Aline/%E9t%C3%A9.html");
  EXPECT_EQ(encoded(std::string_view("nul\0.html", 9)), "nul%00.html");
}

// A buffer of every size: what goes in is a prefix of the path, encoded
// whole, and nothing is written past the buffer.
TEST(UrlPathEscape, AFullBufferNeverCutsAnEscape) {
  const std::string path = "a b/%c";
  const std::string whole = encoded(path);
  for (size_t size = 0; size <= whole.size(); ++size) {
    SCOPED_TRACE(size);
    std::string buffer(size + 1, '!');
    size_t length = 0;
    const size_t taken = append_url_path(buffer.data(), size, length, path);
    EXPECT_EQ(buffer[size], '!');
    EXPECT_EQ(buffer.substr(0, length), encoded(path.substr(0, taken)));
    EXPECT_GT(length + kLongestUrlEscape, size);
  }
}

}  // namespace
}  // namespace zeb
