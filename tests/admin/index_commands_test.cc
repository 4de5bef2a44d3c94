// zebadm create, update, add, list, status, suspend, resume, clear and
// delete on temporary instances.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <xapian.h>

#include <filesystem>

#include "backend/catalogue.h"
#include "backend/document_data.h"
#include "backend/index_schema.h"
#include "results/lookup_table_writer.h"
#include "temp_tree.h"
#include "zebadm_runner.h"

namespace zeb {
namespace {

using testing_support::AdminRun;
using testing_support::run_admin;
using testing_support::TempTree;

class IndexCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(run({"init", "test"}).status, 0);
    tree_.write("docs/intro.html",
                "<html><head><title>Introduction</title>"
                "<meta name=keywords content=\"Getting Started\"></head>"
                "<body>Information retrieval with tables</body></html>");
    tree_.write("docs/guide/tables.htm",
                "<title>Tables</title><p>Every table holds rows. Retrieval of rows.</p>");
    tree_.write("docs/guide/typo.html", "<title>Typo</title><p>retreival of rows</p>");
    tree_.write("docs/notes.txt", "Release notes\nretrieval is faster\n");
    tree_.write("docs/image.png", "\x89PNG");
    tree_.write("docs/.hidden.html", "<title>Hidden</title>");
  }

  AdminRun run(const std::vector<std::string>& args) { return run_admin(args, instance().c_str()); }
  std::string instance() const { return tree_.path("instance"); }
  std::string docs() const { return tree_.path("docs"); }
  std::string data(const std::string& index) const {
    return instance() + "/data/" + index;
  }

  backend::Catalogue catalogue() const {
    backend::Catalogue loaded;
    std::string error;
    EXPECT_TRUE(backend::load_catalogue(instance(), loaded, error)) << error;
    return loaded;
  }
  // The catalogue entry of `index`; an empty entry (number 0) when none.
  backend::CatalogueEntry entry(const std::string& index) const {
    const auto loaded = catalogue();
    const auto* found = loaded.find(index);
    return found ? *found : backend::CatalogueEntry{};
  }
  std::vector<LookupRecord> lookup() const {
    std::vector<LookupRecord> records;
    std::string error;
    EXPECT_TRUE(read_lookup_records(lookup_table_file(instance()), records, error)) << error;
    return records;
  }
  Xapian::Database database(const std::string& index) const {
    return Xapian::Database(data(index) + "/" + backend::kXapianDirName);
  }
  // The identifier of every document holding `term`, sorted.
  std::vector<std::string> matching(const std::string& index, const std::string& term) const {
    const auto db = database(index);
    std::vector<std::string> found;
    for (auto it = db.postlist_begin(term); it != db.postlist_end(term); ++it)
      found.emplace_back(backend::identifier_of(db.get_document(*it).get_data()));
    std::sort(found.begin(), found.end());
    return found;
  }
  // Nothing of a failed create may be left.
  void expect_no_trace_of(const std::string& index) {
    EXPECT_EQ(entry(index).number, 0);
    for (const auto& record : lookup()) EXPECT_NE(record.index_name, index);
    EXPECT_FALSE(std::filesystem::exists(data(index)));
    EXPECT_FALSE(std::filesystem::exists(instance() + "/data/." + index + ".new"));
  }

  TempTree tree_;
};

TEST_F(IndexCommands, CreateIndexesTheTreeAndEntersIt) {
  const auto created = run({"create", "docs", docs()});
  ASSERT_EQ(created.status, 0) << created.err;
  EXPECT_NE(created.out.find("index DOCS created: 4 documents indexed"), std::string::npos)
      << created.out;
  EXPECT_NE(created.out.find("1 other files skipped"), std::string::npos);
  EXPECT_EQ(created.err, "");  // quiet when not on a terminal

  const auto docs_entry = entry("DOCS");
  EXPECT_EQ(docs_entry.number, 1);
  EXPECT_EQ(docs_entry.data_dir, "data/DOCS");
  EXPECT_EQ(docs_entry.status, backend::IndexStatus::kActive);
  ASSERT_EQ(lookup().size(), 1u);
  EXPECT_EQ(lookup()[0].index_name, "DOCS");
  EXPECT_EQ(lookup()[0].location, docs());
  EXPECT_EQ(lookup()[0].third, "");
  EXPECT_EQ(tree_.read("instance/data/DOCS/source"), docs() + "\n");
  EXPECT_EQ(database("DOCS").get_doccount(), 4u);
  EXPECT_EQ(matching("DOCS", "retrieval"),
            (std::vector<std::string>{"guide/tables.htm;Tables", "intro.html;Introduction",
                                      "notes.txt;Release notes"}));
  // The planted misspelling is in the spelling file.
  const std::string spelling = tree_.read("instance/data/DOCS/ZEBCSREF.DAT");
  EXPECT_NE(spelling.find(std::string("retrieval\0", 10)), std::string::npos);
  EXPECT_NE(spelling.find(std::string("retreival\0", 10)), std::string::npos);

  // A second index gets the next number and its own location.
  const auto second = run({"create", "web", docs() + "/guide", "--location", "http://x.org/g"});
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(entry("WEB").number, 2);
  EXPECT_EQ(lookup()[1].location, "http://x.org/g");
}

