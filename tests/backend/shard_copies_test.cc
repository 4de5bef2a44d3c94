// The copy of a shard a search opens: spread over the copies, a failed copy
// tried last, a replica read only while it is at most one revision behind
// zebadm's record, and 33 only when no copy can be opened.
#include <gtest/gtest.h>
#include <netinet/in.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "backend/index_opener.h"
#include "backend/return_codes.h"
#include "backend/shard_copies.h"
#include "backend/shard_pool.h"
#include "backend/test_index.h"
#include "support/shard_server.h"

namespace zeb::testing {
namespace {

using namespace backend;

TEST(ShardCopies, SearchesAreSpreadOverTheCopiesAndAFailedOneGoesLast) {
  forget_failed_copies();
  CatalogueEntry entry;
  entry.shards = {"p1:1", "p2:1"};
  entry.replicas = {{"r1:1", "s1:1"}, {}};
  std::set<std::string> first;
  for (uint64_t spread = 0; spread < 64; ++spread) {
    const std::vector<std::string> order = copies_in_order(entry, 0, spread);
    EXPECT_EQ(std::set<std::string>(order.begin(), order.end()),
              (std::set<std::string>{"p1:1", "r1:1", "s1:1"}));
    first.insert(order.front());
    EXPECT_EQ(copies_in_order(entry, 1, spread), std::vector<std::string>{"p2:1"});
  }
  EXPECT_EQ(first.size(), 3u);

  mark_copy_failed("r1:1");
  for (uint64_t spread = 0; spread < 16; ++spread)
    EXPECT_EQ(copies_in_order(entry, 0, spread).back(), "r1:1");
  forget_failed_copies();
  EXPECT_FALSE(copy_skipped("r1:1"));
}

TEST(ShardCopies, TheRevisionRecordReadsBackAndNothingElseReads) {
  TestInstance instance;
  const std::string dir = instance.dir();
  std::vector<unsigned long long> revisions;
  EXPECT_FALSE(read_revision_record(dir, revisions));  // none: any replica is read
  const std::vector<unsigned long long> written = {7, 0, 18446744073709551615ULL};
  std::ofstream(dir + "/" + kRevisionRecordName) << revision_record_text(written);
  ASSERT_TRUE(read_revision_record(dir, revisions));
  EXPECT_EQ(revisions, written);
  for (const char* text : {"7\n8", "7\nx\n", "\n", "-1\n", "123456789012345678901\n"}) {
    std::ofstream(dir + "/" + kRevisionRecordName) << text;
    EXPECT_FALSE(read_revision_record(dir, revisions)) << text;
    EXPECT_TRUE(revisions.empty()) << text;
  }
  EXPECT_TRUE(replica_current(9, 10));
  EXPECT_TRUE(replica_current(11, 10));
  EXPECT_FALSE(replica_current(8, 10));
}

// One shard with a primary and a replica on 127.0.0.1, each a database of
// its own with the revision zebadm would have counted.
class ShardFailover : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!shard_server_installed()) GTEST_SKIP() << "xapian-tcpsrv not installed";
    forget_failed_copies();
    for (const char* copy : {"/primary", "/replica"})
      write_test_database(instance_.dir() + copy, {{"a/one.html", "One", "alpha", {}}});
    set_revision("/primary", 10);
    primary_ = std::make_unique<ShardServer>(instance_.dir() + "/primary");
    replica_ = std::make_unique<ShardServer>(instance_.dir() + "/replica");
    ASSERT_TRUE(primary_->ready());
    ASSERT_TRUE(replica_->ready());
    std::filesystem::create_directories(instance_.dir() + "/data/R");
    entry_.name = "R";
    entry_.data_dir = "data/R";
    entry_.shards = {primary_->address()};
    entry_.replicas = {{replica_->address()}};
  }
  void TearDown() override { forget_failed_copies(); }

  // A copy that is down refuses at once: the bounds only keep a loaded
  // machine, where a server's fork for a connection may be slow, from
  // failing a copy that is up.
  static constexpr ShardTimeouts kTimeouts{5000, 10000};

  void set_revision(const char* copy, unsigned long long revision) {
    Xapian::WritableDatabase db(instance_.dir() + copy, Xapian::DB_OPEN);
    db.set_metadata(kRevisionKey, std::to_string(revision));
    db.commit();
  }

  int open(std::string& copy) {
    Xapian::Database db;
    std::vector<std::string> copies;
    const int rc = open_index_database(instance_.dir(), entry_, kTimeouts, db, nullptr,
                                       nullptr, nullptr, &copies);
    copy = copies.empty() ? "" : copies[0];
    return rc;
  }

  TestInstance instance_;
  std::unique_ptr<ShardServer> primary_, replica_;
  CatalogueEntry entry_;
};

