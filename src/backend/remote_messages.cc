#include "backend/remote_messages.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

namespace zeb::backend {

namespace {

// A longer answer is taken for a broken stream rather than waited for.
constexpr uint64_t kLongestAnswer = uint64_t{1} << 30;

using Clock = std::chrono::steady_clock;

// Waits until `fd` is ready for `events`, at most until `deadline`.
void wait_for(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0)
      throw Xapian::NetworkTimeoutError("Timeout expired while waiting for a remote shard");
    pollfd ready{fd, events, 0};
    const int rc = ::poll(&ready, 1, static_cast<int>(left.count()));
    if (rc > 0) return;
    if (rc < 0 && errno != EINTR)
      throw Xapian::NetworkError("Cannot wait for a remote shard", errno);
  }
}

Clock::time_point deadline_of(const ShardSocket& socket) {
  return Clock::now() + std::chrono::milliseconds(socket.timeout_ms);
}

}  // namespace

void append_number(std::string& out, uint64_t value) {
  if (value < 255) {
    out += static_cast<char>(value);
    return;
  }
  out += '\xff';
  value -= 255;
  while (value >= 0x80) {
    out += static_cast<char>(value & 0x7f);
    value >>= 7;
  }
  out += static_cast<char>(value | 0x80);
}

void append_message(std::string& out, unsigned char type, const std::string& body) {
  out += static_cast<char>(type);
  append_number(out, body.size());
  out += body;
}

uint64_t read_number(const std::string& body) {
  size_t at = 0;
  return read_number_at(body, at);
}

uint64_t read_number_at(const std::string& body, size_t& at) {
  if (at >= body.size()) throw Xapian::NetworkError("Missing number in a remote shard's answer");
  uint64_t value = static_cast<unsigned char>(body[at++]);
  if (value < 255) return value;
  uint64_t rest = 0;
  for (size_t shift = 0;; ++at, shift += 7) {
    if (at == body.size() || shift > 56)
      throw Xapian::NetworkError("Bad number in a remote shard's answer");
    const unsigned char group = static_cast<unsigned char>(body[at]);
    rest |= uint64_t{group & 0x7fu} << shift;
    if (group & 0x80) break;
  }
  ++at;
  return value + rest;
}

void send_all(const ShardSocket& socket, const std::string& bytes) {
  const Clock::time_point deadline = deadline_of(socket);
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(socket.fd, bytes.data() + sent, bytes.size() - sent,
                             MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      sent += static_cast<size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      wait_for(socket.fd, POLLOUT, deadline);
    } else if (n < 0 && errno != EINTR) {
      throw Xapian::NetworkError("Cannot send to a remote shard", errno);
    }
  }
}

void shut_connection(const ShardSocket& socket) { ::shutdown(socket.fd, SHUT_RDWR); }

unsigned char AnswerReader::next(std::string& body) {
  const Clock::time_point deadline = fixed_deadline_ ? deadline_ : deadline_of(socket_);
  const unsigned char type = byte(deadline);
  uint64_t length = byte(deadline);
  if (length == 255) {
    uint64_t rest = 0;
    for (int shift = 0;; shift += 7) {
      const unsigned char group = byte(deadline);
      if (shift > 56) throw Xapian::NetworkError("Bad length in a remote shard's answer");
      rest |= uint64_t{group & 0x7fu} << shift;
      if (group & 0x80) break;
    }
    length += rest;
  }
  if (length > kLongestAnswer) throw Xapian::NetworkError("Overlong answer from a remote shard");
  while (buffer_.size() - used_ < length) fill(deadline);
  body.assign(buffer_, used_, length);
  used_ += length;
  return type;
}

unsigned char AnswerReader::byte(Clock::time_point deadline) {
  if (used_ == buffer_.size()) fill(deadline);
  return static_cast<unsigned char>(buffer_[used_++]);
}

void AnswerReader::fill(Clock::time_point deadline) {
  if (used_ == buffer_.size()) {
    buffer_.clear();
    used_ = 0;
  }
  char chunk[16384];
  for (;;) {
    const ssize_t n = ::recv(socket_.fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (n > 0) {
      buffer_.append(chunk, static_cast<size_t>(n));
      return;
    }
    if (n == 0) throw Xapian::NetworkError("A remote shard closed the connection");
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      wait_for(socket_.fd, POLLIN, deadline);
    } else if (errno != EINTR) {
      throw Xapian::NetworkError("Cannot read from a remote shard", errno);
    }
  }
}

}  // namespace zeb::backend
