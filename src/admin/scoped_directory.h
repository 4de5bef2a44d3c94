// A directory that is removed with everything in it when the scope ends,
// unless it was kept: the work of a command that failed half way.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace zeb::admin {

class ScopedDirectory {
 public:
  explicit ScopedDirectory(std::string path) : path_(std::move(path)) {}
  ~ScopedDirectory() {
    std::error_code ignored;
    if (!kept_) std::filesystem::remove_all(path_, ignored);
  }
  ScopedDirectory(const ScopedDirectory&) = delete;
  ScopedDirectory& operator=(const ScopedDirectory&) = delete;

  void keep() { kept_ = true; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool kept_ = false;
};

}  // namespace zeb::admin
