// zebadm create, update, add, status and rules under an index's rules:
// which files are its documents, pages that ask to be left out, and
// duplicates, on temporary instances.
#include <gtest/gtest.h>
#include <xapian.h>

#include <filesystem>
#include <functional>

#include "admin/index_rules_file.h"
#include "backend/index_schema.h"
#include "temp_tree.h"
#include "zebadm_runner.h"

namespace zeb {
namespace {

using testing_support::AdminRun;
using testing_support::run_admin;
using testing_support::TempTree;

const char* const kPage = "<html><head><title>Same</title></head><body>same words</body></html>";

class IndexRulesCommands : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(run({"init", "test"}).status, 0); }

  AdminRun run(const std::vector<std::string>& args) {
    return run_admin(args, tree_.path("instance").c_str());
  }
  std::string docs() const { return tree_.path("docs"); }
  void write(const std::string& path, const std::string& bytes) {
    tree_.write("docs/" + path, bytes);
  }
  // The path of every document of `index`, sorted.
  std::vector<std::string> paths(const std::string& index) const {
    Xapian::Database db(tree_.path("instance/data/" + index + "/xapian"));
    std::vector<std::string> found;
    for (auto it = db.allterms_begin("Q"); it != db.allterms_end("Q"); ++it)
      found.push_back((*it).substr(1));
    return found;
  }
  // The paths a new index of the tree as it is now holds.
  std::vector<std::string> as_created(const std::vector<std::string>& options = {}) {
    const std::string name = "FRESH" + std::to_string(++fresh_);
    std::vector<std::string> args{"create", name, docs()};
    args.insert(args.end(), options.begin(), options.end());
    const AdminRun created = run(args);
    EXPECT_EQ(created.status, 0) << created.err;
    return paths(name);
  }
  AdminRun update_ok() {
    AdminRun updated = run({"update", "DOCS"});
    EXPECT_EQ(updated.status, 0) << updated.err;
    return updated;
  }

  TempTree tree_;
  int fresh_ = 0;
};

