// An index made of remote shards: two xapian-tcpsrv processes on 127.0.0.1,
// each serving half of the documents, searched as one index; a shard that
// cannot be reached makes the index unavailable.
#include <gtest/gtest.h>

#include <set>

#include "backend/engine_fixture.h"
#include "support/shard_server.h"

namespace zeb::testing {
namespace {

using backend::IndexStatus;

class RemoteShardsTest : public EngineTest {
 protected:
  void SetUp() override {
    if (!shard_server_installed()) GTEST_SKIP() << "xapian-tcpsrv not installed";
    const std::string dir = instance().dir();
    write_test_database(dir + "/shard1", {{"a/one.html", "One", "shared alpha", {"first"}},
                                          {"b/two.html", "Two", "shared beta", {}}});
    write_test_database(dir + "/shard2", {{"a/three.html", "Three", "shared gamma", {"first"}},
                                          {"c/four.html", "Four", "alpha alpha alpha", {}}});
    first_ = std::make_unique<ShardServer>(dir + "/shard1");
    second_ = std::make_unique<ShardServer>(dir + "/shard2");
    ASSERT_TRUE(first_->ready());
    ASSERT_TRUE(second_->ready());
    instance().add_entry("REMOTE", "data/REMOTE", IndexStatus::kActive,
                         {first_->address(), second_->address()});
  }

  std::set<std::string> found(uint32_t index, const Request& request) {
    const SearchOutcome outcome = search(index, request);
    EXPECT_EQ(outcome.rc, 0);
    std::set<std::string> ids;
    for (const auto& entry : list_all(outcome.result, false)) {
      EXPECT_EQ(entry.index_name, "REMOTE");
      ids.insert(entry.document_id);
    }
    EXPECT_EQ(outcome.found, ids.size());
    return ids;
  }

  std::unique_ptr<ShardServer> first_, second_;
};

TEST_F(RemoteShardsTest, ShardsAreSearchedAsOneIndex) {
  ASSERT_EQ(start_session(), 0);
  const uint32_t remote = open_ok("REMOTE");
  Request shared;
  shared.constants().term("shared");
  EXPECT_EQ(found(remote, shared),
            std::set<std::string>({"a/one.html;One", "b/two.html;Two", "a/three.html;Three"}));
  Request topic_in_scope;
  topic_in_scope.constants().start(kItemQueryScope).text(kItemScopeValue, "a")
      .end(kItemQueryScope).topic("first");
  EXPECT_EQ(found(remote, topic_in_scope),
            std::set<std::string>({"a/one.html;One", "a/three.html;Three"}));
  Request masked;
  masked.constants().term("gam*");
  EXPECT_EQ(found(remote, masked), std::set<std::string>({"a/three.html;Three"}));
  // A remote vocabulary is read whole: a mask must begin with two letters.
  for (const std::string text : {"*amma", "g*"}) {
    Request loose;
    loose.constants().term(text);
    EXPECT_EQ(search(remote, loose).rc, 22) << text;
  }

  Request ranked;
  ranked.flag(kItemRanking).constants().free_text("alpha");
  const SearchOutcome outcome = search(remote, ranked);
  ASSERT_EQ(outcome.rc, 0);
  const auto entries = list_all(outcome.result, true);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].document_id, "c/four.html;Four");  // three times alpha
  EXPECT_GE(entries[0].rank, entries[1].rank);
}

TEST_F(RemoteShardsTest, ShardThatCannotBeReachedMakesTheIndexUnavailable) {
  second_->stop();
  ASSERT_EQ(start_session(), 0);
  uint32_t index = 0;
  EXPECT_EQ(open("REMOTE", index), 33);
  EXPECT_EQ(index, 0u);
}

// A shard that accepts connections and then answers nothing (a hung
// machine) fails the open after the instance's timeouts; one that hangs
// after the open fails the search with "connection lost".
TEST_F(RemoteShardsTest, StalledShardFailsOpenAndSearchWithinTheTimeouts) {
  instance().set_shard_timeouts({1000, 2000});
  second_->pause();
  ASSERT_EQ(start_session(), 0);
  uint32_t index = 0;
  EXPECT_EQ(open("REMOTE", index), 33);
  EXPECT_EQ(index, 0u);
  second_->resume();
  const uint32_t remote = open_ok("REMOTE");
  second_->pause();
  Request shared;
  shared.constants().term("shared");
  const SearchOutcome outcome = search(remote, shared);
  EXPECT_EQ(outcome.rc, 48);
  EXPECT_EQ(outcome.result, 0u);
  second_->resume();
}

// In a group, a member whose shard hangs during the search is left out and
// the others are searched again: the answer lists them, with code 48.
TEST_F(RemoteShardsTest, AMemberThatHangsDuringTheSearchIsLeftOutOfItsGroup) {
  instance().set_shard_timeouts({1000, 2000});
  instance().add_index("LOCAL", {{"a/local.html", "Local", "shared", {}}});
  ASSERT_EQ(start_session(), 0);
  open_ok("REMOTE");
  open_ok("LOCAL");
  Request members;
  members.text(kItemIndexName, "REMOTE").text(kItemIndexName, "LOCAL");
  uint32_t group = 0;
  ASSERT_EQ(KSVCREATEINDEXGROUP(session_, members.length(), members.data(), &group, &diag_), 0);
  Request shared;
  shared.constants().term("shared");
  second_->pause();
  const SearchOutcome outcome = search(group, shared);
  second_->resume();
  EXPECT_EQ(outcome.rc, 48);
  EXPECT_EQ(outcome.found, 1u);
  ASSERT_NE(outcome.result, 0u);
  const auto entries = list_all(outcome.result, false);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].index_name, "LOCAL");
  // The lost member stays out of the group's later searches.
  const SearchOutcome later = search(group, shared);
  EXPECT_EQ(later.rc, 0);
  EXPECT_EQ(later.found, 1u);
}

TEST_F(RemoteShardsTest, GroupWithRemoteMemberTakesOnlyEqualScopes) {
  instance().add_index("LOCAL", {{"a/local.html", "Local", "shared", {}}});
  ASSERT_EQ(start_session(), 0);
  open_ok("REMOTE");
  open_ok("LOCAL");
  Request members;
  members.text(kItemIndexName, "REMOTE").text(kItemIndexName, "LOCAL");
  uint32_t group = 0;
  ASSERT_EQ(KSVCREATEINDEXGROUP(session_, members.length(), members.data(), &group, &diag_), 0);
  auto scope = [&](const std::string& name, const std::string& value) {
    Request request;
    request.start(kItemQueryScope).start(kItemIndexScope).text(kItemIndexName, name)
        .text(kItemScopeValue, value).end(kItemIndexScope).end(kItemQueryScope);
    return KSVADDQUERYSCOPE(session_, group, request.length(), request.data(), &diag_);
  };
  Request shared;
  shared.constants().term("shared");
  ASSERT_EQ(scope("LOCAL", "a"), 0);
  EXPECT_EQ(search(group, shared).rc, 20);  // the remote member is unscoped
  ASSERT_EQ(scope("REMOTE", "a"), 0);
  const SearchOutcome outcome = search(group, shared);
  ASSERT_EQ(outcome.rc, 0);
  std::set<std::string> ids;
  for (const auto& entry : list_all(outcome.result, false))
    ids.insert(entry.index_name + ":" + entry.document_id);
  EXPECT_EQ(ids, std::set<std::string>({"REMOTE:a/one.html;One", "REMOTE:a/three.html;Three",
                                        "LOCAL:a/local.html;Local"}));
}

}  // namespace
}  // namespace zeb::testing
