// Helpers of the result presentation tests: a page captured in memory and a
// temporary directory removed with everything in it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace zeb::testing {

class PageCapture {
 public:
  PageCapture() : out_(open_memstream(&data_, &size_)) {}
  ~PageCapture() {
    if (out_ != nullptr) fclose(out_);
    free(data_);
  }
  PageCapture(const PageCapture&) = delete;
  PageCapture& operator=(const PageCapture&) = delete;

  FILE* out() { return out_; }
  std::string text() {
    fflush(out_);
    return std::string(data_, size_);
  }

 private:
  char* data_ = nullptr;
  size_t size_ = 0;
  FILE* out_;
};

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/zebresultsXXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }

  // Writes `bytes` to `relative`, creating its directories.
  std::string write(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path file = std::filesystem::path(path_) / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
    return file.string();
  }

 private:
  std::string path_;
};

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace zeb::testing
