// Messages of Xapian's remote protocol (major version 39, every 1.4 release)
// on a shard's connection (shard_socket.h), for the exchanges that zebsrch
// sends ahead of their answers: a type byte, the body's length, the body.
// A length (and a number in a body) below 255 is one byte; larger ones are
// 0xFF followed by the value less 255 in 7-bit groups, lowest first, the
// last group's top bit set.
//
// Xapian itself talks on the same connection before and after, so every
// answer asked for must be read off it, or the connection shut down: Xapian
// then finds it broken rather than out of step.
#pragma once

#include <xapian.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "backend/shard_socket.h"

namespace zeb::backend {

constexpr unsigned char kReplyException = 1;
constexpr unsigned char kReplyDone = 2;

// Appends `value` in the protocol's number form.
void append_number(std::string& out, uint64_t value);

// Appends one message of `type` with `body`.
void append_message(std::string& out, unsigned char type, const std::string& body);

// The number at the start of `body`; throws Xapian::NetworkError when there
// is none.
uint64_t read_number(const std::string& body);
// The number at `at` in `body`, `at` moved past it; throws as read_number().
uint64_t read_number_at(const std::string& body, size_t& at);

// Sends all of `bytes`, waiting at most the socket's timeout. Throws
// Xapian::NetworkError (NetworkTimeoutError after the timeout).
void send_all(const ShardSocket& socket, const std::string& bytes);

// The answers of one connection, message by message.
class AnswerReader {
 public:
  using Clock = std::chrono::steady_clock;

  explicit AnswerReader(const ShardSocket& socket) : socket_(socket) {}
  // Every answer by `deadline` rather than each within the socket's timeout.
  AnswerReader(const ShardSocket& socket, Clock::time_point deadline)
      : socket_(socket), deadline_(deadline), fixed_deadline_(true) {}

  // The next message's type, its body in `body`; waits at most the
  // socket's timeout for all of it. Throws as send_all() does, and for a
  // length past any answer's.
  unsigned char next(std::string& body);

 private:
  unsigned char byte(Clock::time_point deadline);
  void fill(Clock::time_point deadline);

  const ShardSocket& socket_;
  Clock::time_point deadline_{};
  bool fixed_deadline_ = false;
  std::string buffer_;
  size_t used_ = 0;
};

// Shuts the connection down both ways.
void shut_connection(const ShardSocket& socket);

// Runs `step` on each connection's item; should any throw, every connection
// is shut down, its answers being unread, and the error passed on.
template <typename Item, typename SocketOf, typename Step>
void on_every_connection(std::vector<Item>& items, SocketOf socket_of, Step step) {
  try {
    for (Item& item : items) step(item);
  } catch (...) {
    for (const Item& item : items) shut_connection(*socket_of(item));
    throw;
  }
}

}  // namespace zeb::backend
