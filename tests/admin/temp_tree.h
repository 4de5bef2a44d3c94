// A temporary directory for one test, removed at its end, with helpers to
// write the files of a document tree into it.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace zeb::testing_support {

class TempTree {
 public:
  // The name holds no test name: a path with "instance" in it would change
  // where the look-up table lies.
  TempTree() {
    static int made = 0;
    root_ = std::filesystem::temp_directory_path() /
            ("zebadm-" + std::to_string(::getpid()) + "-" + std::to_string(++made));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
  }
  ~TempTree() { std::filesystem::remove_all(root_); }
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  std::string path(const std::string& relative = "") const {
    return relative.empty() ? root_.string() : (root_ / relative).string();
  }

  // Writes `bytes` to the file, making its directories.
  std::string write(const std::string& relative, const std::string& bytes) const {
    const auto file = root_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
    return file.string();
  }

  std::string read(const std::string& relative) const {
    std::ifstream in(root_ / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  bool exists(const std::string& relative) const {
    return std::filesystem::exists(root_ / relative);
  }

 private:
  std::filesystem::path root_;
};

}  // namespace zeb::testing_support
