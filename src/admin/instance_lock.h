// Serialises zebadm runs on one instance. A run holds an exclusive flock on
// the instance's lock file (backend::kLockFileName) from before it reads the
// catalogue until it ends, so no two runs ever write at once and each reads
// the catalogue as the run before it left it. The kernel drops the lock when
// the process ends, however it ends: a killed run never leaves it behind.
//
// The holder writes its process id into the file. A run that finds the lock
// taken says once, on its error sink, which process holds it, and then
// waits: a nightly update and an owner's delete meet in order, never both.
#pragma once

#include <cstdio>
#include <string>

namespace zeb::admin {

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Takes the lock of the instance in `instance_dir`, waiting for another
  // run that holds it (told on `notice` when not null). False with a
  // message when the lock file cannot be opened or locked.
  bool acquire(const std::string& instance_dir, FILE* notice, std::string& error);

  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace zeb::admin
