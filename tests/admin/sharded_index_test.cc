// zebadm on indexes of remote shards: three writable xapian-tcpsrv on
// 127.0.0.1, an instance whose index is spread over them, and every command
// that writes or reports on it.
#include <gtest/gtest.h>
#include <xapian.h>

#include <map>
#include <memory>
#include <set>

#include "admin/shard_placement.h"
#include "admin/shard_stamp.h"
#include "backend/catalogue.h"
#include "backend/document_data.h"
#include "backend/index_schema.h"
#include "support/shard_server.h"
#include "temp_tree.h"
#include "zebadm_runner.h"

namespace zeb {
namespace {

using testing::ShardServer;
using testing_support::AdminRun;
using testing_support::run_admin;
using testing_support::TempTree;

constexpr size_t kShards = 3;
constexpr int kPages = 30;

class ShardedIndex : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::shard_server_installed()) GTEST_SKIP() << "xapian-tcpsrv not installed";
    for (size_t i = 0; i < kShards; ++i) {
      servers_.push_back(std::make_unique<ShardServer>(tree_.path("shard" + std::to_string(i)),
                                                       ShardServer::kWritable));
      ASSERT_TRUE(servers_.back()->ready());
    }
    ASSERT_EQ(run({"init", "test"}).status, 0);
    for (int i = 0; i < kPages; ++i)
      tree_.write("docs/part" + std::to_string(i % 3) + "/page" + std::to_string(i) + ".html",
                  "<title>Page " + std::to_string(i) + "</title><p>retrieval of page " +
                      std::to_string(i) + (i == 7 ? " with a retreival" : "") + "</p>");
  }

  AdminRun run(const std::vector<std::string>& args) {
    return run_admin(args, tree_.path("instance").c_str());
  }
  std::vector<std::string> create_args(const std::string& name, size_t first = 0,
                                       size_t count = kShards) {
    std::vector<std::string> args = {"create", name, tree_.path("docs")};
    for (size_t i = first; i < first + count; ++i) {
      args.push_back("--shard");
      args.push_back(servers_[i]->address());
    }
    return args;
  }

  Xapian::Database reader(size_t i) {
    return Xapian::Remote::open("127.0.0.1", servers_[i]->port(), 5000, 5000);
  }
  unsigned long long revision_of(size_t i) { return admin::counted_revision(reader(i)); }
  std::string stamp_of(size_t i) { return reader(i).get_metadata(admin::kShardStampKey); }

  // What shard `i` holds: its documents' paths.
  std::set<std::string> paths_on(size_t i) {
    Xapian::Database db = reader(i);
    std::set<std::string> paths;
    const std::string prefix = backend::kPathPrefix;
    for (auto it = db.allterms_begin(prefix); it != db.allterms_end(prefix); ++it)
      paths.insert((*it).substr(prefix.size()));
    return paths;
  }
  Xapian::WritableDatabase writable(size_t i) {
    return Xapian::Remote::open_writable("127.0.0.1", servers_[i]->port(), 5000, 5000);
  }
  // Every document is on the shard its path names, once, with its row in
  // its order key; `servers` are the index's shards in order.
  void expect_placed_on(const std::vector<size_t>& servers, const std::set<std::string>& expected) {
    std::set<std::string> all;
    for (size_t i = 0; i < servers.size(); ++i) {
      Xapian::Database db = reader(servers[i]);
      for (auto it = db.postlist_begin(""); it != db.postlist_end(""); ++it) {
        const Xapian::Document doc = db.get_document(*it);
        const std::string data = doc.get_data();
        EXPECT_EQ(doc.get_value(backend::kValueOrderKey),
                  backend::order_key(data.substr(0, data.find(';')), data));
      }
      for (const std::string& path : paths_on(servers[i])) {
        EXPECT_EQ(admin::shard_for_path(path, servers.size()), i) << path;
        EXPECT_TRUE(all.insert(path).second) << path;
      }
    }
    EXPECT_EQ(all, expected);
  }
  void expect_placed(const std::set<std::string>& expected) {
    expect_placed_on({0, 1, 2}, expected);
  }
  std::set<std::string> all_pages() const {
    std::set<std::string> paths;
    for (int i = 0; i < kPages; ++i)
      paths.insert("part" + std::to_string(i % 3) + "/page" + std::to_string(i) + ".html");
    return paths;
  }

  TempTree tree_;
  std::vector<std::unique_ptr<ShardServer>> servers_;
};

