// Calls to the shards side by side (how shards are opened), and a page's
// documents read shard by shard: every document comes back in the order
// asked for, from the shard that holds it, and a failure on any shard
// reaches the caller. (Remote shards asked for all documents at once:
// remote_documents_test.cc, remote_shards_test.cc.)
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>

#include "backend/shard_documents.h"
#include "backend/shard_parallel.h"
#include "backend/test_index.h"

namespace zeb::backend {
namespace {

TEST(SideBySide, EveryCallRunsOnceAndTheFirstFailureIsRethrown) {
  for (size_t count : {size_t{0}, size_t{1}, size_t{3}, kParallelShardCalls,
                       3 * kParallelShardCalls + 1}) {
    std::vector<std::atomic<int>> calls(count);
    run_side_by_side(count, [&](size_t i) { ++calls[i]; });
    for (size_t i = 0; i < count; ++i) EXPECT_EQ(calls[i], 1) << i << " of " << count;
  }
  std::vector<std::atomic<int>> calls(20);
  try {
    run_side_by_side(20, [&](size_t i) {
      ++calls[i];
      if (i == 5 || i == 17) throw std::runtime_error("shard " + std::to_string(i));
    });
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "shard 5");
  }
  for (size_t i = 0; i < 20; ++i) EXPECT_EQ(calls[i], 1) << i;
}

class ShardDocumentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Shards of unequal size, so that the numbering round them has gaps.
    for (int shard = 0; shard < 3; ++shard) {
      std::vector<testing::TestDocument> documents;
      for (int i = 0; i <= shard * 2; ++i) {
        const std::string name = "s" + std::to_string(shard) + "d" + std::to_string(i);
        documents.push_back({"dir/" + name + ".html", name, "common words", {}});
      }
      const std::string dir = instance_.dir() + "/shard" + std::to_string(shard);
      testing::write_test_database(dir, documents);
      shards_.emplace_back(dir);
      combined_.add_database(shards_.back());
    }
  }

  // Every document of the combined database, as it reads them itself.
  std::vector<Xapian::docid> all_ids(std::vector<std::string>& data) const {
    std::vector<Xapian::docid> ids;
    for (auto it = combined_.postlist_begin(""); it != combined_.postlist_end(""); ++it) {
      ids.push_back(*it);
      data.push_back(combined_.get_document(*it).get_data());
    }
    return ids;
  }

  testing::TestInstance instance_;
  std::vector<Xapian::Database> shards_;
  Xapian::Database combined_;
};

TEST_F(ShardDocumentsTest, EachDocumentComesFromItsShardInTheOrderAsked) {
  std::vector<std::string> expected;
  std::vector<Xapian::docid> ids = all_ids(expected);
  ASSERT_EQ(ids.size(), 9u);
  // Out of order, and one twice.
  std::reverse(ids.begin(), ids.end());
  std::reverse(expected.begin(), expected.end());
  ids.push_back(ids[2]);
  expected.push_back(expected[2]);
  // Marked remote but with no connection found, each shard is read through
  // Xapian; not remote, through the combined database.
  for (const std::vector<bool>& remote :
       {std::vector<bool>{true, true, true}, {false, true, false}, {false, false, false}}) {
    const ShardDocuments documents(shards_, remote);
    std::vector<std::string> data;
    documents.read_data(combined_, ids, data);
    EXPECT_EQ(data, expected);
  }
  std::vector<std::string> data;
  ShardDocuments().read_data(combined_, ids, data);
  EXPECT_EQ(data, expected);
}

TEST_F(ShardDocumentsTest, AFailureOnOneShardReachesTheCaller) {
  const ShardDocuments documents(shards_, {true, true, true});
  std::vector<std::string> data;
  // Document 3 * 9 + 2 would be document 10 of the second shard, which has 3.
  EXPECT_THROW(documents.read_data(combined_, {1, 2, 29}, data), Xapian::DocNotFoundError);
}

}  // namespace
}  // namespace zeb::backend
