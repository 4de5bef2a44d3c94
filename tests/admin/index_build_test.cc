// A new local index built on several threads and merged must be the
// database that one writer gives by adding the documents in path order.
#include "admin/index_build.h"

#include <gtest/gtest.h>
#include <xapian.h>

#include <filesystem>

#include "admin/index_sync.h"
#include "backend/index_schema.h"
#include "temp_tree.h"

namespace zeb::admin {
namespace {

std::vector<DocumentRun> runs_of(const std::vector<long long>& sizes, size_t count) {
  std::vector<TreeFile> files;
  for (long long size : sizes) files.push_back({"f" + std::to_string(files.size()), size, 1});
  return cut_into_runs(files, count);
}

using Bounds = std::vector<std::pair<size_t, size_t>>;

Bounds bounds(const std::vector<DocumentRun>& runs) {
  Bounds out;
  for (const DocumentRun& run : runs) out.emplace_back(run.begin, run.end);
  return out;
}

TEST(DocumentRuns, RunsAreConsecutiveAndOfAboutEqualWeight) {
  EXPECT_EQ(bounds(runs_of({10, 10, 10, 10, 10, 10, 10, 10}, 4)),
            (Bounds{{0, 2}, {2, 4}, {4, 6}, {6, 8}}));
  const long long k = kDocumentWeightBytes;
  EXPECT_EQ(bounds(runs_of({3 * k, 0, 0, 0, 0, 0, 0, 0}, 2)), (Bounds{{0, 3}, {3, 8}}));
  // One large document makes a run of its own; each later run still gets one.
  EXPECT_EQ(bounds(runs_of({1, 100 * k, 1, 1}, 3)), (Bounds{{0, 2}, {2, 3}, {3, 4}}));
  EXPECT_EQ(bounds(runs_of({100 * k, 1, 1, 1, 1}, 2)), (Bounds{{0, 1}, {1, 5}}));
  // Empty files weigh as documents.
  EXPECT_EQ(bounds(runs_of({0, 0, 0, 0}, 2)), (Bounds{{0, 2}, {2, 4}}));
}

TEST(DocumentRuns, NeverMoreRunsThanDocumentsNorFewerThanOne) {
  EXPECT_EQ(bounds(runs_of({5, 5, 5}, 8)), (Bounds{{0, 1}, {1, 2}, {2, 3}}));
  EXPECT_EQ(bounds(runs_of({}, 8)), (Bounds{{0, 0}}));
  EXPECT_EQ(bounds(runs_of({5, 5}, 0)), (Bounds{{0, 2}}));
}

// Everything a search or an update reads from the two databases.
void expect_same_databases(const Xapian::Database& built, const Xapian::Database& expected) {
  ASSERT_EQ(built.get_doccount(), expected.get_doccount());
  EXPECT_EQ(built.get_lastdocid(), expected.get_lastdocid());
  EXPECT_EQ(built.get_total_length(), expected.get_total_length());
  for (Xapian::docid id = 1; id <= expected.get_lastdocid(); ++id) {
    const Xapian::Document a = built.get_document(id), b = expected.get_document(id);
    ASSERT_EQ(a.get_data(), b.get_data()) << id;
    EXPECT_EQ(built.get_doclength(id), expected.get_doclength(id)) << a.get_data();
    EXPECT_EQ(a.get_value(backend::kValueModified), b.get_value(backend::kValueModified));
    EXPECT_EQ(a.get_value(backend::kValueSize), b.get_value(backend::kValueSize));
    auto x = a.termlist_begin(), y = b.termlist_begin();
    for (; x != a.termlist_end() && y != b.termlist_end(); ++x, ++y) {
      ASSERT_EQ(*x, *y) << a.get_data();
      EXPECT_EQ(x.get_wdf(), y.get_wdf()) << *x;
      EXPECT_EQ(std::vector<Xapian::termpos>(x.positionlist_begin(), x.positionlist_end()),
                std::vector<Xapian::termpos>(y.positionlist_begin(), y.positionlist_end()))
          << *x;
    }
    EXPECT_TRUE(x == a.termlist_end() && y == b.termlist_end()) << a.get_data();
  }
  auto x = built.allterms_begin(), y = expected.allterms_begin();
  for (; x != built.allterms_end() && y != expected.allterms_end(); ++x, ++y) {
    ASSERT_EQ(*x, *y);
    EXPECT_EQ(x.get_termfreq(), y.get_termfreq()) << *x;
    EXPECT_EQ(built.get_collection_freq(*x), expected.get_collection_freq(*y)) << *x;
  }
  EXPECT_TRUE(x == built.allterms_end() && y == expected.allterms_end());
  EXPECT_EQ(built.get_metadata(backend::kFormatKey), expected.get_metadata(backend::kFormatKey));
}

class IndexBuild : public ::testing::Test {
 protected:
  // Two writers, whatever the machine: the runs and their merge are tested.
  static constexpr size_t kThreads = 2;