TEST_F(ShardedIndex, CreateSpreadsTheDocumentsAndUpdateFollowsTheTree) {
  const AdminRun created = run(create_args("docs"));
  ASSERT_EQ(created.status, 0) << created.err;
  EXPECT_NE(created.out.find("index DOCS created: 30 documents indexed"), std::string::npos);
  std::set<std::string> expected = all_pages();
  expect_placed(expected);
  for (size_t i = 0; i < kShards; ++i) {
    EXPECT_FALSE(paths_on(i).empty()) << i;
    EXPECT_EQ(stamp_of(i), "TEST/DOCS " + std::to_string(i + 1) + "/3");
  }
  backend::Catalogue catalogue;
  std::string error;
  ASSERT_TRUE(backend::load_catalogue(tree_.path("instance"), catalogue, error)) << error;
  ASSERT_NE(catalogue.find("DOCS"), nullptr);
  EXPECT_EQ(catalogue.find("DOCS")->shards,
            (std::vector<std::string>{servers_[0]->address(), servers_[1]->address(),
                                      servers_[2]->address()}));
  EXPECT_TRUE(tree_.exists("instance/data/DOCS/source"));
  EXPECT_FALSE(tree_.exists("instance/data/DOCS/xapian"));

  // One document added, one changed, one removed.
  tree_.write("docs/part9/new.html", "<title>New</title>fresh words");
  tree_.write("docs/part1/page1.html", "<title>Page 1</title><p>changed, and longer</p>");
  std::filesystem::remove(tree_.path("docs/part2/page2.html"));
  const AdminRun updated = run({"update", "docs"});
  ASSERT_EQ(updated.status, 0) << updated.err;
  EXPECT_NE(updated.out.find("2 documents indexed, 28 unchanged, 1 removed"), std::string::npos)
      << updated.out;
  expected.insert("part9/new.html");
  expected.erase("part2/page2.html");
  expect_placed(expected);

  // add reindexes one document, on its own shard.
  const AdminRun added = run({"add", "DOCS", tree_.path("docs/part0/page0.html")});
  ASSERT_EQ(added.status, 0) << added.err;
  EXPECT_NE(added.out.find("1 documents indexed, 0 unchanged"), std::string::npos);
  expect_placed(expected);

  const AdminRun status = run({"status", "DOCS"});
  ASSERT_EQ(status.status, 0) << status.err;
  EXPECT_NE(status.out.find("documents:  30\n"), std::string::npos) << status.out;
  for (size_t i = 0; i < kShards; ++i) {
    const std::string line = "shard " + std::to_string(i + 1) + ":    " +
                             servers_[i]->address() + "  answers  " +
                             std::to_string(paths_on(i).size()) + " documents  revision ";
    EXPECT_NE(status.out.find(line), std::string::npos) << status.out;
  }
  const AdminRun listed = run({"list"});
  EXPECT_NE(listed.out.find("DOCS      active            30  " + tree_.path("docs")),
            std::string::npos) << listed.out;

  // A copy with an earlier path takes the first one's place, from
  // whichever shard held it.
  tree_.write("docs/0copy.html", tree_.read("docs/part0/page3.html"));
  const AdminRun folded = run({"update", "DOCS"});
  ASSERT_EQ(folded.status, 0) << folded.err;
  EXPECT_NE(folded.out.find("1 documents indexed, 29 unchanged, 0 removed, 0 unreadable, "
                            "1 duplicates folded"),
            std::string::npos)
      << folded.out;
  expected.insert("0copy.html");
  expected.erase("part0/page3.html");
  expect_placed(expected);
}

// The spelling file of a sharded index is the one a local index of the same
// tree gets: the vocabulary and document counts of all shards together.
TEST_F(ShardedIndex, SpellingFileAndLookupTableAsForALocalIndex) {
  ASSERT_EQ(run(create_args("docs")).status, 0);
  ASSERT_EQ(run({"create", "local", tree_.path("docs")}).status, 0);
  const std::string sharded =
      tree_.read("instance/data/DOCS/" + std::string(backend::kSpellingFileName));
  EXPECT_FALSE(sharded.empty());
  EXPECT_EQ(sharded, tree_.read("instance/data/LOCAL/" + std::string(backend::kSpellingFileName)));

  const AdminRun mapped = run({"map", "set", "docs", "http://example.org/docs/"});
  ASSERT_EQ(mapped.status, 0) << mapped.err;
  EXPECT_EQ(mapped.err, "");
  EXPECT_NE(run({"map", "list"}).out.find("DOCS         http://example.org/docs/\n"),
            std::string::npos);
}