TEST_F(IndexCommands, CreateRefusesAndLeavesNothingBehind) {
  ASSERT_EQ(run({"create", "DOCS", docs()}).status, 0);
  const std::string before = tree_.read("instance/zebinst.cat");

  auto failed = run({"create", "docs", docs()});
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find("index DOCS already exists"), std::string::npos) << failed.err;
  EXPECT_EQ(database("DOCS").get_doccount(), 4u);

  failed = run({"create", "bad.name", docs()});
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find("index name"), std::string::npos);

  failed = run({"create", "NEW", tree_.path("missing")});
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find("missing"), std::string::npos) << failed.err;
  expect_no_trace_of("NEW");

  failed = run({"create", "NEW", docs() + "/intro.html"});
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find("not a directory"), std::string::npos) << failed.err;

  // A location the look-up table cannot hold is found before any work.
  failed = run({"create", "NEW", docs(), "--location", std::string(128, 'l')});
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find("look-up table"), std::string::npos) << failed.err;
  expect_no_trace_of("NEW");
  EXPECT_EQ(tree_.read("instance/zebinst.cat"), before);

  failed = run_admin({"create", "NEW", docs()}, tree_.path("elsewhere").c_str());
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find("no instance at"), std::string::npos);
}

TEST_F(IndexCommands, LeftOversOfAKilledRunDoNotStopACreate) {
  tree_.write("instance/data/.DOCS.new/xapian/junk", "half made");
  tree_.write("instance/data/DOCS/stale", "renamed but never entered");
  ASSERT_EQ(run({"create", "DOCS", docs()}).status, 0);
  EXPECT_FALSE(tree_.exists("instance/data/DOCS/stale"));
  EXPECT_FALSE(tree_.exists("instance/data/.DOCS.new"));
  EXPECT_EQ(database("DOCS").get_doccount(), 4u);
}

TEST_F(IndexCommands, PathsWithSemicolonsAreSkippedWithAWarning) {
  tree_.write("docs/a;b.html", "<title>Semi</title>");
  const auto created = run({"create", "DOCS", docs()});
  ASSERT_EQ(created.status, 0);
  EXPECT_NE(created.err.find("warning: a;b.html: a document path may not hold ';'"),
            std::string::npos)
      << created.err;
  EXPECT_EQ(database("DOCS").get_doccount(), 4u);
}

TEST_F(IndexCommands, UpdateFollowsNewChangedAndRemovedDocuments) {
  ASSERT_EQ(run({"create", "DOCS", docs()}).status, 0);
  auto updated = run({"update", "docs"});
  ASSERT_EQ(updated.status, 0) << updated.err;
  EXPECT_NE(updated.out.find("0 documents indexed, 4 unchanged, 0 removed"), std::string::npos)
      << updated.out;

  tree_.write("docs/guide/tables.htm", "<title>Tables, revised</title><p>columns</p>");
  tree_.write("docs/new/added.html", "<title>Added</title>zeppelin");
  std::filesystem::remove(docs() + "/notes.txt");
  updated = run({"update", "DOCS"});
  ASSERT_EQ(updated.status, 0) << updated.err;
  EXPECT_NE(updated.out.find("2 documents indexed, 2 unchanged, 1 removed"), std::string::npos)
      << updated.out;
  EXPECT_EQ(database("DOCS").get_doccount(), 4u);
  EXPECT_EQ(matching("DOCS", "zeppelin"), std::vector<std::string>{"new/added.html;Added"});
  EXPECT_EQ(matching("DOCS", "columns"),
            std::vector<std::string>{"guide/tables.htm;Tables, revised"});
  EXPECT_TRUE(matching("DOCS", "faster").empty());
  EXPECT_EQ(matching("DOCS", "Snew"), std::vector<std::string>{"new/added.html;Added"});
}

