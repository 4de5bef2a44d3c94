// Terms that every document of an index holds, searched where their weight
// does not count, after a document was deleted: each search finds exactly
// what it would find in an index without gaps, over local indexes, groups
// and remote shards, and lists its matches to the end.
#include <gtest/gtest.h>

#include <algorithm>

#include "backend/engine_fixture.h"
#include "support/shard_server.h"

namespace zeb::testing {
namespace {

using backend::IndexStatus;

// Documents whose lengths span several chunks of Xapian's length list.
constexpr int kDocuments = 3000;
// Deleted from every index below, so that document numbers have gaps.
constexpr int kDeleted[] = {5, 1500, 2999};

std::string path_of(const std::string& tag, int i) {
  return tag + "/d" + std::to_string(i) + ".html";
}

// Every document holds "common" and the topic "all"; every third holds
// "third". `tag` is the first directory of every path (a scope value).
void write_gapped_database(const std::string& dir, const std::string& tag) {
  std::vector<TestDocument> documents;
  for (int i = 0; i < kDocuments; ++i)
    documents.push_back({path_of(tag, i), "", i % 3 ? "common" : "common third", {"all"}});
  write_test_database(dir, documents);
  Xapian::WritableDatabase db(dir);
  for (int i : kDeleted) db.delete_document(backend::kPathPrefix + path_of(tag, i));
  db.commit();
}

// The paths a gapped database of `tag` holds that `keep` accepts, in order.
template <typename Keep>
std::vector<std::string> expected_paths(const std::string& tag, Keep keep) {
  std::vector<std::string> paths;
  for (int i = 0; i < kDocuments; ++i)
    if (keep(i) && std::find(std::begin(kDeleted), std::end(kDeleted), i) == std::end(kDeleted))
      paths.push_back(path_of(tag, i));
  return paths;
}

class WeightlessPartsTest : public EngineTest {
 protected:
  void add_gapped_index(const std::string& name, const std::string& tag) {
    const std::string data = "data/" + name;
    std::filesystem::create_directories(instance().dir() + "/" + data);
    write_gapped_database(instance().dir() + "/" + data + "/" + backend::kXapianDirName, tag);
    instance().add_entry(name, data, IndexStatus::kActive, {});
  }

  // The paths a search lists, read to the end, with its found count.
  std::vector<std::string> listed(uint32_t target, const Request& request, uint32_t& found,
                                  bool rank = false) {
    const SearchOutcome outcome = search(target, request);
    EXPECT_EQ(outcome.rc, 0);
    found = outcome.found;
    std::vector<std::string> paths;
    if (outcome.result == 0) return paths;
    for (const ListedEntry& entry : list_all(outcome.result, rank))
      paths.push_back(entry.document_id.substr(0, entry.document_id.find(';')));
    return paths;
  }

