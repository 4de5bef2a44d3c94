// The shared-storage calls: attaching to the instance, the per-thread block,
// index numbers from index keys and data directories.
#include "engine/shared_storage.h"

#include <gtest/gtest.h>

#include <cstring>

#include "backend/test_index.h"

namespace zeb::testing {
namespace {

using backend::IndexStatus;

class SharedStorageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    instance_ = std::make_unique<TestInstance>("Demo");
    instance_->add_entry("DOCS", "data/DOCS", IndexStatus::kActive, {});       // 1
    instance_->add_entry("NEWS", "news", IndexStatus::kSuspended, {});         // 2
    instance_->add_entry("EIGHTCHR", "data/EIGHTCHR", IndexStatus::kActive, {});  // 3
    block_ = new ThreadBlock;
    TlsSetValue(*pGTlsIndex, block_);
    InitNonZeroTLS(block_);
    anchor_ = new AnchorBlock;
  }
  void TearDown() override {
    TlsSetValue(*pGTlsIndex, nullptr);
    delete block_;
    delete anchor_;
  }

  static std::vector<unsigned char> key(const std::string& name) {
    std::vector<unsigned char> bytes(kIndexKeySize, 0);
    std::memset(bytes.data(), 0xFF, kIndexKeyNameBytes);
    std::memcpy(bytes.data(), name.data(), std::min(name.size(), kIndexKeyNameBytes));
    return bytes;
  }
  static int32_t number_of(const std::string& name) {
    unsigned char work[kSearchWorkSize];
    return g_search_index_number(key(name).data(), work);
  }
  static std::string path_of(int32_t number) {
    char path[kSharedDataPathSize];
    std::memset(path, 'x', sizeof path);
    g_give_data_path(number, path);
    return path;
  }

  std::unique_ptr<TestInstance> instance_;
  ThreadBlock* block_ = nullptr;
  AnchorBlock* anchor_ = nullptr;
};

TEST_F(SharedStorageTest, AttachFillsThePerThreadBlock) {
  EXPECT_EQ(block_->control, nullptr);
  ASSERT_EQ(g_get_shared_storage(&anchor_, "DEMO"), 0);
  ASSERT_NE(block_->control, nullptr);
  EXPECT_EQ(block_->control->index_number_limit, 3);
  for (uint32_t word : block_->instance_words) EXPECT_NE(word, 0u);
}

TEST_F(SharedStorageTest, AttachNeedsTheInstanceOfItsRecordedName) {
  EXPECT_NE(g_get_shared_storage(&anchor_, "OTHER"), 0);
  EXPECT_EQ(block_->control, nullptr);
  EXPECT_EQ(number_of("DOCS"), -1);  // nothing attached
  ::unsetenv("ZEBINSTSRV");
  EXPECT_NE(g_get_shared_storage(&anchor_, "DEMO"), 0);
  ::setenv("ZEBINSTSRV", instance_->dir().c_str(), 1);
  instance_->remove_catalogue();
  EXPECT_NE(g_get_shared_storage(&anchor_, "DEMO"), 0);
}

TEST_F(SharedStorageTest, InstanceWithoutIndexesStillHasANonZeroLimit) {
  TestInstance bare("BARE");
  ASSERT_EQ(g_get_shared_storage(&anchor_, "BARE"), 0);
  EXPECT_EQ(block_->control->index_number_limit, 1);
}

TEST_F(SharedStorageTest, IndexKeysGiveCatalogueNumbers) {
  ASSERT_EQ(g_get_shared_storage(&anchor_, "DEMO"), 0);
  EXPECT_EQ(number_of("DOCS"), 1);
  EXPECT_EQ(number_of("NEWS"), 2);  // suspended indexes have data too
  EXPECT_EQ(number_of("EIGHTCHR"), 3);
  EXPECT_EQ(number_of("NOSUCH"), -1);
  EXPECT_EQ(number_of("DOC"), -1);
  EXPECT_EQ(number_of(""), -1);
  std::vector<unsigned char> tail = key("DOCS");
  tail[9] = 1;  // the last four bytes must be zero
  unsigned char work[kSearchWorkSize];
  EXPECT_EQ(g_search_index_number(tail.data(), work), -1);
}

TEST_F(SharedStorageTest, DataPathIsTheIndexDataDirectory) {
  ASSERT_EQ(g_get_shared_storage(&anchor_, "DEMO"), 0);
  EXPECT_EQ(path_of(1), instance_->dir() + "/data/DOCS");
  EXPECT_EQ(path_of(2), instance_->dir() + "/news");
  EXPECT_EQ(path_of(9), "");
  EXPECT_EQ(path_of(-1), "");
}

TEST_F(SharedStorageTest, LongDataPathIsCutToTheBuffer) {
  const std::string long_dir = "data/" + std::string(400, 'd');
  instance_->add_entry("LONG", long_dir, IndexStatus::kActive, {});  // 4
  ASSERT_EQ(g_get_shared_storage(&anchor_, "DEMO"), 0);
  const std::string path = path_of(4);
  EXPECT_EQ(path.size(), kSharedDataPathSize - 1);
  EXPECT_EQ(path, (instance_->dir() + "/" + long_dir).substr(0, kSharedDataPathSize - 1));
}

}  // namespace
}  // namespace zeb::testing
