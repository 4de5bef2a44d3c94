#include "request/url_path_escape.h"

#include <array>

namespace zeb {

namespace {

constexpr std::array<bool, 256> make_kept() {
  std::array<bool, 256> kept{};
  for (int c = 'A'; c <= 'Z'; ++c) kept[c] = true;
  for (int c = 'a'; c <= 'z'; ++c) kept[c] = true;
  for (int c = '0'; c <= '9'; ++c) kept[c] = true;
  for (unsigned char c : std::string_view("-._~!$&'()*+,;=:@/")) kept[c] = true;
  return kept;
}

constexpr std::array<bool, 256> kKept = make_kept();

constexpr char kHex[] = "0123456789ABCDEF";

}  // namespace

bool url_path_keeps(unsigned char byte) { return kKept[byte]; }

size_t append_url_path(char* buffer, size_t size, size_t& length, std::string_view path) {
  size_t at = 0;
  for (; at < path.size(); ++at) {
    const auto byte = static_cast<unsigned char>(path[at]);
    if (kKept[byte]) {
      if (size - length < 1) break;
      buffer[length++] = static_cast<char>(byte);
    } else {
      if (size - length < kLongestUrlEscape) break;
      buffer[length++] = '%';
      buffer[length++] = kHex[byte >> 4];
      buffer[length++] = kHex[byte & 0x0F];
    }
  }
  return at;
}

}  // namespace zeb
