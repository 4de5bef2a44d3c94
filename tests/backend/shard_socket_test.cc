// Finding Xapian's connection to a shard among the process's sockets: the
// new connection to each address, never an older one to the same server,
// none where two new ones could be either; and a connection closed since is
// no longer taken for the one found.
#include <gtest/gtest.h>
#include <netinet/in.h>

#include "backend/shard_socket.h"
#include "backend/test_index.h"
#include "support/shard_server.h"

namespace zeb::testing {
namespace {

using backend::connected_sockets;
using backend::find_shard_sockets;
using backend::OpenSocket;
using backend::ShardSocket;

int peer_port(const ShardSocket& socket) {
  return ntohs(reinterpret_cast<const sockaddr_in&>(socket.peer).sin_port);
}

Xapian::Database connect(const ShardServer& server) {
  return Xapian::Remote::open("127.0.0.1", static_cast<unsigned>(server.port()), 2000, 2000);
}

TEST(ShardSocket, TheNewConnectionToEachShardIsFoundAndOnlyThatOne) {
  if (!shard_server_installed()) GTEST_SKIP() << "xapian-tcpsrv not installed";
  TestInstance instance;
  write_test_database(instance.dir() + "/one", {{"a.html", "A", "alpha", {}}});
  write_test_database(instance.dir() + "/two", {{"b.html", "B", "beta", {}}});
  ShardServer one(instance.dir() + "/one"), two(instance.dir() + "/two");
  ASSERT_TRUE(one.ready());
  ASSERT_TRUE(two.ready());

  const std::vector<OpenSocket> before = connected_sockets();
  Xapian::Database first = connect(one), second = connect(two);
  const std::vector<ShardSocket> found =
      find_shard_sockets({one.address(), two.address(), "127.0.0.1:1"}, 700, before);
  ASSERT_EQ(found.size(), 3u);
  ASSERT_GE(found[0].fd, 0);
  ASSERT_GE(found[1].fd, 0);
  EXPECT_NE(found[0].fd, found[1].fd);
  EXPECT_EQ(peer_port(found[0]), one.port());
  EXPECT_EQ(peer_port(found[1]), two.port());
  EXPECT_EQ(found[0].timeout_ms, 700u);
  EXPECT_EQ(found[2].fd, -1);  // nothing connected there
  EXPECT_TRUE(still_connected(found[0]));

  // A second connection to the first server: after the first, it is the
  // new one; counting both, which is which cannot be told.
  const std::vector<OpenSocket> later = connected_sockets();
  Xapian::Database again = connect(one);
  const ShardSocket newer = find_shard_sockets({one.address()}, 700, later)[0];
  ASSERT_GE(newer.fd, 0);
  EXPECT_NE(newer.fd, found[0].fd);
  EXPECT_EQ(find_shard_sockets({one.address()}, 700, before)[0].fd, -1);

  // Closed, it is not the connection found any more, whatever reuses its
  // descriptor.
  again.close();
  EXPECT_FALSE(still_connected(newer));
  EXPECT_TRUE(still_connected(found[0]));
}

}  // namespace
}  // namespace zeb::testing