  static Request unlimited() {
    Request request;
    request.constants();
    return request;
  }
};

const auto kAll = [](int) { return true; };
const auto kThird = [](int i) { return i % 3 == 0; };
const auto kNotThird = [](int i) { return i % 3 != 0; };

TEST_F(WeightlessPartsTest, LocalIndexFindsEveryDocumentAndExcludesNone) {
  add_gapped_index("GAPS", "g");
  ASSERT_EQ(start_session(), 0);
  const uint32_t gaps = open_ok("GAPS");
  uint32_t found = 0;

  Request every = unlimited();
  every.term("common");
  EXPECT_EQ(listed(gaps, every, found), expected_paths("g", kAll));
  EXPECT_EQ(found, kDocuments - 3u);

  Request topic_and_word = unlimited();
  topic_and_word.topic("all").flag(kItemAnd).term("common");
  EXPECT_EQ(listed(gaps, topic_and_word, found), expected_paths("g", kAll));

  Request excluded = unlimited();
  excluded.term("common").flag(kItemNot).term("third");
  EXPECT_EQ(listed(gaps, excluded, found), expected_paths("g", kNotThird));
  EXPECT_EQ(found, expected_paths("g", kNotThird).size());

  Request nothing_left = unlimited();
  nothing_left.term("third").flag(kItemNot).term("common");
  EXPECT_EQ(listed(gaps, nothing_left, found), std::vector<std::string>());

  // Ranked: the scope and the topic filter free text.
  Request filtered = unlimited();
  filtered.flag(kItemRanking).topic("all").free_text("third");
  filtered.start(kItemQueryScope).text(kItemScopeValue, "g").end(kItemQueryScope);
  std::vector<std::string> ranked = listed(gaps, filtered, found, true);
  std::sort(ranked.begin(), ranked.end());
  std::vector<std::string> thirds = expected_paths("g", kThird);
  std::sort(thirds.begin(), thirds.end());
  EXPECT_EQ(ranked, thirds);
  EXPECT_EQ(found, thirds.size());
}

// In a group the word is in every document of one index only: the search
// weighs its terms, yet lists in the group's document order.
TEST_F(WeightlessPartsTest, GroupWhereOneMemberHoldsTheWordEverywhere) {
  add_gapped_index("GAPS", "g");
  instance().add_index("SOME", {{"s/one.html", "One", "common", {}},
                                {"s/two.html", "Two", "other", {}}});
  ASSERT_EQ(start_session(), 0);
  open_ok("GAPS");
  open_ok("SOME");
  Request members;
  members.text(kItemIndexName, "GAPS").text(kItemIndexName, "SOME");
  uint32_t group = 0;
  ASSERT_EQ(KSVCREATEINDEXGROUP(session_, members.length(), members.data(), &group, &diag_), 0);

  // Document numbers interleave: GAPS holds the odd ones, SOME the even.
  std::vector<std::string> expected = expected_paths("g", kAll);
  expected.insert(expected.begin() + 1, "s/one.html");
  uint32_t found = 0;
  Request every = unlimited();
  every.term("common");
  EXPECT_EQ(listed(group, every, found), expected);
  EXPECT_EQ(found, expected.size());

  Request excluded = unlimited();
  excluded.term("third").flag(kItemOr).term("other").flag(kItemNot).term("common");
  EXPECT_EQ(listed(group, excluded, found), std::vector<std::string>({"s/two.html"}));
  EXPECT_EQ(found, 1u);
}

TEST_F(WeightlessPartsTest, RemoteShardsWithGaps) {
  if (!shard_server_installed()) GTEST_SKIP() << "xapian-tcpsrv not installed";
  const std::string dir = instance().dir();
  write_gapped_database(dir + "/shard1", "a");
  write_gapped_database(dir + "/shard2", "b");
  ShardServer first(dir + "/shard1"), second(dir + "/shard2");
  ASSERT_TRUE(first.ready());
  ASSERT_TRUE(second.ready());
  instance().add_entry("REMOTE", "data/REMOTE", IndexStatus::kActive,
                       {first.address(), second.address()});
  ASSERT_EQ(start_session(), 0);
  const uint32_t remote = open_ok("REMOTE");

  std::vector<std::string> expected;
  const std::vector<std::string> a = expected_paths("a", kAll), b = expected_paths("b", kAll);
  // Both shards lack the same numbers; their documents alternate.
  for (size_t i = 0; i < a.size(); ++i) {
    expected.push_back(a[i]);
    expected.push_back(b[i]);
  }
  uint32_t found = 0;
  Request every = unlimited();
  every.term("common");
  EXPECT_EQ(listed(remote, every, found), expected);
  EXPECT_EQ(found, expected.size());

  Request excluded = unlimited();
  excluded.term("common").flag(kItemNot).term("third").flag(kItemAnd).topic("all");
  found = 0;
  EXPECT_EQ(listed(remote, excluded, found).size(),
            2 * expected_paths("a", kNotThird).size());
  EXPECT_EQ(found, 2 * expected_paths("a", kNotThird).size());

  Request scoped = unlimited();
  scoped.flag(kItemRanking).free_text("third");
  scoped.start(kItemQueryScope).text(kItemScopeValue, "a").end(kItemQueryScope);
  EXPECT_EQ(listed(remote, scoped, found, true).size(), expected_paths("a", kThird).size());
  EXPECT_EQ(found, expected_paths("a", kThird).size());
}

}  // namespace
}  // namespace zeb::testing
