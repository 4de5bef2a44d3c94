// Shard connections kept from one session to the next: reused while they
// work, brought to the shard's latest revision, replaced when the server
// has gone, and never kept after a failure.
#include <arpa/inet.h>
#include <netinet/in.h>

#include <gtest/gtest.h>

#include "backend/engine_fixture.h"
#include "backend/shard_socket.h"
#include "support/shard_server.h"

namespace zeb::testing {
namespace {

using backend::IndexStatus;

class ShardPoolTest : public EngineTest {
 protected:
  void SetUp() override {
    if (!shard_server_installed()) GTEST_SKIP() << "xapian-tcpsrv not installed";
    const std::string dir = instance().dir();
    write_test_database(dir + "/shard1", {{"a/one.html", "One", "shared alpha", {}}});
    write_test_database(dir + "/shard2", {{"b/two.html", "Two", "shared beta", {}}});
    first_ = std::make_unique<ShardServer>(dir + "/shard1");
    second_ = std::make_unique<ShardServer>(dir + "/shard2");
    ASSERT_TRUE(first_->ready());
    ASSERT_TRUE(second_->ready());
    instance().add_entry("REMOTE", "data/REMOTE", IndexStatus::kActive,
                         {first_->address(), second_->address()});
    instance().set_shard_timeouts({1000, 1000});
  }

  // One session: opens REMOTE, searches "shared", ends; the search's code
  // and found count.
  SearchOutcome session_search() {
    SearchOutcome outcome;
    if (start_session() != 0) return outcome;
    uint32_t remote = 0;
    outcome.rc = open("REMOTE", remote);
    if (outcome.rc == 0) {
      Request shared;
      shared.constants().term("shared");
      outcome = search(remote, shared);
    }
    KSVENDSESSION(session_, &diag_);
    session_ = 0;
    return outcome;
  }

  // The local ports of this process's connections to `server`.
  static std::vector<unsigned> connections_to(const ShardServer& server) {
    std::vector<unsigned> ports;
    for (const backend::OpenSocket& socket : backend::connected_sockets()) {
      const auto& peer = reinterpret_cast<const sockaddr_in&>(socket.peer);
      const auto& local = reinterpret_cast<const sockaddr_in&>(socket.local);
      if (peer.sin_family == AF_INET &&
          server.address() == "127.0.0.1:" + std::to_string(ntohs(peer.sin_port)))
        ports.push_back(ntohs(local.sin_port));
    }
    return ports;
  }

  std::unique_ptr<ShardServer> first_, second_;
};

TEST_F(ShardPoolTest, AKeptConnectionIsReusedAndSeesTheLatestRevision) {
  EXPECT_EQ(session_search().found, 2u);
  const std::vector<unsigned> kept = connections_to(*first_);
  const std::vector<unsigned> kept_second = connections_to(*second_);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(session_search().found, 2u);
  EXPECT_EQ(connections_to(*first_), kept);
  {
    Xapian::WritableDatabase shard(instance().dir() + "/shard1");
    Xapian::Document added;
    added.add_term("Zshare");  // the stem a search for "shared" looks for
    shard.add_document(added);
    shard.commit();
  }
  // The shard with a new revision gets a new connection, once; the other
  // keeps its own.
  EXPECT_EQ(session_search().found, 3u);
  const std::vector<unsigned> renewed = connections_to(*first_);
  ASSERT_EQ(renewed.size(), 1u);
  EXPECT_EQ(connections_to(*second_), kept_second);
  EXPECT_EQ(session_search().found, 3u);
  EXPECT_EQ(connections_to(*first_), renewed);
}

TEST_F(ShardPoolTest, AConnectionTheServerClosedIsReplaced) {
  EXPECT_EQ(session_search().found, 2u);
  second_->stop();
  second_->start();
  ASSERT_TRUE(second_->ready());
  const SearchOutcome again = session_search();
  EXPECT_EQ(again.rc, 0);
  EXPECT_EQ(again.found, 2u);
  EXPECT_EQ(connections_to(*second_).size(), 1u);
}

TEST_F(ShardPoolTest, AStalledServerFailsTheOpenWithinTheTimeout) {
  EXPECT_EQ(session_search().found, 2u);
  second_->pause();
  EXPECT_EQ(session_search().rc, 33);  // its kept connection timed out
  second_->resume();
  EXPECT_EQ(session_search().found, 2u);
}

TEST_F(ShardPoolTest, ASessionWithAFailedCallKeepsNothing) {
  ASSERT_EQ(start_session(), 0);
  const uint32_t remote = open_ok("REMOTE");
  Request shared;
  shared.constants().term("shared");
  second_->pause();
  EXPECT_EQ(search(remote, shared).rc, 48);
  second_->resume();
  KSVENDSESSION(session_, &diag_);
  session_ = 0;
  EXPECT_TRUE(connections_to(*first_).empty());
  EXPECT_TRUE(connections_to(*second_).empty());
  EXPECT_EQ(session_search().found, 2u);
}

}  // namespace
}  // namespace zeb::testing
