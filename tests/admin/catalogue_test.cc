#include "backend/catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "admin/index_name.h"

namespace zeb {
namespace {

namespace fs = std::filesystem;

class CatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zebcat-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(CatalogueTest, SavedCatalogueLoadsBackWhole) {
  backend::Catalogue saved;
  saved.instance_name = "DEMO";
  saved.indexes.push_back({1, "PGDOC", backend::IndexStatus::kActive, "data/PGDOC", {}});
  saved.indexes.push_back({4, "REMOTE", backend::IndexStatus::kSuspended, "shards/REMOTE",
                           {"127.0.0.1:7001", "127.0.0.1:7002"}});
  // Replicas of some shards only: the others keep an empty list.
  saved.indexes.push_back({5, "COPIED", backend::IndexStatus::kActive, "data/COPIED",
                           {"10.0.0.1:7001", "10.0.0.2:7001", "10.0.0.3:7001"},
                           {{"10.0.1.1:7001", "10.0.2.1:7001"}, {}, {"10.0.1.3:7001"}},
                           true});
  std::string error;
  ASSERT_TRUE(backend::save_catalogue(dir_, saved, error)) << error;
  EXPECT_FALSE(fs::exists(backend::catalogue_path(dir_) + ".tmp"));

  backend::Catalogue loaded;
  ASSERT_TRUE(backend::load_catalogue(dir_, loaded, error)) << error;
  EXPECT_EQ(loaded.instance_name, "DEMO");
  ASSERT_EQ(loaded.indexes.size(), 3u);
  EXPECT_EQ(loaded.indexes[1].shards, saved.indexes[1].shards);
  EXPECT_FALSE(loaded.indexes[1].has_replicas());
  EXPECT_EQ(loaded.indexes[2].shards, saved.indexes[2].shards);
  EXPECT_EQ(loaded.indexes[2].replicas, saved.indexes[2].replicas);
  EXPECT_TRUE(loaded.indexes[2].replicas_of(1).empty());
  EXPECT_FALSE(loaded.indexes[1].partial_answers);
  EXPECT_TRUE(loaded.indexes[2].partial_answers);
  EXPECT_EQ(loaded.indexes[1].status, backend::IndexStatus::kSuspended);
  EXPECT_EQ(loaded.next_number(), 6);
  EXPECT_EQ(backend::resolve_data_dir(dir_, *loaded.find("PGDOC")), dir_.string() + "/data/PGDOC");
  EXPECT_EQ(backend::resolve_data_dir(dir_, *loaded.find("REMOTE")),
            dir_.string() + "/shards/REMOTE");
  EXPECT_EQ(loaded.find("NONE"), nullptr);
}

TEST_F(CatalogueTest, MissingOrMalformedCatalogueIsReported) {
  backend::Catalogue catalogue;
  std::string error;
  EXPECT_FALSE(backend::load_catalogue(dir_, catalogue, error));
  EXPECT_NE(error.find("no instance catalogue"), std::string::npos);

  std::ofstream(backend::catalogue_path(dir_)) << "zebsrch-catalogue 1\ninstance\tX\nindex\tzero\tA\tactive\td\t-\n";
  EXPECT_FALSE(backend::load_catalogue(dir_, catalogue, error));
  EXPECT_NE(error.find(":3: malformed"), std::string::npos);

  std::ofstream(backend::catalogue_path(dir_)) << "something else\n";
  EXPECT_FALSE(backend::load_catalogue(dir_, catalogue, error));
}

TEST(IndexName, ValidNamesAreUpperCasedOthersRefused) {
  std::string error;
  for (std::string name : {"docs", "A_1", "ABCDEFGH"}) {
    EXPECT_TRUE(admin::normalise_index_name(name, error)) << name;
  }
  std::string lower = "pg_doc15";
  ASSERT_TRUE(admin::normalise_index_name(lower, error));
  EXPECT_EQ(lower, "PG_DOC15");
  for (std::string name : {"", "ABCDEFGHI", "a-b", "a b", "\xC3\xA9t\xC3\xA9", "x/y"}) {
    EXPECT_FALSE(admin::normalise_index_name(name, error)) << name;
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace zeb
