#include "admin/tree_links.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace zeb::admin {

namespace {

// Folders on the way are opened only to go through them: O_PATH needs no
// read permission on them, as a plain path lookup needs none.
constexpr int kThroughFolder = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool resolve(const std::string& path, std::string& real) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return false;
  real = resolved;
  std::free(resolved);
  return true;
}

// A name within one folder: resolved paths have no "", "." or ".."
// components, and opening refuses them rather than leave the tree.
bool plain_name(std::string_view name) {
  return !name.empty() && name != "." && name != "..";
}

// Closes `fd` and keeps errno as it was.
void close_keeping_errno(int fd) {
  const int saved = errno;
  ::close(fd);
  errno = saved;
}

}  // namespace

bool resolve_tree_root(const std::string& root, std::string& real_root, std::string& error) {
  if (resolve(root, real_root)) return true;
  error = "document directory " + root + ": " + std::strerror(errno);
  return false;
}

LinkTarget resolve_in_tree(const std::string& real_root, const std::string& path,
                           std::string& resolved) {
  std::string real;
  if (!resolve(real_root + "/" + path, real)) return LinkTarget::kMissing;
  if (real == real_root) {
    resolved.clear();
    return LinkTarget::kInside;
  }
  // Only the root directory "/" ends in '/'.
  const size_t length = real_root.back() == '/' ? real_root.size() - 1 : real_root.size();
  if (real.size() <= length + 1 || real.compare(0, length, real_root, 0, length) != 0 ||
      real[length] != '/')
    return LinkTarget::kOutside;
  resolved = real.substr(length + 1);
  return LinkTarget::kInside;
}

int open_in_tree(const std::string& real_root, const std::string& resolved) {
  int dir = ::open(real_root.c_str(), kThroughFolder);
  size_t start = 0;
  for (;;) {
    if (dir < 0) return -1;
    const size_t slash = resolved.find('/', start);
    const size_t length = slash == std::string::npos ? slash : slash - start;
    const std::string name = resolved.substr(start, length);
    int next = -1;
    if (!plain_name(name)) errno = EINVAL;
    else if (slash != std::string::npos) next = ::openat(dir, name.c_str(), kThroughFolder);
    else next = ::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    close_keeping_errno(dir);
    if (slash == std::string::npos || next < 0) return next;
    dir = next;
    start = slash + 1;
  }
}

}  // namespace zeb::admin
