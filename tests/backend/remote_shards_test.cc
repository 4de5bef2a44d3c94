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
  // Each shard's words are read: a mask finds words of one shard only.
  Request masked;
  masked.constants().term("gam*");
  EXPECT_EQ(found(remote, masked), std::set<std::string>({"a/three.html;Three"}));
  Request masked_first;
  masked_first.constants().term("be*");
  EXPECT_EQ(found(remote, masked_first), std::set<std::string>({"b/two.html;Two"}));
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

// The page's documents are asked of each shard all at once: over shards of
// very different sizes, and over more than one answer, the list still
// follows the combined numbering (the order of a search without ranking);
// and a search that needs counting still counts every match.
TEST_F(RemoteShardsTest, DocumentsSpreadUnevenlyOverShardsComeBackInOrder) {
  const std::vector<int> sizes = {3, 30, 200};
  std::vector<std::unique_ptr<ShardServer>> servers;
  std::vector<std::string> addresses;
  for (size_t shard = 0; shard < sizes.size(); ++shard) {
    std::vector<TestDocument> documents;
    for (int i = 0; i < sizes[shard]; ++i) {
      const std::string name = "s" + std::to_string(shard) + "d" + std::to_string(i);
      // Every other one holds "odd", all but every fifth the topic: their
      // posting lists do not tell how many hold both.
      documents.push_back({name + ".html", name, i % 2 ? "uneven odd" : "uneven",
                           i % 5 ? std::vector<std::string>{"most"} : std::vector<std::string>{}});
    }
    const std::string dir = instance().dir() + "/uneven" + std::to_string(shard);
    write_test_database(dir, documents);
    servers.push_back(std::make_unique<ShardServer>(dir));
    ASSERT_TRUE(servers.back()->ready());
    addresses.push_back(servers.back()->address());
  }
  instance().add_entry("UNEVEN", "data/UNEVEN", IndexStatus::kActive, addresses);
  std::vector<std::string> expected;
  for (int i = 0; i < sizes.back(); ++i)
    for (size_t shard = 0; shard < sizes.size(); ++shard)
      if (i < sizes[shard])
        expected.push_back("s" + std::to_string(shard) + "d" + std::to_string(i) + ".html");

  ASSERT_EQ(start_session(), 0);
  const uint32_t uneven = open_ok("UNEVEN");
  Request request;
  request.constants().term("uneven");
  const SearchOutcome outcome = search(uneven, request);
  ASSERT_EQ(outcome.rc, 0);
  EXPECT_EQ(outcome.found, expected.size());
  std::vector<int32_t> answers;
  std::vector<std::string> paths;
  for (const auto& entry : list_all(outcome.result, false, &answers)) {
    EXPECT_EQ(entry.index_name, "UNEVEN");
    paths.push_back(entry.document_id.substr(0, entry.document_id.find(';')));
  }
  EXPECT_EQ(answers, std::vector<int32_t>({1, 1, 1, 1, 0}));
  EXPECT_EQ(paths, expected);

  // A found count that needs counting is exact past the first window.
  uint32_t both = 0;
  for (int size : sizes)
    for (int i = 0; i < size; ++i) both += i % 2 && i % 5;
  Request topic;
  topic.constants().term("odd").topic("most");
  const SearchOutcome counted = search(uneven, topic);
  ASSERT_EQ(counted.rc, 0);
  EXPECT_EQ(counted.found, both);
}

// A shard that hangs while the page's documents are read fails that answer
// after the search timeout; the index's connections are then shut, so a
// later search fails too instead of reading a stale document as its answer.
TEST_F(RemoteShardsTest, AShardThatHangsWhileThePageIsReadFailsTheAnswer) {
  instance().set_shard_timeouts({1000, 1000});
  ASSERT_EQ(start_session(), 0);
  const uint32_t remote = open_ok("REMOTE");
  Request shared;
  shared.constants().term("shared");
  const SearchOutcome outcome = search(remote, shared);
  ASSERT_EQ(outcome.rc, 0);
  second_->pause();
  std::vector<int32_t> answers;
  EXPECT_TRUE(list_all(outcome.result, false, &answers).empty());
  second_->resume();
  EXPECT_EQ(answers, std::vector<int32_t>({48}));
  EXPECT_EQ(search(remote, shared).rc, 48);
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
