#include "backend/remote_documents.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstdint>

namespace zeb::backend {

namespace {

constexpr unsigned char kMessageDocument = 2;
constexpr unsigned char kReplyException = 1;
constexpr unsigned char kReplyDone = 2;
constexpr unsigned char kReplyDocumentData = 5;
constexpr unsigned char kReplyValue = 16;
// A longer answer is taken for a broken stream rather than waited for.
constexpr uint64_t kLongestAnswer = uint64_t{1} << 30;

using Clock = std::chrono::steady_clock;

void append_length(std::string& out, uint64_t value) {
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

// The answers of one connection, message by message.
class AnswerReader {
 public:
  explicit AnswerReader(const ShardSocket& socket) : socket_(socket) {}

  // The next message; waits at most the socket's timeout for all of it.
  unsigned char next(std::string& body) {
    const Clock::time_point deadline = deadline_of(socket_);
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

 private:
  unsigned char byte(Clock::time_point deadline) {
    if (used_ == buffer_.size()) fill(deadline);
    return static_cast<unsigned char>(buffer_[used_++]);
  }

  void fill(Clock::time_point deadline) {
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

  const ShardSocket& socket_;
  std::string buffer_;
  size_t used_ = 0;
};

// One document's answer: its data, or its place among the refused.
void read_answer(AnswerReader& reader, DocumentBatch& batch, size_t position) {
  std::string body;
  for (;;) {
    const unsigned char type = reader.next(body);
    if (type == kReplyDocumentData) {
      batch.data[position]->swap(body);
    } else if (type == kReplyDone) {
      return;
    } else if (type == kReplyException) {
      batch.refused.push_back(position);
      return;
    } else if (type != kReplyValue) {
      throw Xapian::NetworkError("Unexpected answer from a remote shard");
    }
  }
}

// Runs `step` on every batch; should any throw, every connection is shut
// down, its answers being unread, and the error passed on.
template <typename Step>
void on_every_batch(std::vector<DocumentBatch>& batches, Step step) {
  try {
    for (DocumentBatch& batch : batches) step(batch);
  } catch (...) {
    for (const DocumentBatch& batch : batches) ::shutdown(batch.socket->fd, SHUT_RDWR);
    throw;
  }
}

}  // namespace

void request_documents(std::vector<DocumentBatch>& batches) {
  on_every_batch(batches, [](DocumentBatch& batch) {
    std::string requests;
    std::string id;
    for (const Xapian::docid shard_id : batch.ids) {
      id.clear();
      append_length(id, shard_id);
      requests += static_cast<char>(kMessageDocument);
      append_length(requests, id.size());
      requests += id;
    }
    send_all(*batch.socket, requests);
  });
}

void collect_documents(std::vector<DocumentBatch>& batches) {
  on_every_batch(batches, [](DocumentBatch& batch) {
    AnswerReader reader(*batch.socket);
    for (size_t i = 0; i < batch.ids.size(); ++i) read_answer(reader, batch, i);
  });
}

}  // namespace zeb::backend
