// zebadm check, and the check that keeps update, add and clear from writing
// into a damaged index.
#include <gtest/gtest.h>
#include <xapian.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "backend/catalogue.h"
#include "temp_tree.h"
#include "zebadm_runner.h"

namespace zeb {
namespace {

namespace fs = std::filesystem;
using testing_support::AdminRun;
using testing_support::run_admin;
using testing_support::TempTree;

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class IndexCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(run({"init", "test"}).status, 0);
    tree_.write("docs/intro.html", "<title>Introduction</title>Information retrieval");
    tree_.write("docs/guide/tables.htm", "<title>Tables</title><p>Every table holds rows.</p>");
    tree_.write("docs/guide/typo.html", "<title>Typo</title><p>retreival of rows</p>");
    tree_.write("docs/notes.txt", "Release notes\nretrieval is faster\n");
    ASSERT_EQ(run({"create", "DOCS", docs()}).status, 0);
  }

  AdminRun run(const std::vector<std::string>& args) {
    return run_admin(args, tree_.path("instance").c_str());
  }
  std::string docs() const { return tree_.path("docs"); }
  std::string database(const std::string& index) const {
    return tree_.path("instance/data/" + index + "/xapian");
  }

  // 64 bytes of noise over the end of the postings table. The test index is
  // small enough for its postings to fit the table's only block, whose
  // items are packed at the block's end.
  void damage_postings() {
    const std::string table = database("DOCS") + "/postlist.glass";
    std::fstream file(table, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(fs::file_size(table)) - 64);
    std::mt19937 noise(7);
    for (int i = 0; i < 64; ++i) file.put(static_cast<char>(noise()));
  }

  // Every file of the index's data directory with its bytes.
  std::map<std::string, std::string> index_files() const {
    std::map<std::string, std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(tree_.path("instance/data/DOCS")))
      if (item.is_regular_file())
        files[item.path().string()] = tree_.read(fs::relative(item.path(), tree_.path()).string());
    return files;
  }

  TempTree tree_;
};

TEST_F(IndexCheck, SoundIndexIsReportedWithItsDocumentCount) {
  const auto checked = run({"check", "docs"});
  EXPECT_EQ(checked.status, 0) << checked.err;
  EXPECT_EQ(checked.out, "index DOCS is sound: 4 documents\n");
  EXPECT_EQ(checked.err, "");

  const auto unknown = run({"check", "NONE"});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_TRUE(has(unknown.err, "no index NONE")) << unknown.err;
}

// A table whose file is gone is damage too, though the search library
// takes it for one never needed.
TEST_F(IndexCheck, AMissingTableIsDamage) {
  for (const std::string table : {"position", "termlist", "docdata"}) {
    SCOPED_TRACE(table);
    const std::string file = database("DOCS") + "/" + table + ".glass";
    const std::string saved = file + ".saved";
    fs::rename(file, saved);
    const auto checked = run({"check", "DOCS"});
    EXPECT_EQ(checked.status, 1);
    EXPECT_TRUE(has(checked.err, table + ": the table's file is missing")) << checked.err;
    fs::rename(saved, file);
  }
  EXPECT_EQ(run({"check", "DOCS"}).status, 0);
}

TEST_F(IndexCheck, DamagedIndexIsFoundAndNeverWrittenInto) {
  damage_postings();
  const auto checked = run({"check", "DOCS"});
  EXPECT_EQ(checked.status, 1);
  EXPECT_EQ(checked.out, "");
  EXPECT_EQ(checked.err.rfind("zebadm: index DOCS is damaged: ", 0), 0u) << checked.err;

  const auto before = index_files();
  auto expect_refused = [&](const std::vector<std::string>& args) {
    const auto refused = run(args);
    EXPECT_EQ(refused.status, 1) << args[0];
    EXPECT_TRUE(has(refused.err, "zebadm: index DOCS is damaged: ")) << refused.err;
    EXPECT_TRUE(has(refused.err, "nothing was written")) << refused.err;
    EXPECT_EQ(refused.out, "") << args[0];
    EXPECT_TRUE(index_files() == before) << args[0] << " changed the index's files";
  };
  // Nothing changed in the tree: the update would only read, and rewrite
  // the spelling file from what it read.
  expect_refused({"update", "DOCS"});
  // A new document, an added one, a cleared index.
  tree_.write("docs/new.html", "<title>New</title>zeppelin");
  expect_refused({"update", "DOCS"});
  expect_refused({"add", "DOCS", docs() + "/new.html"});
  expect_refused({"clear", "DOCS"});
}

TEST_F(IndexCheck, TablesThatDisagreeAreDamageToo) {
  // The postings of another index: every block is sound, but the postings
  // no longer match the term lists.
  ASSERT_EQ(run({"create", "GUIDE", docs() + "/guide"}).status, 0);
  fs::copy_file(database("GUIDE") + "/postlist.glass", database("DOCS") + "/postlist.glass",
                fs::copy_options::overwrite_existing);
  const auto checked = run({"check", "DOCS"});
  EXPECT_EQ(checked.status, 1);
  EXPECT_EQ(checked.err.rfind("zebadm: index DOCS is damaged: postlist: ", 0), 0u) << checked.err;
  EXPECT_TRUE(has(checked.err, " error")) << checked.err;  // with the number of errors
  EXPECT_EQ(run({"update", "DOCS"}).status, 1);

  fs::remove_all(database("GUIDE"));
  const auto missing = run({"check", "GUIDE"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(has(missing.err, "index GUIDE is damaged: ")) << missing.err;
}

TEST_F(IndexCheck, RemoteIndexesAreLeftToTheirServers) {
  backend::Catalogue catalogue;
  std::string error;
  ASSERT_TRUE(backend::load_catalogue(tree_.path("instance"), catalogue, error)) << error;
  catalogue.indexes.push_back({7, "REMOTE", backend::IndexStatus::kActive, "nowhere",
                               {"127.0.0.1:1", "127.0.0.1:2"}});
  ASSERT_TRUE(backend::save_catalogue(tree_.path("instance"), catalogue, error)) << error;
  const auto refused = run({"check", "REMOTE"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(has(refused.err, "index REMOTE is held by remote servers (127.0.0.1:1, "
                               "127.0.0.1:2); zebadm check checks local indexes only"))
      << refused.err;
  EXPECT_EQ(run({"check", "DOCS"}).status, 0);
}

TEST_F(IndexCheck, XapianErrorsDuringAnUpdateEndItWithStatusOne) {
  // Another writer holds the index: the update's own open fails.
  Xapian::WritableDatabase writer(database("DOCS"), Xapian::DB_OPEN);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"update", "DOCS"}, {"add", "DOCS", docs() + "/intro.html"}}) {
    const auto failed = run(args);
    EXPECT_EQ(failed.status, 1) << args[0];
    EXPECT_TRUE(has(failed.err, "zebadm: index DOCS: DatabaseLockError")) << failed.err;
    EXPECT_EQ(failed.out, "");
  }
}

}  // namespace
}  // namespace zeb