TEST_F(IndexCommands, UpdateErrors) {
  auto failed = run({"update", "NONE"});
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find("no index NONE"), std::string::npos);
  ASSERT_EQ(run({"create", "DOCS", docs()}).status, 0);
  std::filesystem::rename(docs(), tree_.path("moved"));
  failed = run({"update", "DOCS"});
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find("document directory"), std::string::npos) << failed.err;
  EXPECT_EQ(database("DOCS").get_doccount(), 4u);  // nothing removed
}

TEST_F(IndexCommands, AddIndexesSingleDocumentsOfTheTree) {
  ASSERT_EQ(run({"create", "DOCS", docs()}).status, 0);
  tree_.write("docs/guide/late.html", "<title>Late</title>latecomer");
  tree_.write("outside.html", "<title>Out</title>");
  tree_.write("docs/data.csv", "a,b");
  tree_.write("docs/.hidden/secret.html", "<title>Secret</title>");
  tree_.write("docs/.secret.html", "<title>Secret</title>");
  std::filesystem::create_directory_symlink("..", docs() + "/guide/up");

  auto added = run({"add", "DOCS", docs() + "/guide/late.html", docs() + "/intro.html"});
  ASSERT_EQ(added.status, 0) << added.err;
  EXPECT_NE(added.out.find("2 documents indexed"), std::string::npos) << added.out;
  EXPECT_EQ(matching("DOCS", "latecomer"), std::vector<std::string>{"guide/late.html;Late"});
  EXPECT_EQ(database("DOCS").get_doccount(), 5u);

  struct Case {
    std::string file, message;
  } errors[] = {
      {tree_.path("outside.html"), "is not below the index's document directory"},
      {docs() + "/data.csv", "is not a document"},
      {docs() + "/gone.html", "No such file"},
      {docs(), "is not below"},
      // What create and update pass over.
      {docs() + "/.hidden/secret.html", "a hidden file or folder"},
      {docs() + "/.secret.html", "a hidden file or folder"},
      {docs() + "/guide/up/guide/late.html", "through a link to a directory"},
  };
  for (const auto& c : errors) {
    const auto failed = run({"add", "DOCS", c.file});
    EXPECT_EQ(failed.status, 1) << c.file;
    EXPECT_NE(failed.err.find(c.message), std::string::npos) << failed.err;
  }
  EXPECT_EQ(database("DOCS").get_doccount(), 5u);
  EXPECT_EQ(run({"add", "NONE", docs() + "/intro.html"}).status, 1);
}

TEST_F(IndexCommands, ListAndStatusShowEveryIndex) {
  auto listed = run({"list"});
  EXPECT_EQ(listed.status, 0);
  EXPECT_NE(listed.out.find("instance TEST has no indexes"), std::string::npos);

  ASSERT_EQ(run({"create", "DOCS", docs()}).status, 0);
  ASSERT_EQ(run({"create", "GUIDE", docs() + "/guide"}).status, 0);
  listed = run({"list"});
  EXPECT_EQ(listed.status, 0);
  EXPECT_NE(listed.out.find("     1  DOCS      active             4  " + docs() + "\n"),
            std::string::npos)
      << listed.out;
  EXPECT_NE(listed.out.find("     2  GUIDE     active             2  " + docs() + "/guide\n"),
            std::string::npos)
      << listed.out;

  const auto status = run({"status", "guide"});
  EXPECT_EQ(status.status, 0);
  EXPECT_EQ(status.out, "number:     2\nname:       GUIDE\nstatus:     active\n"
                        "documents:  2\nlocation:   " + docs() + "/guide\n"
                        "data:       " + data("GUIDE") + "\n"
                        "documents from: " + docs() + "/guide\n"
                        "rules:      kinds html htm txt\n            page-marks obey\n"
                        "            furniture skip\n            duplicates fold\n");
  EXPECT_EQ(run({"status", "NONE"}).status, 1);
  EXPECT_EQ(run({"status", "no good"}).status, 1);
}

