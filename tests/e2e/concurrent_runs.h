// What the tests of runs that meet share: zebadm runs started side by side
// while the test holds the instance lock (so that each is seen waiting for
// it before any may go on), the check that an instance came out sound,
// searches run in a loop with a judge of their pages, and the count of a
// persistent process's descriptors.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/fastcgi_client.h"
#include "e2e/run_process.h"
#include "e2e/sharded_instance.h"

namespace zeb::testing {

// The instance lock, taken by the test as a zebadm run takes it.
class HeldInstanceLock {
 public:
  explicit HeldInstanceLock(const std::string& instance_dir)
      : path_(instance_dir + "/.zebadm.lock") {
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0 || ::flock(fd_, LOCK_EX) != 0) ADD_FAILURE() << "cannot lock " << path_;
    // What a holder notes for the runs that wait.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd_, 0) != 0 || ::pwrite(fd_, pid.data(), pid.size(), 0) < 0)
      ADD_FAILURE() << "cannot write " << path_;
  }
  ~HeldInstanceLock() { release(); }
  HeldInstanceLock(const HeldInstanceLock&) = delete;
  HeldInstanceLock& operator=(const HeldInstanceLock&) = delete;

  void release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  // How many processes wait for the lock (the kernel's list of locks shows
  // each waiter with "->" before it).
  size_t waiters() const {
    struct stat st;
    if (::stat(path_.c_str(), &st) != 0) return 0;
    const std::string inode = ":" + std::to_string(st.st_ino) + " ";
    std::ifstream locks("/proc/locks");
    size_t count = 0;
    for (std::string line; std::getline(locks, line);)
      if (line.find("->") != std::string::npos && line.find(inode) != std::string::npos) ++count;
    return count;
  }

  // Waits (boundedly) until `count` processes wait for the lock.
  bool wait_for_waiters(size_t count) const {
    for (int i = 0; i < 3000; ++i) {
      if (waiters() >= count) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

 private:
  std::string path_;
  int fd_ = -1;
};

// A zebadm run in the background; get() waits for its result.
inline std::future<ProcessResult> start_zebadm(const std::string& instance_dir,
                                               std::vector<std::string> args) {
  return std::async(std::launch::async, [instance_dir, args] {
    return run_process(ZEB_BIN_DIR "/zebadm", args, {"ZEBINSTSRV=" + instance_dir}, "", 300);
  });
}

inline ProcessResult run_zebadm(const std::string& instance_dir,
                                const std::vector<std::string>& args) {
  return run_process(ZEB_BIN_DIR "/zebadm", args, {"ZEBINSTSRV=" + instance_dir}, "", 300);
}

// The names `zebadm list` shows, or an empty set for an instance without
// indexes.
inline std::set<std::string> listed_indexes(const ProcessResult& list) {
  std::set<std::string> names;
  std::istringstream lines(list.out);
  std::string line;
  std::getline(lines, line);  // the heading
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string number, name;
    if (fields >> number >> name) names.insert(name);
  }
  return names;
}

// The instance is sound: `list` reads it, `check` passes every local index
// it lists, and the catalogue names exactly the index directories that
// exist. Returns the names listed.
inline std::set<std::string> expect_sound_instance(const std::string& instance_dir,
                                                   const std::set<std::string>& remote = {}) {
  const ProcessResult list = run_zebadm(instance_dir, {"list"});
  EXPECT_EQ(list.exit_status, 0) << list.err;
  const std::set<std::string> names = listed_indexes(list);
  for (const std::string& name : names) {
    if (remote.count(name)) continue;
    const ProcessResult check = run_zebadm(instance_dir, {"check", name});
    EXPECT_EQ(check.exit_status, 0) << name << ": " << check.out << check.err;
  }
  std::set<std::string> dirs;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(instance_dir + "/data", ec))
    dirs.insert(entry.path().filename().string());
  EXPECT_EQ(dirs, names) << list.out;
  return names;
}