  // Pages of words that recur across the tree, in several directories,
  // sizes uneven, enough of them for more than one run; or `pages` only.
  void write_tree(int pages = kMinSplitDocuments + 200) {
    const char* words[] = {"vacuum", "storage", "planner", "index", "tables", "rows"};
    for (int i = 0; i < pages; ++i) {
      std::string text = "<title>Page " + std::to_string(i) + " " + words[i % 6] + "</title><p>";
      for (int j = 0; j <= i % 7; ++j) text += std::string(words[(i + j) % 6]) + " page ";
      const std::string path = std::string(i % 3 ? "guide/" : "ref/") + "p" +
                               std::to_string(10000 + i) + (i % 5 ? ".html" : ".txt");
      tree_.write("docs/" + path,
                  (i % 5 ? text : "Plain text " + std::to_string(i) + " vacuum") + " everywhere");
    }
    std::string error;
    ASSERT_TRUE(list_document_tree(tree_.path("docs"), listing_, error)) << error;
  }

  // The database one writer makes of `listing_`, adding in path order.
  Xapian::Database written_in_order() {
    std::vector<Xapian::WritableDatabase> one;
    one.emplace_back(tree_.path("in-order"), Xapian::DB_CREATE);
    sync_index(one, tree_.path("docs"), listing_, SyncOptions());
    one[0].close();
    return Xapian::Database(tree_.path("in-order"));
  }

  SyncCounts build(FILE* messages = nullptr) {
    SyncOptions options;
    options.messages = messages;
    return build_new_index(tree_.path("built"), tree_.path("docs"), listing_, options, kThreads,
                           [this](const Xapian::Database& runs) {
                             read_while_merging_ = runs.get_doccount();
                           });
  }

