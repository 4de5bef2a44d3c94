// Symbolic links in a document tree: what leads out of the tree is never
// read or indexed, links to files inside are documents under their own
// path, links to directories are not followed, and a file swapped for a
// link after the walk is not read.
#include <gtest/gtest.h>
#include <unistd.h>
#include <xapian.h>

#include <cerrno>
#include <filesystem>

#include "admin/document_reader.h"
#include "admin/document_tree.h"
#include "admin/tree_links.h"
#include "backend/document_data.h"
#include "backend/index_schema.h"
#include "temp_tree.h"
#include "zebadm_runner.h"

namespace zeb::admin {
namespace {

namespace fs = std::filesystem;
using testing_support::TempTree;

constexpr const char* kLeadsOut = ": a link that leads out of the document tree, skipped";

class TreeLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    tree_.write("docs/a.html", "<title>A</title>alpha");
    tree_.write("docs/sub/b.txt", "Bee\nbeta");
    tree_.write("outside/secret.txt", "shadowline\nsecret");
    tree_.write("outside/dir/c.html", "<title>C</title>gamma");
  }
  std::string docs(const std::string& path = "") const {
    return tree_.path(path.empty() ? "docs" : "docs/" + path);
  }
  void link(const std::string& target, const std::string& path) const {
    fs::create_symlink(target, docs(path));
  }
  TreeListing listing(const std::string& root) const {
    TreeListing listed;
    std::string error;
    EXPECT_TRUE(list_document_tree(root, listed, error)) << error;
    return listed;
  }
  static std::vector<std::string> paths(const TreeListing& listed) {
    std::vector<std::string> found;
    for (const auto& file : listed.documents) found.push_back(file.path);
    return found;
  }

  TempTree tree_;
};

TEST_F(TreeLinks, LinksOutOfTheTreeAreSkippedWithAWarning) {
  link(tree_.path("outside/secret.txt"), "leak.txt");
  link("../outside/secret.txt", "up.txt");
  link("../../outside/dir/c.html", "sub/deep.html");
  link("/etc/passwd", "passwd.txt");
  link(tree_.path("outside/dir"), "away");
  link("../docs-renamed/a.html", "gone.html");  // leads nowhere: not a file at all
  const TreeListing listed = listing(docs());
  EXPECT_EQ(paths(listed), (std::vector<std::string>{"a.html", "sub/b.txt"}));
  EXPECT_EQ(listed.other_files, 0u);
  EXPECT_EQ(listed.warnings,
            (std::vector<std::string>{std::string("away") + kLeadsOut,
                                      std::string("leak.txt") + kLeadsOut,
                                      std::string("passwd.txt") + kLeadsOut,
                                      std::string("sub/deep.html") + kLeadsOut,
                                      std::string("up.txt") + kLeadsOut}));

  TreeFile file;
  std::string error;
  EXPECT_FALSE(stat_tree_file(docs(), "leak.txt", file, error));
  EXPECT_NE(error.find("leads out of the document tree"), std::string::npos) << error;
  ExtractedDocument doc;
  EXPECT_FALSE(read_document(docs(), "leak.txt", DocumentKind::kText, doc, error));
  EXPECT_NE(error.find("leak.txt: a link that leads out"), std::string::npos) << error;
}

TEST_F(TreeLinks, LinksToFilesInsideTheTreeAreDocumentsUnderTheirOwnPath) {
  link("a.html", "same.html");
  link("../a.html", "sub/up.html");
  link(docs("sub/b.txt"), "bee.txt");  // absolute, but inside
  tree_.write("docs/.hidden/h.html", "<title>H</title>");
  link(".hidden/h.html", "shown.html");
  // The tree named through a link of its own: links are judged against
  // where the tree really is.
  fs::create_symlink(docs(), tree_.path("docs-link"));
  for (const std::string& root : {docs(), tree_.path("docs-link")}) {
    const TreeListing listed = listing(root);
    EXPECT_EQ(paths(listed), (std::vector<std::string>{"a.html", "bee.txt", "same.html",
                                                       "shown.html", "sub/b.txt", "sub/up.html"}));
    EXPECT_TRUE(listed.warnings.empty());
    ASSERT_EQ(listed.documents.size(), 6u);
    EXPECT_EQ(listed.documents[1].kind, DocumentKind::kText);
    EXPECT_EQ(listed.documents[1].size, 8);  // the target's size
    ExtractedDocument doc;
    std::string error;
    ASSERT_TRUE(read_document(root, "sub/up.html", DocumentKind::kHtml, doc, error)) << error;
    EXPECT_EQ(doc.title, "A");
  }
}

TEST_F(TreeLinks, DirectoryLinksAreNotFollowedSoLoopsEnd) {
  link(".", "loop");
  link("..", "sub/back");
  link("sub", "again");
  link(docs(), "sub/root");
  const TreeListing listed = listing(docs());
  EXPECT_EQ(paths(listed), (std::vector<std::string>{"a.html", "sub/b.txt"}));
  EXPECT_TRUE(listed.warnings.empty());
  TreeFile file;
  std::string error;
  EXPECT_FALSE(stat_tree_file(docs(), "loop", file, error));
  EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
}

