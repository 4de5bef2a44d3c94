#include "admin/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace zeb::admin {

bool write_file_atomically(const std::string& path, std::string_view bytes, std::string& error) {
  const std::string temp = path + ".tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = "cannot write " + temp + ": " + std::strerror(errno);
    return false;
  }
  size_t done = 0;
  int failure = 0;
  while (!failure && done < bytes.size()) {
    const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) failure = wrote < 0 ? errno : EIO;
    else done += static_cast<size_t>(wrote);
  }
  if (!failure && ::fsync(fd) != 0) failure = errno;
  if (::close(fd) != 0 && !failure) failure = errno;
  if (!failure && ::rename(temp.c_str(), path.c_str()) != 0) failure = errno;
  if (failure) {
    error = "cannot write " + path + ": " + std::strerror(failure);
    ::unlink(temp.c_str());
  }
  return failure == 0;
}

}  // namespace zeb::admin
