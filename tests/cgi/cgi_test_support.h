// Helpers for the CGI tests: an in-memory page sink, a body on a FILE*, and
// the CGI environment set for one test and restored afterwards.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace zeb::testing {

// The page as written to a memory stream. The code under test may close the
// stream itself (the request driver does); say so with closed_by_callee().
class PageSink {
 public:
  PageSink() : file_(open_memstream(&data_, &size_)) {}
  ~PageSink() {
    if (!closed_) fclose(file_);
    free(data_);
  }
  PageSink(const PageSink&) = delete;
  PageSink& operator=(const PageSink&) = delete;

  FILE* out() { return file_; }
  void closed_by_callee() { closed_ = true; }
  std::string text() {
    if (!closed_) fflush(file_);
    return std::string(data_ != nullptr ? data_ : "", size_);
  }

 private:
  char* data_ = nullptr;
  size_t size_ = 0;
  FILE* file_;
  bool closed_ = false;
};

// A readable stream holding exactly `bytes` (NUL bytes included).
inline FILE* input_of(std::string_view bytes) {
  FILE* in = tmpfile();
  fwrite(bytes.data(), 1, bytes.size(), in);
  rewind(in);
  return in;
}

// Sets and unsets environment variables for one test; restores them after.
class ScopedEnv {
 public:
  // Every variable the front end reads starts unset.
  ScopedEnv() {
    for (const char* name : {"REQUEST_METHOD", "CONTENT_TYPE", "CONTENT_LENGTH",
                             "SCRIPT_NAME", "ZEBINSTSRV", "ZEBINST"}) {
      unset(name);
    }
  }
  ~ScopedEnv() {
    for (const auto& [name, value] : saved_) {
      if (value) setenv(name.c_str(), value->c_str(), 1);
      else unsetenv(name.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  void set(const std::string& name, const std::string& value) {
    save(name);
    setenv(name.c_str(), value.c_str(), 1);
  }
  void unset(const std::string& name) {
    save(name);
    unsetenv(name.c_str());
  }

 private:
  void save(const std::string& name) {
    if (saved_.count(name)) return;
    const char* value = getenv(name.c_str());
    saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
  }
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace zeb::testing