TEST_F(ShardFailover, AShardOpensOnAnyLiveCurrentCopy) {
  const auto record = [&](const char* text) {
    std::ofstream(instance_.dir() + "/data/R/" + kRevisionRecordName) << text;
  };
  const struct {
    const char* what;
    bool primary_up;
    unsigned long long replica_revision;
    const char* record;  // nullptr: none
    int rc;
    bool on_replica;
  } cases[] = {
      {"primary down, replica current", false, 10, "10\n", kOk, true},
      {"primary down, replica one behind", false, 9, "10\n", kOk, true},
      {"primary down, replica two behind", false, 8, "10\n", kServerUnavailable, false},
      {"primary down, no record", false, 3, nullptr, kOk, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    forget_failed_copies();
    std::filesystem::remove(instance_.dir() + "/data/R/" + kRevisionRecordName);
    if (c.record != nullptr) record(c.record);
    replica_->stop();
    set_revision("/replica", c.replica_revision);
    replica_->start();
    ASSERT_TRUE(replica_->ready());
    if (c.primary_up != primary_->ready()) c.primary_up ? primary_->start() : primary_->stop();
    std::string copy;
    for (int i = 0; i < 6; ++i) {  // whichever copy the spread names first
      EXPECT_EQ(open(copy), c.rc);
      if (c.rc == kOk) {
        EXPECT_EQ(copy, c.on_replica ? replica_->address() : primary_->address());
      }
    }
  }
  // A replica too far behind is passed over while the primary answers.
  primary_->start();
  ASSERT_TRUE(primary_->ready());
  record("10\n");
  forget_failed_copies();
  std::string copy;
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(open(copy), kOk);
    EXPECT_EQ(copy, primary_->address());
  }
  EXPECT_TRUE(copy_skipped(replica_->address()));
}

TEST_F(ShardFailover, AKeptReplicaConnectionIsReadWhileItIsCurrent) {
  primary_->stop();
  mark_copy_failed(primary_->address());  // the replica comes first
  set_revision("/replica", 10);
  const ShardTimeouts timeouts = kTimeouts;
  in_port_t kept_port = 0;
  // Opens R, keeps its connection as a finished session does; the code and
  // whether the kept connection was used.
  const auto open_and_keep = [&](bool& reused) {
    Xapian::Database db;
    std::vector<Xapian::Database> parts;
    std::vector<ShardSocket> sockets;
    std::vector<std::string> copies;
    const int rc = open_index_database(instance_.dir(), entry_, timeouts, db, nullptr, &parts,
                                       &sockets, &copies);
    if (rc != kOk) return rc;
    EXPECT_EQ(copies[0], replica_->address());
    const in_port_t port = reinterpret_cast<const sockaddr_in&>(sockets[0].local).sin_port;
    reused = port == kept_port;
    kept_port = port;
    keep_shard(copies[0], timeouts, {parts[0], sockets[0]});
    return rc;
  };
  const struct {
    const char* record;
    int rc;
    bool reused;
  } cases[] = {
      {"10\n", kOk, false},  // a new connection
      {"10\n", kOk, true},   // current
      {"11\n", kOk, true},   // one behind
      {"12\n", kServerUnavailable, false},  // two behind: passed over, no copy left
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.record);
    std::ofstream(instance_.dir() + "/data/R/" + kRevisionRecordName) << c.record;
    bool reused = false;
    EXPECT_EQ(open_and_keep(reused), c.rc);
    EXPECT_EQ(reused, c.reused);
  }
  EXPECT_TRUE(copy_skipped(replica_->address()));
  drop_kept_shards();
}

}  // namespace
}  // namespace zeb::testing