// What a page of a search that runs while zebadm changes its index may
// be: whole (it ends with its tail), and either a list of documents each of
// which `known` holds, counted as many as it lists, or one of the answers
// for an index that cannot be searched. Returns the kind of page: "listed",
// "listed, then rc=62", "rc=N" or "no match"; a page of any other kind
// fails the test.
inline std::string judge_page(const std::string& page, const std::set<std::string>& known) {
  const std::string tail = "</BODY></HTML>\n";
  if (page.size() < tail.size() || page.compare(page.size() - tail.size(), tail.size(), tail)) {
    ADD_FAILURE() << "a page without its tail:\n" << page.substr(0, 2000);
    return "cut";
  }
  // An index whose files went (a delete) or were rewritten twice (an update,
  // a clear) while the page was read ends its list with rc=62.
  const size_t lost = page.find("<p>Vant message: The index is not accessible. (rc=62)\n</table>");
  for (const char* code : {"(rc=24)", "(rc=33)", "(rc=61)", "(rc=62)", "(rc=72)"}) {
    const size_t at = page.find(code);
    if (at == std::string::npos || (lost != std::string::npos && at > lost)) continue;
    EXPECT_EQ(page.find("top document(s) returned"), std::string::npos)
        << page.substr(0, 600) << "...\n"
        << page.substr(at > 600 ? at - 600 : 0, 900);
    return std::string(code).substr(1, std::strlen(code) - 2);
  }
  if (page.find("No matching documents found") != std::string::npos) return "no match";
  const std::vector<PageRow> rows = page_rows(page);
  std::set<std::string> seen;
  for (const PageRow& row : rows) {
    if (!known.count(row.link) || !seen.insert(row.link).second) {
      ADD_FAILURE() << row.link << " is no document or listed twice\n" << page.substr(0, 2000);
      return "bad row";
    }
  }
  if (lost != std::string::npos) return "listed, then rc=62";
  EXPECT_EQ(count_line(page), long(rows.size())) << page.substr(0, 2000);
  if (rows.empty()) ADD_FAILURE() << "an unexpected page:\n" << page.substr(0, 2000);
  return "listed";
}

// Searches that run over and over until stopped, each of `posts` on a
// thread of its own. Each page is judged (judge_page); kinds() tells how
// many of each kind came.
class SearchLoop {
 public:
  using Post = std::function<std::string()>;
  SearchLoop(std::vector<Post> posts, const std::set<std::string>* known) : known_(known) {
    for (Post& post : posts)
      threads_.emplace_back([this, post = std::move(post)] {
        while (!stop_) note(judge_page(post(), *known_));
      });
  }
  ~SearchLoop() { stop(); }

  void stop() {
    stop_ = true;
    for (std::thread& thread : threads_)
      if (thread.joinable()) thread.join();
  }

  std::map<std::string, int> kinds() {
    std::lock_guard<std::mutex> lock(mutex_);
    return kinds_;
  }

 private:
  void note(const std::string& kind) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++kinds_[kind];
  }

  const std::set<std::string>* known_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::map<std::string, int> kinds_;
  std::vector<std::thread> threads_;
};

// The environment of a posted form.
inline std::vector<std::string> form_env(const std::string& instance_dir, const std::string& name,
                                         const std::string& body) {
  return {"REQUEST_METHOD=POST", "CONTENT_TYPE=application/x-www-form-urlencoded",
          "CONTENT_LENGTH=" + std::to_string(body.size()), "ZEBINSTSRV=" + instance_dir,
          "ZEBINST=" + name};
}

// The descriptors process `pid` (a persistent zebsrch) holds open between
// requests: counted once it waits for the next connection, the last one
// closed.
inline size_t open_descriptors(pid_t pid) {
  const std::string proc = "/proc/" + std::to_string(pid);
  for (int wait = 0; wait < 500; ++wait) {
    std::ifstream file(proc + "/syscall");
    long number = -1;
    file >> number;
    if (number == SYS_accept || number == SYS_accept4) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::error_code ec;
  size_t count = 0;
  for (auto it = std::filesystem::directory_iterator(proc + "/fd", ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
    ++count;
  return count;
}

}  // namespace zeb::testing