TEST_F(IndexCommands, SuspendAndResumeChangeTheCatalogueOnly) {
  ASSERT_EQ(run({"create", "DOCS", docs()}).status, 0);
  auto done = run({"suspend", "docs"});
  EXPECT_EQ(done.status, 0);
  EXPECT_EQ(entry("DOCS").status, backend::IndexStatus::kSuspended);
  EXPECT_NE(run({"status", "DOCS"}).out.find("status:     suspended"), std::string::npos);
  done = run({"suspend", "DOCS"});
  EXPECT_EQ(done.status, 0);
  EXPECT_NE(done.out.find("already suspended"), std::string::npos);
  EXPECT_EQ(run({"resume", "DOCS"}).status, 0);
  EXPECT_EQ(entry("DOCS").status, backend::IndexStatus::kActive);
  EXPECT_EQ(database("DOCS").get_doccount(), 4u);
  EXPECT_EQ(run({"suspend", "NONE"}).status, 1);
  EXPECT_EQ(run({"resume", "NONE"}).status, 1);
}

TEST_F(IndexCommands, ClearEmptiesTheIndexAndKeepsIt) {
  ASSERT_EQ(run({"create", "DOCS", docs()}).status, 0);
  const auto cleared = run({"clear", "DOCS"});
  ASSERT_EQ(cleared.status, 0) << cleared.err;
  EXPECT_NE(cleared.out.find("4 documents removed"), std::string::npos);
  EXPECT_EQ(database("DOCS").get_doccount(), 0u);
  EXPECT_EQ(tree_.read("instance/data/DOCS/ZEBCSREF.DAT"), "");
  EXPECT_NE(entry("DOCS").number, 0);
  EXPECT_EQ(lookup().size(), 1u);
  // update brings the documents back.
  EXPECT_EQ(run({"update", "DOCS"}).status, 0);
  EXPECT_EQ(database("DOCS").get_doccount(), 4u);
  EXPECT_EQ(run({"clear", "NONE"}).status, 1);
}

TEST_F(IndexCommands, DeleteRemovesDataCatalogueEntryAndLookupRecord) {
  ASSERT_EQ(run({"create", "DOCS", docs()}).status, 0);
  ASSERT_EQ(run({"create", "KEEP", docs()}).status, 0);
  const auto deleted = run({"delete", "docs"});
  ASSERT_EQ(deleted.status, 0) << deleted.err;
  EXPECT_EQ(entry("DOCS").number, 0);
  EXPECT_NE(entry("KEEP").number, 0);
  ASSERT_EQ(lookup().size(), 1u);
  EXPECT_EQ(lookup()[0].index_name, "KEEP");
  EXPECT_FALSE(tree_.exists("instance/data/DOCS"));
  EXPECT_FALSE(tree_.exists("instance/data/.DOCS.old"));
  EXPECT_EQ(database("KEEP").get_doccount(), 4u);

  const auto again = run({"delete", "DOCS"});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("no index DOCS"), std::string::npos);
  // The name is free again.
  EXPECT_EQ(run({"create", "DOCS", docs()}).status, 0);
  EXPECT_EQ(entry("DOCS").number, 3);
}

// An index of remote shards that cannot be reached: runs that write into
// it stop and name the shard; delete takes it out of the instance all the
// same, and says what it left on the shard.
TEST_F(IndexCommands, RemoteIndexesThatCannotBeReached) {
  auto loaded = catalogue();
  loaded.indexes.push_back({7, "REMOTE", backend::IndexStatus::kActive, "data/REMOTE",
                            {"127.0.0.1:1"}});
  std::string error;
  ASSERT_TRUE(backend::save_catalogue(instance(), loaded, error));
  tree_.write("instance/data/REMOTE/source", docs() + "\n");
  for (const char* command : {"update", "clear"}) {
    const auto refused = run({command, "REMOTE"});
    EXPECT_EQ(refused.status, 1) << command;
    EXPECT_NE(refused.err.find("cannot write to shard 127.0.0.1:1"), std::string::npos)
        << refused.err;
  }
  const auto deleted = run({"delete", "REMOTE"});
  EXPECT_EQ(deleted.status, 0);
  EXPECT_NE(deleted.err.find("shard 127.0.0.1:1 of index REMOTE was not emptied"),
            std::string::npos) << deleted.err;
  EXPECT_EQ(entry("REMOTE").number, 0);
}

}  // namespace
}  // namespace zeb
