// zebsrch as a FastCGI server, for the end-to-end tests and the soak run:
// started the way a FastCGI process manager starts it (a listening Unix
// socket as standard input), and sent requests record by record as a web
// server sends them (version 1 records, role "responder", one request per
// connection).
//
//   FastcgiServer server(ZEB_BIN_DIR "/zebsrch", dir.path() + "/zebsrch.sock");
//   FastcgiAnswer a = fastcgi_request(server.socket(), {"REQUEST_METHOD=POST"}, "a=1");
//   EXPECT_EQ(a.app_status, 0);
//   EXPECT_EQ(server.stop(), 0);
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "e2e/run_process.h"

namespace zeb::testing {

struct FastcgiAnswer {
  std::string out;       // the request's standard output: the page
  std::string err;       // its standard error
  int app_status = -1;   // the exit status; -1 when the request never ended
};

namespace fastcgi_detail {

enum RecordType : unsigned char {
  kBeginRequest = 1,
  kEndRequest = 3,
  kParams = 4,
  kStdin = 5,
  kStdout = 6,
  kStderr = 7,
};
constexpr unsigned char kVersion = 1;
constexpr unsigned char kResponder = 1;
constexpr uint16_t kRequestId = 1;
constexpr size_t kHeaderSize = 8;
constexpr size_t kMaxContent = 65535;
// A server that says nothing for this long has hung: the read fails.
constexpr int kReadTimeoutSeconds = 120;

inline void append_record(std::string& bytes, RecordType type, std::string_view content) {
  const unsigned char header[kHeaderSize] = {
      kVersion, type, kRequestId >> 8, kRequestId & 0xFF,
      static_cast<unsigned char>(content.size() >> 8),
      static_cast<unsigned char>(content.size() & 0xFF), 0, 0};
  bytes.append(reinterpret_cast<const char*>(header), kHeaderSize);
  bytes.append(content);
}

// A stream's bytes in records of at most kMaxContent; `end` adds the empty
// record that ends the stream.
inline void append_stream(std::string& bytes, RecordType type, std::string_view content,
                          bool end) {
  for (size_t at = 0; at < content.size(); at += kMaxContent)
    append_record(bytes, type, content.substr(at, kMaxContent));
  if (end) append_record(bytes, type, {});
}

// A name or value length: one byte below 128, else four with the top bit set.
inline void append_length(std::string& bytes, size_t length) {
  if (length < 128) {
    bytes += static_cast<char>(length);
    return;
  }
  for (int shift = 24; shift >= 0; shift -= 8)
    bytes += static_cast<char>(((length >> shift) & 0xFF) | (shift == 24 ? 0x80 : 0));
}

// "NAME=value" strings as name-value pairs.
inline std::string encode_params(const std::vector<std::string>& env) {
  std::string pairs;
  for (const std::string& variable : env) {
    const size_t equals = variable.find('=');
    const std::string_view name = std::string_view(variable).substr(0, equals);
    const std::string_view value = equals == std::string::npos
                                       ? std::string_view()
                                       : std::string_view(variable).substr(equals + 1);
    append_length(pairs, name.size());
    append_length(pairs, value.size());
    pairs.append(name);
    pairs.append(value);
  }
  return pairs;
}

inline bool read_exactly(int fd, char* into, size_t size) {
  while (size > 0) {
    const ssize_t n = read(fd, into, size);
    // A socket with a receive timeout is not restarted after a signal.
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    into += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace fastcgi_detail

// One connection to the server, carrying one request.
class FastcgiConnection {
 public:
  explicit FastcgiConnection(const std::string& socket_path,
                             int read_timeout_seconds = fastcgi_detail::kReadTimeoutSeconds) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (fd_ < 0 || socket_path.size() >= sizeof address.sun_path)
      throw std::runtime_error("cannot make a socket for " + socket_path);
    std::memcpy(address.sun_path, socket_path.c_str(), socket_path.size() + 1);
    if (connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      ::close(fd_);
      throw std::runtime_error("cannot connect to " + socket_path);
    }
    timeval timeout{read_timeout_seconds, 0};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  }
  ~FastcgiConnection() { close(); }
  FastcgiConnection(const FastcgiConnection&) = delete;
  FastcgiConnection& operator=(const FastcgiConnection&) = delete;

  // The start of the request and all its variables; or only the first
  // `cut` bytes of that.
  void begin(const std::vector<std::string>& env, size_t cut = std::string::npos) {
    using namespace fastcgi_detail;
    std::string bytes;
    const char body[8] = {0, kResponder, 0, 0, 0, 0, 0, 0};
    append_record(bytes, kBeginRequest, std::string_view(body, sizeof body));
    append_stream(bytes, kParams, encode_params(env), true);
    send_all(std::string_view(bytes).substr(0, cut));
  }

  // Body bytes; `end` ends the body too.
  void send_body(std::string_view body, bool end = true) {
    std::string bytes;
    fastcgi_detail::append_stream(bytes, fastcgi_detail::kStdin, body, end);
    send_all(bytes);
  }

  // Records up to the end of the request, or as many as came before the
  // server closed the connection.
  FastcgiAnswer read_answer() {
    using namespace fastcgi_detail;
    FastcgiAnswer answer;
    unsigned char header[kHeaderSize];
    while (read_exactly(fd_, reinterpret_cast<char*>(header), kHeaderSize)) {
      const size_t length = (size_t{header[4]} << 8) | header[5];
      std::string content(length + header[6], '\0');
      if (!read_exactly(fd_, content.data(), content.size())) break;
      content.resize(length);
      if (header[1] == kStdout) answer.out += content;
      if (header[1] == kStderr) answer.err += content;
      if (header[1] == kEndRequest && length >= 4) {
        const auto byte = [&](int i) { return uint32_t{static_cast<unsigned char>(content[i])}; };
        answer.app_status = static_cast<int>(byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3));
        break;
      }
    }
    return answer;
  }

  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  void send_all(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n <= 0) throw std::runtime_error("the server stopped reading");
      bytes.remove_prefix(static_cast<size_t>(n));
    }
  }

