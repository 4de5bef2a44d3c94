// One xapian-tcpsrv on 127.0.0.1, for the tests that search or write remote
// shards. It runs in a process group of its own (the server forks a child
// per connection, and a stopped shard must take those down too), is killed
// with its group when the object goes, and dies with the test process should
// that end first.
//
//   ShardServer shard(dir + "/shard1", ShardServer::kWritable);
//   ASSERT_TRUE(shard.ready());
//   ... shard.address() ... shard.stop(); ... shard.start();
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

namespace zeb::testing {

constexpr const char* kShardServerProgram = "/usr/bin/xapian-tcpsrv";

inline bool shard_server_installed() { return ::access(kShardServerProgram, X_OK) == 0; }

class ShardServer {
 public:
  enum Mode { kReadOnly, kWritable };

  // Serves `db_dir` (a writable server makes it when missing) on a port
  // that was free a moment ago; another is tried should that one be taken.
  explicit ShardServer(std::string db_dir, Mode mode = kReadOnly)
      : db_dir_(std::move(db_dir)), mode_(mode) {
    for (int attempt = 0; attempt < 3 && !ready_; ++attempt) {
      port_ = free_port();
      start();
    }
  }
  ~ShardServer() { stop(); }
  ShardServer(const ShardServer&) = delete;
  ShardServer& operator=(const ShardServer&) = delete;

  // Starts the server (again) on its port; ready() tells whether it listens.
  void start() {
    stop();
    const std::string port = std::to_string(port_);
    // Made before the fork: the child only execs.
    std::vector<const char*> argv = {kShardServerProgram, "--quiet", "--interface", "127.0.0.1",
                                     "--port", port.c_str()};
    if (mode_ == kWritable) argv.push_back("--writable");
    argv.push_back(db_dir_.c_str());
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
      ::setpgid(0, 0);
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (::getppid() != parent) ::_exit(127);
      const int quiet = ::open("/dev/null", O_WRONLY);
      ::dup2(quiet, STDOUT_FILENO);
      ::dup2(quiet, STDERR_FILENO);
      ::execv(kShardServerProgram, const_cast<char* const*>(argv.data()));
      ::_exit(127);
    }
    if (pid_ > 0) ::setpgid(pid_, pid_);  // whichever of the two runs first
    // Wait until it listens (or has died); a bounded number of tries.
    for (int attempt = 0; attempt < 500 && pid_ > 0; ++attempt) {
      if (accepts_connections(port_)) {
        ready_ = true;
        return;
      }
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return;
      }
      ::usleep(10000);
    }
  }

  // Kills the server and every connection it serves.
  void stop() {
    ready_ = false;
    if (pid_ <= 0) return;
    ::kill(-pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

  // Freezes the server and its connections: they hold their sockets open
  // and answer nothing, like a machine that hangs.
  void pause() {
    if (pid_ > 0) ::kill(-pid_, SIGSTOP);
  }
  void resume() {
    if (pid_ > 0) ::kill(-pid_, SIGCONT);
  }

  // The connections the server serves now: its forked processes.
  std::vector<pid_t> connections() const {
    std::vector<pid_t> children;
    if (pid_ <= 0) return children;
    std::ifstream list("/proc/" + std::to_string(pid_) + "/task/" + std::to_string(pid_) +
                       "/children");
    for (pid_t child; list >> child;) children.push_back(child);
    return children;
  }

  bool ready() const { return ready_; }
  int port() const { return port_; }
  std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

  // A port on 127.0.0.1 that was free a moment ago.
  static int free_port() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t size = sizeof address;
    int port = -1;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
      port = ntohs(address.sin_port);
    ::close(fd);
    return port;
  }

 private:
  static sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
  }

  static bool accepts_connections(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = loopback(port);
    const bool connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
  }

  std::string db_dir_;
  Mode mode_;
  int port_ = -1;
  pid_t pid_ = -1;
  bool ready_ = false;
};

}  // namespace zeb::testing