// A run that cannot reach a shard stops before anything is written, and
// says which shard; so does one that finds another index's shard.
TEST_F(ShardedIndex, ShardsThatDoNotAnswerOrHoldAnotherIndexStopTheRun) {
  servers_[2]->stop();
  AdminRun failed = run(create_args("docs"));
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find("cannot write to shard " + servers_[2]->address()),
            std::string::npos) << failed.err;
  EXPECT_NE(failed.err.find("nothing was written"), std::string::npos);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_TRUE(paths_on(i).empty());
    EXPECT_EQ(stamp_of(i), "");
  }
  EXPECT_FALSE(tree_.exists("instance/data/DOCS"));
  servers_[2]->start();
  ASSERT_TRUE(servers_[2]->ready());
  ASSERT_EQ(run(create_args("docs")).status, 0);

  tree_.write("docs/part0/page0.html", "<title>Changed</title>changed");
  const auto revisions = [&] {
    std::vector<unsigned long long> counted;
    for (size_t i = 0; i < kShards; ++i) counted.push_back(revision_of(i));
    return counted;
  };
  servers_[1]->stop();
  const unsigned long long reachable = revision_of(0);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"update", "DOCS"}, {"clear", "DOCS"},
           {"add", "DOCS", tree_.path("docs/part0/page0.html")}}) {
    failed = run(args);
    EXPECT_EQ(failed.status, 1) << args[0];
    EXPECT_NE(failed.err.find("shard " + servers_[1]->address()), std::string::npos) << failed.err;
    EXPECT_EQ(revision_of(0), reachable) << args[0];
  }
  servers_[1]->start();
  ASSERT_TRUE(servers_[1]->ready());
  const std::vector<unsigned long long> before = revisions();

  // The first shard of DOCS is not the first shard of OTHER.
  failed = run(create_args("other", 0, 2));
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find("shard " + servers_[0]->address() + " holds shard TEST/DOCS 1/3, " +
                            "not shard TEST/OTHER 1/2"),
            std::string::npos) << failed.err;
  EXPECT_EQ(revisions(), before);
  EXPECT_NE(run({"status", "DOCS"}).out.find("documents:  30"), std::string::npos);
}

// What a create left when it was stopped (documents stamped with its own
// index, no catalogue entry) is cleared by the next create; documents
// found on the wrong shard move to their own.
TEST_F(ShardedIndex, LeftOversAndStraysAreTidiedUp) {
  {
    Xapian::WritableDatabase db = writable(1);
    Xapian::Document left;
    left.add_term(std::string(backend::kPathPrefix) + "gone/page.html");
    db.add_document(left);
    db.set_metadata(admin::kShardStampKey, "TEST/DOCS 2/3");
    db.commit();
  }
  const AdminRun created = run(create_args("docs"));
  ASSERT_EQ(created.status, 0) << created.err;
  expect_placed(all_pages());

  // A stray: page3 put on a shard that is not its own as well.
  const std::string page = "part0/page3.html";
  const size_t wrong = (admin::shard_for_path(page, kShards) + 1) % kShards;
  {
    Xapian::WritableDatabase db = writable(wrong);
    Xapian::Document stray;
    stray.add_term(std::string(backend::kPathPrefix) + page);
    db.add_document(stray);
    db.commit();
  }
  const AdminRun updated = run({"update", "DOCS"});
  ASSERT_EQ(updated.status, 0) << updated.err;
  EXPECT_NE(updated.out.find("0 documents indexed, 30 unchanged, 0 removed"), std::string::npos)
      << updated.out;
  expect_placed(all_pages());
}