  testing_support::TempTree tree_;
  TreeListing listing_;
  Xapian::doccount read_while_merging_ = 0;
};

TEST_F(IndexBuild, MergedRunsAreTheDatabaseWrittenInPathOrder) {
  write_tree();
  const size_t pages = listing_.documents.size();
  const SyncCounts counts = build();
  EXPECT_EQ(counts.indexed, pages);
  EXPECT_EQ(counts.failed, 0u);
  EXPECT_EQ(read_while_merging_, pages);
  expect_same_databases(Xapian::Database(tree_.path("built")), written_in_order());
  EXPECT_EQ(Xapian::Database(tree_.path("built")).get_metadata(backend::kFormatKey),
            std::to_string(backend::kIndexFormat));
  EXPECT_FALSE(tree_.exists("built.runs"));

  // It is an ordinary database: the next writer adds to it.
  Xapian::WritableDatabase db(tree_.path("built"), Xapian::DB_OPEN);
  EXPECT_EQ(db.add_document(Xapian::Document()), pages + 1);
}

// Copies of a few texts all over the tree: the runs meet them in any order,
// and the merged index must hold the first path of each, as one writer
// adding in path order keeps.
TEST_F(IndexBuild, FoldedDuplicatesAreThoseOfTheDatabaseWrittenInPathOrder) {
  for (int i = 0; i < 150; ++i)
    tree_.write("docs/" + std::string(i % 2 ? "guide/" : "ref/") + "p" + std::to_string(10000 + 9 * i) +
                    "d.html",
                "<title>Copy</title>copy " + std::to_string(i % 7));
  write_tree();
  SyncOptions options;
  options.rules.fold_duplicates = true;
  const SyncCounts counts = build_new_index(tree_.path("built"), tree_.path("docs"), listing_,
                                            options, kThreads, [](const Xapian::Database&) {});
  std::vector<Xapian::WritableDatabase> one;
  one.emplace_back(tree_.path("in-order"), Xapian::DB_CREATE);
  const SyncCounts in_order = sync_index(one, tree_.path("docs"), listing_, options);
  one[0].close();
  EXPECT_EQ(counts.folded, 143u);
  EXPECT_EQ(counts.folded, in_order.folded);
  EXPECT_EQ(counts.indexed, in_order.indexed);
  const auto paths = [](const Xapian::Database& db) {
    std::vector<std::string> found;
    for (auto it = db.allterms_begin("Q"); it != db.allterms_end("Q"); ++it) found.push_back(*it);
    return found;
  };
  EXPECT_EQ(paths(Xapian::Database(tree_.path("built"))),
            paths(Xapian::Database(tree_.path("in-order"))));
}

TEST_F(IndexBuild, ASmallTreeIsWrittenInOneRun) {
  // As many short pages as Xapian keeps the lengths of in one chunk.
  const size_t pages = 1000;
  ASSERT_LT(pages, kMinSplitDocuments);
  write_tree(pages);
  EXPECT_EQ(build().indexed, pages);
  EXPECT_EQ(read_while_merging_, pages);
  expect_same_databases(Xapian::Database(tree_.path("built")), written_in_order());

  // One run keeps the document lengths in one chunk, which Xapian 1.4 needs
  // to search every document without weights once one was deleted.
  {
    Xapian::WritableDatabase db(tree_.path("built"), Xapian::DB_OPEN);
    db.delete_document(2);
    db.commit();
  }
  Xapian::Enquire everywhere{Xapian::Database(tree_.path("built"))};
  everywhere.set_query(Xapian::Query("everywhere"));
  everywhere.set_weighting_scheme(Xapian::BoolWeight());
  EXPECT_EQ(everywhere.get_mset(0, pages).size(), pages - 1);
}

TEST_F(IndexBuild, UnreadableDocumentsAreWarnedOfAndLeaveNoGap) {
  write_tree();
  const size_t pages = listing_.documents.size();
  const std::string& first_gone = listing_.documents[1].path;
  const std::string& last_gone = listing_.documents[pages - 2].path;
  // Gone after the listing: one in the first run, one in the last.
  std::filesystem::remove(tree_.path("docs/" + first_gone));
  std::filesystem::remove(tree_.path("docs/" + last_gone));
  testing_support::TempTree out;
  FILE* messages = fopen(out.path("messages").c_str(), "w");
  ASSERT_NE(messages, nullptr);
  const SyncCounts counts = build(messages);
  fclose(messages);
  EXPECT_EQ(counts.indexed, pages - 2);
  EXPECT_EQ(counts.failed, 2u);
  const std::string warned = out.read("messages");
  const size_t first = warned.find(first_gone);
  const size_t last = warned.find(last_gone);
  EXPECT_NE(first, std::string::npos) << warned;
  EXPECT_NE(last, std::string::npos) << warned;
  EXPECT_LT(first, last) << "warnings follow path order";
  // Same documents, same numbers; both take the format marker, since every
  // document they hold is of the current format.
  expect_same_databases(Xapian::Database(tree_.path("built")), written_in_order());
  EXPECT_EQ(Xapian::Database(tree_.path("built")).get_metadata(backend::kFormatKey),
            std::to_string(backend::kIndexFormat));
}

TEST_F(IndexBuild, AnEmptyTreeMakesAnEmptyIndex) {
  EXPECT_EQ(build().indexed, 0u);
  const Xapian::Database db(tree_.path("built"));
  EXPECT_EQ(db.get_doccount(), 0u);
  EXPECT_EQ(db.get_metadata(backend::kFormatKey), std::to_string(backend::kIndexFormat));
}

TEST_F(IndexBuild, AWritersErrorIsThrownAndLeavesNoScratch) {
  write_tree();
  // A file where the first run's database would go.
  tree_.write("built.runs/0", "in the way");
  EXPECT_THROW(build(), Xapian::Error);
  EXPECT_FALSE(tree_.exists("built.runs"));
  EXPECT_FALSE(tree_.exists("built"));
}

TEST_F(IndexBuild, WhatTheReaderThrowsIsThrown) {
  write_tree();
  SyncOptions options;
  EXPECT_THROW(build_new_index(tree_.path("built"), tree_.path("docs"), listing_, options,
                               kThreads,
                               [](const Xapian::Database&) { throw std::runtime_error("no"); }),
               std::runtime_error);
  EXPECT_FALSE(tree_.exists("built.runs"));
}

}  // namespace
}  // namespace zeb::admin