TEST_F(TreeLinks, AFileSwappedForALinkAfterTheWalkIsNotRead) {
  const TreeListing listed = listing(docs());
  ASSERT_EQ(paths(listed), (std::vector<std::string>{"a.html", "sub/b.txt"}));
  fs::remove(docs("a.html"));
  link(tree_.path("outside/dir/c.html"), "a.html");
  fs::rename(docs("sub"), docs("sub-old"));
  fs::create_directories(tree_.path("outside/sub"));
  fs::copy_file(docs("sub-old/b.txt"), tree_.path("outside/sub/b.txt"));
  link(tree_.path("outside/sub"), "sub");
  for (const auto& file : listed.documents) {
    ExtractedDocument doc;
    std::string error;
    EXPECT_FALSE(read_document(docs(), file.path, file.kind, doc, error)) << file.path;
    EXPECT_NE(error.find("leads out of the document tree"), std::string::npos) << error;
  }
}

// The reader's last line of defence: once a path is resolved, opening it
// follows no link on the way, not even one that stays inside the tree.
TEST_F(TreeLinks, OpeningAResolvedPathFollowsNoLink) {
  std::string real_root, error;
  ASSERT_TRUE(resolve_tree_root(docs(), real_root, error)) << error;
  link("sub", "via");
  link("a.html", "same.html");
  int fd = open_in_tree(real_root, "sub/b.txt");
  EXPECT_GE(fd, 0);
  ::close(fd);
  for (const char* path : {"via/b.txt", "same.html", "", "missing.html", "sub/../a.html",
                           "./a.html", "sub//b.txt", "sub/"}) {
    fd = open_in_tree(real_root, path);
    EXPECT_LT(fd, 0) << path;
    if (fd >= 0) ::close(fd);
  }
  std::string resolved;
  EXPECT_EQ(resolve_in_tree(real_root, "via/b.txt", resolved), LinkTarget::kInside);
  EXPECT_EQ(resolved, "sub/b.txt");
  EXPECT_EQ(resolve_in_tree(real_root, "sub/..", resolved), LinkTarget::kInside);
  EXPECT_EQ(resolved, "");
  EXPECT_EQ(resolve_in_tree(real_root, "..", resolved), LinkTarget::kOutside);
  EXPECT_EQ(resolve_in_tree(real_root, "nothing", resolved), LinkTarget::kMissing);
}

// What zebadm create, update and add make of the same links.
TEST_F(TreeLinks, ZebadmNeverIndexesWhatLiesOutsideTheTree) {
  const std::string instance = tree_.path("instance");
  auto run = [&](const std::vector<std::string>& args) {
    return testing_support::run_admin(args, instance.c_str());
  };
  auto documents = [&] {
    Xapian::Database db(instance + "/data/DOCS/" + backend::kXapianDirName);
    std::vector<std::string> data;
    for (auto it = db.postlist_begin(""); it != db.postlist_end(""); ++it)
      data.emplace_back(backend::identifier_of(db.get_document(*it).get_data()));
    std::sort(data.begin(), data.end());
    return data;
  };
  ASSERT_EQ(run({"init", "test"}).status, 0);
  link(tree_.path("outside/secret.txt"), "leak.txt");
  link("a.html", "same.html");
  // same.html is a.html under another name: kept, not folded, to see the link.
  const auto created = run({"create", "docs", docs(), "--duplicates", "keep"});
  ASSERT_EQ(created.status, 0) << created.err;
  EXPECT_NE(created.err.find("warning: leak.txt: a link that leads out"), std::string::npos)
      << created.err;
  EXPECT_EQ(documents(),
            (std::vector<std::string>{"a.html;A", "same.html;A", "sub/b.txt;Bee"}));

  // A document replaced by a link out of the tree leaves the index.
  fs::remove(docs("sub/b.txt"));
  link("../../outside/secret.txt", "sub/b.txt");
  const auto updated = run({"update", "DOCS"});
  ASSERT_EQ(updated.status, 0) << updated.err;
  EXPECT_NE(updated.err.find("warning: sub/b.txt: a link that leads out"), std::string::npos)
      << updated.err;
  EXPECT_EQ(documents(), (std::vector<std::string>{"a.html;A", "same.html;A"}));

  const auto added = run({"add", "DOCS", docs("leak.txt")});
  EXPECT_EQ(added.status, 1);
  EXPECT_NE(added.err.find("leads out of the document tree"), std::string::npos) << added.err;
  EXPECT_EQ(run({"add", "DOCS", docs("same.html")}).status, 0);
  EXPECT_EQ(documents(), (std::vector<std::string>{"a.html;A", "same.html;A"}));
}

}  // namespace
}  // namespace zeb::admin
