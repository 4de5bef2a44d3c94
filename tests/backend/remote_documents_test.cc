// Documents (and term counts) asked of remote shards all at once: the
// requests on the wire, and what the reader makes of answers whole,
// refused, cut short, garbled or never sent. The shard is played by the far end of a socket pair, so
// every byte of both directions is the test's own.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "backend/remote_documents.h"
#include "backend/remote_term_counts.h"

namespace zeb::backend {
namespace {

// One message as a shard sends it: type, length, body (lengths from 255 on
// in the long form).
std::string message(unsigned char type, const std::string& body) {
  std::string out(1, static_cast<char>(type));
  uint64_t length = body.size();
  if (length < 255) {
    out += static_cast<char>(length);
  } else {
    out += '\xff';
    length -= 255;
    for (; length >= 0x80; length >>= 7) out += static_cast<char>(length & 0x7f);
    out += static_cast<char>(length | 0x80);
  }
  return out + body;
}

std::string document(const std::string& data) {
  return message(5, data) + message(16, std::string("\x00", 1) + "value") + message(2, "");
}

class RemoteDocumentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends_), 0);
    socket_.fd = ends_[0];
    socket_.timeout_ms = 100;
  }
  void TearDown() override {
    ::close(ends_[0]);
    if (ends_[1] >= 0) ::close(ends_[1]);
  }

  // A batch asking for `ids`, its data going to data_.
  std::vector<DocumentBatch> batch(const std::vector<Xapian::docid>& ids) {
    data_.assign(ids.size(), "unset");
    DocumentBatch one{&socket_, ids, {}, {}, {}};
    for (std::string& slot : data_) one.data.push_back(&slot);
    return {one};
  }

  // What the shard's end has received so far.
  std::string received() {
    std::string bytes(4096, '\0');
    const ssize_t n = ::recv(ends_[1], bytes.data(), bytes.size(), MSG_DONTWAIT);
    bytes.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return bytes;
  }

  void answer(const std::string& bytes) {
    ASSERT_EQ(::send(ends_[1], bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
  }

  // Whether the reader's end was shut down (its next send fails).
  bool shut_down() { return ::send(ends_[0], "x", 1, MSG_NOSIGNAL | MSG_DONTWAIT) < 0; }

  int ends_[2] = {-1, -1};
  ShardSocket socket_;
  std::vector<std::string> data_;
};

TEST_F(RemoteDocumentsTest, EveryRequestGoesOutBeforeAnyAnswerIsRead) {
  // Ids 1, 254, 255 and 300 + 255: one-byte ids, then the long form.
  auto batches = batch({1, 254, 255, 555});
  request_documents(batches);
  EXPECT_EQ(received(), std::string("\x02\x01\x01"
                                    "\x02\x01\xfe"
                                    "\x02\x02\xff\x80"
                                    "\x02\x03\xff\x2c\x82", 15));
  const std::string long_data(300, 'x');
  answer(document("a/one.html;One") + document("") + document(long_data) +
         document("d/four.html;Four"));
  collect_documents(batches);
  EXPECT_EQ(data_, std::vector<std::string>({"a/one.html;One", "", long_data,
                                             "d/four.html;Four"}));
  EXPECT_TRUE(batches[0].refused.empty());
  EXPECT_FALSE(shut_down());
}

TEST_F(RemoteDocumentsTest, ADocumentTheShardCannotReadIsLeftToXapianAndTheRestRead) {
  auto batches = batch({7, 8, 9});
  request_documents(batches);
  answer(document("seven") + message(1, "serialised DocNotFoundError") + document("nine"));
  collect_documents(batches);
  EXPECT_EQ(batches[0].refused, std::vector<size_t>({1}));
  EXPECT_EQ(data_[0], "seven");
  EXPECT_EQ(data_[2], "nine");
  EXPECT_FALSE(shut_down());
}

TEST_F(RemoteDocumentsTest, AnswersCutShortGarbledOrNeverSentFailAndShutTheConnection) {
  struct Case {
    const char* what;
    std::string bytes;
    bool close_after;
    bool timeout;
  };
  const std::string whole = document("one");
  const std::vector<Case> cases = {
      {"closed inside a message", whole.substr(0, 4), true, false},
      {"closed between documents", whole, true, false},
      {"unknown answer type", message(19, "results"), false, false},
      {"length past any answer", "\x05\xff\x7f\x7f\x7f\x7f\x7f\x81", false, false},
      {"silent", "", false, true},
      {"stalls inside a message", whole.substr(0, 3), false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    auto batches = batch({1, 2});
    request_documents(batches);
    answer(c.bytes);
    if (c.close_after) {
      ::close(ends_[1]);
      ends_[1] = -1;
    }
    if (c.timeout) {
      EXPECT_THROW(collect_documents(batches), Xapian::NetworkTimeoutError);
    } else {
      EXPECT_THROW(collect_documents(batches), Xapian::NetworkError);
    }
    EXPECT_TRUE(shut_down());
  }
}

TEST_F(RemoteDocumentsTest, TermCountsAreAskedAllAtOnce) {
  const std::string long_term(300, 't');
  answer(message(8, "\x07") + message(1, "serialised DatabaseModifiedError") +
         message(8, std::string("\xff\x2c\x82", 3)));
  const auto counts = remote_term_counts({&socket_}, {"Zwater", "Kall", long_term});
  EXPECT_EQ(received(), "\x04\x06Zwater\x04\x04Kall\x04\xff\xad" + long_term);
  ASSERT_EQ(counts.size(), 1u);
  EXPECT_EQ(counts[0], std::vector<Xapian::doccount>({7, kUnknownCount, 555}));
  EXPECT_FALSE(shut_down());

  answer(message(5, "a document"));
  EXPECT_THROW(remote_term_counts({&socket_}, {"Zwater"}), Xapian::NetworkError);
  EXPECT_TRUE(shut_down());
}

}  // namespace
}  // namespace zeb::backend
