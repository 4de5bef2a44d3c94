#include "admin/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "backend/catalogue.h"

namespace zeb::admin {

namespace {

// The process id the holder wrote: at most a line of digits.
std::string holder_of(int fd) {
  char text[32] = {};
  const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
  std::string pid(text, n > 0 ? static_cast<size_t>(n) : 0);
  pid.resize(std::strspn(pid.c_str(), "0123456789"));
  return pid.empty() ? "another process" : "process " + pid;
}

int lock_retrying(int fd, int operation) {
  int rc;
  do rc = ::flock(fd, operation);
  while (rc != 0 && errno == EINTR);
  return rc;
}

}  // namespace

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

bool InstanceLock::acquire(const std::string& instance_dir, FILE* notice, std::string& error) {
  const std::string path = instance_dir + "/" + backend::kLockFileName;
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  int rc = lock_retrying(fd_, LOCK_EX | LOCK_NB);
  if (rc != 0 && errno == EWOULDBLOCK) {
    if (notice != nullptr) {
      fprintf(notice, "zebadm: waiting for %s, which holds %s\n", holder_of(fd_).c_str(),
              path.c_str());
      fflush(notice);
    }
    rc = lock_retrying(fd_, LOCK_EX);
  }
  if (rc != 0) {
    error = "cannot lock " + path + ": " + std::strerror(errno);
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  // Only a note for the runs that wait: a failed write changes nothing.
  const std::string pid = std::to_string(::getpid()) + "\n";
  [[maybe_unused]] const bool noted =
      ::ftruncate(fd_, 0) == 0 && ::pwrite(fd_, pid.data(), pid.size(), 0) > 0;
  return true;
}

}  // namespace zeb::admin