TEST_F(IndexRulesCommands, RulesChooseTheDocumentsAndChangeWithTheIndex) {
  for (const char* path : {"index.html", "notes.txt", "guide/a.html", "guide/old/b.html",
                           "_sources/index.txt", "api/x.html", "api/index.html"})
    write(path, std::string("<title>") + path + "</title>" + path);
  const std::vector<std::string> rules{"--exclude", "_sources", "--exclude",       "api/**",
                                       "--include", "api/index.html", "--exclude=**/old"};
  std::vector<std::string> args{"create", "DOCS", docs()};
  args.insert(args.end(), rules.begin(), rules.end());
  const AdminRun created = run(args);
  ASSERT_EQ(created.status, 0) << created.err;
  EXPECT_NE(created.out.find("4 documents indexed, 0 unchanged, 0 removed, 0 unreadable, "
                             "3 left out by the rules"),
            std::string::npos)
      << created.out;
  EXPECT_EQ(paths("DOCS"), (std::vector<std::string>{"api/index.html", "guide/a.html",
                                                     "index.html", "notes.txt"}));

  const AdminRun status = run({"status", "DOCS"});
  EXPECT_NE(status.out.find("rules:      kinds html htm txt\n            exclude _sources\n"
                            "            exclude api/**\n            include api/index.html\n"
                            "            exclude **/old\n"),
            std::string::npos)
      << status.out;

  AdminRun refused = run({"add", "DOCS", docs() + "/_sources/index.txt"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("_sources/index.txt is left out by the rules of index DOCS "
                             "(--exclude _sources)"),
            std::string::npos)
      << refused.err;

  // Changed rules: what they now leave out goes, what they let in comes.
  const AdminRun changed = run({"rules", "docs", "--kinds", "html,htm", "--include", "guide/old"});
  ASSERT_EQ(changed.status, 0) << changed.err;
  EXPECT_NE(changed.out.find("kinds html htm\n"), std::string::npos) << changed.out;
  EXPECT_NE(update_ok().out.find("index DOCS updated: 1 documents indexed, 3 unchanged, "
                                 "1 removed"),
            std::string::npos);
  EXPECT_EQ(paths("DOCS"), (std::vector<std::string>{"api/index.html", "guide/a.html",
                                                     "guide/old/b.html", "index.html"}));
  EXPECT_EQ(paths("DOCS"), as_created({"--kinds", "html,htm", "--exclude", "_sources",
                                       "--exclude", "api/**", "--include", "api/index.html"}));
  refused = run({"add", "DOCS", docs() + "/notes.txt"});
  EXPECT_NE(refused.err.find("notes.txt is not a document of index DOCS (.html or .htm)"),
            std::string::npos)
      << refused.err;

  // --reset goes back to a new index's rules: every kind and file.
  ASSERT_EQ(run({"rules", "DOCS", "--reset"}).status, 0);
  update_ok();
  EXPECT_EQ(paths("DOCS").size(), 7u);

  EXPECT_EQ(run({"rules", "DOCS", "--exclude", "/abs"}).status, 2);
  EXPECT_EQ(run({"rules", "DOCS", "--furniture", "maybe"}).status, 2);
  EXPECT_EQ(run({"update", "DOCS", "--exclude", "x"}).status, 2);
}

TEST_F(IndexRulesCommands, DuplicatesAreIndexedOnceUnderTheFirstPathAsACreateWouldAfterEachUpdate) {
  write("a/index.html", kPage);
  write("b/index.html", kPage);
  write("c.html", "<title>Other</title>other words");
  const AdminRun created = run({"create", "DOCS", docs()});
  ASSERT_EQ(created.status, 0) << created.err;
  EXPECT_NE(created.out.find("2 documents indexed, 0 unchanged, 0 removed, 0 unreadable, "
                             "1 duplicates folded"),
            std::string::npos)
      << created.out;
  EXPECT_EQ(paths("DOCS"), (std::vector<std::string>{"a/index.html", "c.html"}));
  EXPECT_NE(update_ok().out.find("0 documents indexed, 2 unchanged, 0 removed, 0 unreadable, "
                                 "1 duplicates folded"),
            std::string::npos);

  struct Step {
    const char* what;
    std::function<void()> change;
    std::vector<std::string> indexed;
  } steps[] = {
      {"the copy changes", [&] { write("b/index.html", "<title>Same</title>new words"); },
       {"a/index.html", "b/index.html", "c.html"}},
      {"the copy is the same again", [&] { write("b/index.html", kPage); },
       {"a/index.html", "c.html"}},
      {"the first changes", [&] { write("a/index.html", "<title>Same</title>a's own"); },
       {"a/index.html", "b/index.html", "c.html"}},
      {"an earlier path of the same text comes",
       [&] { write("0/index.html", kPage); }, {"0/index.html", "a/index.html", "c.html"}},
      {"it goes again", [&] { std::filesystem::remove(docs() + "/0/index.html"); },
       {"a/index.html", "b/index.html", "c.html"}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.change();
    update_ok();
    EXPECT_EQ(paths("DOCS"), step.indexed);
    EXPECT_EQ(paths("DOCS"), as_created());
  }
  // add follows the same choice.
  write("0/index.html", kPage);
  const AdminRun added = run({"add", "DOCS", docs() + "/0/index.html"});
  ASSERT_EQ(added.status, 0) << added.err;
  EXPECT_EQ(paths("DOCS"), (std::vector<std::string>{"0/index.html", "a/index.html", "c.html"}));
}

TEST_F(IndexRulesCommands, PagesThatAskToBeLeftOutAreAndFurnitureIsNotText) {
  write("page.html", "<title>Page</title><nav>menuword</nav><p>bodyword</p>");
  write("hidden.html", "<head><meta name=robots content=noindex></head><body>hidden</body>");
  const AdminRun created = run({"create", "DOCS", docs()});
  ASSERT_EQ(created.status, 0) << created.err;
  EXPECT_NE(created.out.find("1 asking not to be indexed"), std::string::npos) << created.out;
  EXPECT_EQ(paths("DOCS"), std::vector<std::string>{"page.html"});
  Xapian::Database db(tree_.path("instance/data/DOCS/xapian"));
  EXPECT_EQ(db.get_termfreq("bodyword"), 1u);
  EXPECT_EQ(db.get_termfreq("menuword"), 0u);

  // A page that comes to ask is taken out.
  write("page.html", "<meta name=robots content=none><title>Page</title>");
  EXPECT_NE(update_ok().out.find("0 documents indexed, 0 unchanged, 0 removed, 0 unreadable, "
                                 "2 asking not to be indexed"),
            std::string::npos);
  EXPECT_TRUE(paths("DOCS").empty());
}

// An index made before there were rules has no rules file and its documents
// no rules marker: it takes and reads everything as before, until its rules
// are changed; then the next update reads every document again.
TEST_F(IndexRulesCommands, AnIndexWithoutRulesBehavesAsBefore) {
  write("a/index.html", kPage);
  write("b/index.html", kPage);
  write("nav.html", "<title>Nav</title><nav>menuword</nav>");
  write("hidden.html", "<meta name=robots content=noindex><title>Hidden</title>");
  ASSERT_EQ(run({"create", "DOCS", docs(), "--page-marks", "ignore", "--furniture", "keep",
                 "--duplicates", "keep"})
                .status,
            0);
  std::filesystem::remove(tree_.path("instance/data/DOCS/") + admin::kRulesFileName);
  EXPECT_EQ(paths("DOCS").size(), 4u);
  const AdminRun status = run({"status", "DOCS"});
  EXPECT_NE(status.out.find("rules:      kinds html htm txt\n            page-marks ignore\n"
                            "            furniture keep\n            duplicates keep\n"),
            std::string::npos)
      << status.out;
  EXPECT_NE(update_ok().out.find("0 documents indexed, 4 unchanged, 0 removed, 0 unreadable;"),
            std::string::npos);

  ASSERT_EQ(run({"rules", "DOCS", "--reset"}).status, 0);
  const AdminRun updated = update_ok();
  EXPECT_NE(updated.err.find("document rules changed: indexing every document again"),
            std::string::npos)
      << updated.err;
  EXPECT_EQ(paths("DOCS"), (std::vector<std::string>{"a/index.html", "nav.html"}));
  EXPECT_EQ(Xapian::Database(tree_.path("instance/data/DOCS/xapian")).get_termfreq("menuword"),
            0u);
  EXPECT_NE(update_ok().out.find("0 documents indexed, 2 unchanged"), std::string::npos);
}

}  // namespace
}  // namespace zeb