TEST_F(ShardedIndex, ClearEmptiesEveryShardAndDeleteReleasesThem) {
  ASSERT_EQ(run(create_args("docs")).status, 0);
  const AdminRun cleared = run({"clear", "DOCS"});
  ASSERT_EQ(cleared.status, 0) << cleared.err;
  EXPECT_EQ(cleared.out, "index DOCS cleared: 30 documents removed\n");
  expect_placed({});
  ASSERT_EQ(run({"update", "DOCS"}).status, 0);
  expect_placed(all_pages());

  const AdminRun deleted = run({"delete", "DOCS"});
  ASSERT_EQ(deleted.status, 0) << deleted.err;
  expect_placed({});
  for (size_t i = 0; i < kShards; ++i) EXPECT_EQ(stamp_of(i), "");
  EXPECT_FALSE(tree_.exists("instance/data/DOCS"));
  EXPECT_EQ(run({"status", "DOCS"}).status, 1);
  // The servers are free for another index.
  const AdminRun again = run(create_args("other", 1, 2));
  ASSERT_EQ(again.status, 0) << again.err;

  // A shard that cannot be reached keeps what it holds; the next create of
  // the same index clears it.
  servers_[2]->stop();
  const AdminRun without = run({"delete", "OTHER"});
  ASSERT_EQ(without.status, 0) << without.err;
  EXPECT_NE(without.err.find("shard " + servers_[2]->address() + " of index OTHER was not "
                             "emptied"), std::string::npos) << without.err;
  EXPECT_TRUE(paths_on(1).empty());
  servers_[2]->start();
  ASSERT_TRUE(servers_[2]->ready());
  EXPECT_FALSE(paths_on(2).empty());
  ASSERT_EQ(run(create_args("other", 1, 2)).status, 0);
  expect_placed_on({1, 2}, all_pages());
}

TEST_F(ShardedIndex, TimeoutsAreShownSetAndKeptInTheCatalogue) {
  EXPECT_EQ(run({"timeouts"}).out, "connect timeout: 5000 ms\nsearch timeout:  10000 ms\n");
  const AdminRun set = run({"timeouts", "750", "2500"});
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(set.out, "connect timeout: 750 ms\nsearch timeout:  2500 ms\n");
  backend::Catalogue catalogue;
  std::string error;
  ASSERT_TRUE(backend::load_catalogue(tree_.path("instance"), catalogue, error)) << error;
  EXPECT_EQ(catalogue.shard_timeouts, (backend::ShardTimeouts{750, 2500}));
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"timeouts", "0", "100"}, {"timeouts", "100", "600001"}, {"timeouts", "100"},
           {"timeouts", "1s", "100"}})
    EXPECT_EQ(run(args).status, 1) << args[1];
  EXPECT_EQ(run({"timeouts"}).out, "connect timeout: 750 ms\nsearch timeout:  2500 ms\n");
}

TEST_F(ShardedIndex, ShardOptionsAreChecked) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"create", "docs", tree_.path("docs"), "--shard", "nohost"},
           {"create", "docs", tree_.path("docs"), "--shard", "h:0"},
           // A shard's replicas follow it after commas: each well formed and given once.
           {"create", "docs", tree_.path("docs"), "--shard", "h:1,nohost"},
           {"create", "docs", tree_.path("docs"), "--shard", "h:1,h:2|h:3"},
           {"create", "docs", tree_.path("docs"), "--shard", "h:1,h:1"},
           {"create", "docs", tree_.path("docs"), "--shard", "h:1,h:2", "--shard", "h:2"},
           {"create", "docs", tree_.path("docs"), "--shard", "h:1", "--shard", "h:1"}}) {
    const AdminRun failed = run(args);
    EXPECT_EQ(failed.status, 1) << args.back();
    EXPECT_NE(failed.err.find("--shard"), std::string::npos) << failed.err;
  }
  EXPECT_EQ(run({"update", "docs", "--shard", "h:1"}).status, 2);
}

// The placement must not change between builds: a document indexed by one
// zebadm is looked for on the same shard by the next.
TEST(ShardPlacement, IsAFixedHashOfThePath) {
  EXPECT_EQ(admin::shard_for_path("anything", 1), 0u);
  EXPECT_EQ(admin::shard_for_path("anything", 0), 0u);
  // FNV-1a of "a" is 0xaf63dc4c8601ec8c; of "" the offset basis.
  EXPECT_EQ(admin::shard_for_path("a", 1000), 0xaf63dc4c8601ec8cULL % 1000);
  EXPECT_EQ(admin::shard_for_path("", 1000), 14695981039346656037ULL % 1000);
  std::map<size_t, int> spread;
  for (int i = 0; i < 3000; ++i)
    ++spread[admin::shard_for_path("dir/page" + std::to_string(i) + ".html", 4)];
  ASSERT_EQ(spread.size(), 4u);
  for (const auto& [shard, count] : spread) EXPECT_NEAR(count, 750, 100) << shard;
}

}  // namespace
}  // namespace zeb