  int fd_ = -1;
};

// One whole request: variables, body, answer.
inline FastcgiAnswer fastcgi_request(const std::string& socket_path,
                                     const std::vector<std::string>& env,
                                     std::string_view body) {
  FastcgiConnection connection(socket_path);
  connection.begin(env);
  connection.send_body(body);
  return connection.read_answer();
}

// zebsrch listening on `socket_path`, with `env` as its own environment
// (which no request may see). It gets SIGKILL should the test process die,
// and is killed by the destructor if still running.
class FastcgiServer {
 public:
  FastcgiServer(const std::string& binary, const std::string& socket_path,
                std::vector<std::string> env = {})
      : socket_(socket_path) {
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (listener < 0 || socket_path.size() >= sizeof address.sun_path)
      throw std::runtime_error("cannot make a socket for " + socket_path);
    std::memcpy(address.sun_path, socket_path.c_str(), socket_path.size() + 1);
    unlink(socket_path.c_str());
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 64) != 0) {
      ::close(listener);
      throw std::runtime_error("cannot listen on " + socket_path);
    }
    err_ = process_detail::anonymous_file();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, listener, STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, err_, STDERR_FILENO);
    std::vector<std::string> args = {"setpriv", "--pdeathsig", "KILL", "--", binary};
    std::vector<char*> argv = process_detail::c_strings(args);
    std::vector<char*> envp = process_detail::c_strings(env);
    const int spawned =
        posix_spawnp(&pid_, "setpriv", &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(listener);
    if (spawned != 0) throw std::runtime_error("cannot start " + binary);
  }
  ~FastcgiServer() {
    if (running()) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    ::close(err_);
    unlink(socket_.c_str());
  }
  FastcgiServer(const FastcgiServer&) = delete;
  FastcgiServer& operator=(const FastcgiServer&) = delete;

  pid_t pid() const { return pid_; }
  const std::string& socket() const { return socket_; }

  bool running() {
    if (ended_) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
    ended_ = true;
    status_ = status;
    return false;
  }

  // Waits until the process has ended; its wait status.
  int wait() {
    if (!ended_ && waitpid(pid_, &status_, 0) == pid_) ended_ = true;
    return status_;
  }

  // Asks the server to stop after the request under way (SIGUSR1) and
  // waits for it: its wait status, 0 when it exited with status 0.
  int stop() {
    if (running()) kill(pid_, SIGUSR1);
    return wait();
  }

  // What the process wrote to its standard error (sanitizer reports).
  std::string err() const { return process_detail::read_all(err_); }

 private:
  std::string socket_;
  pid_t pid_ = 0;
  int err_ = -1;
  bool ended_ = false;
  int status_ = -1;
};

}  // namespace zeb::testing
