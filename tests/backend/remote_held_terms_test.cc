// The rank terms a document holds, asked of a real shard server together
// with the page's documents: the count of the terms it holds (a repeated
// term each time), none for a path no document has, and the documents'
// own answers unchanged around them.
#include <gtest/gtest.h>

#include "backend/index_opener.h"
#include "backend/remote_documents.h"
#include "backend/test_index.h"
#include "support/shard_server.h"

namespace zeb::testing {
namespace {

TEST(RemoteHeldTerms, TheCountComesBackWithTheDocuments) {
  if (!shard_server_installed()) GTEST_SKIP() << "xapian-tcpsrv not installed";
  TestInstance instance;
  const std::string dir = instance.dir() + "/shard";
  write_test_database(dir, {{"a/one.html", "One", "alpha beta", {}},
                            {"b/two.html", "Two", "beta gamma", {}}});
  ShardServer server(dir);
  ASSERT_TRUE(server.ready());
  const std::vector<backend::OpenSocket> before = backend::connected_sockets();
  Xapian::Database db;
  std::string problem;
  ASSERT_EQ(backend::open_shard(server.address(), {1000, 1000}, db, problem), 0) << problem;
  const std::vector<backend::ShardSocket> sockets =
      backend::find_shard_sockets({server.address()}, 1000, before);
  ASSERT_GE(sockets[0].fd, 0);

  struct Case {
    std::string path;
    std::vector<std::string> terms;
    size_t held;
  };
  const std::vector<Case> cases = {
      {"a/one.html", {"alpha", "beta", "gamma", "alpha"}, 3},
      {"b/two.html", {"alpha", "beta", "gamma", "alpha"}, 2},
      {"c/none.html", {"alpha", "beta"}, 0},
  };
  for (const Case& c : cases) {
    backend::HeldTerms held;
    held.terms = c.terms;
    held.path_term = std::string(backend::kPathPrefix) + c.path;
    std::vector<std::string> data(2);
    std::vector<backend::DocumentBatch> batches = {
        {&sockets[0], {1, 2}, {&data[0], &data[1]}, {}, {}, &held}};
    backend::request_documents(batches);
    backend::collect_documents(batches);
    EXPECT_EQ(data[0], "a/one.html;One") << c.path;
    EXPECT_EQ(data[1], "b/two.html;Two") << c.path;
    EXPECT_TRUE(held.known) << c.path;
    EXPECT_EQ(held.held, c.held) << c.path;
  }
  // Xapian reads on after them: the connection is in step.
  EXPECT_EQ(db.get_doccount(), 2u);
  EXPECT_EQ(db.get_document(2).get_data(), "b/two.html;Two");
}

}  // namespace
}  // namespace zeb::testing
