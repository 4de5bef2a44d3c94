// The catalogue file as text: what the writer puts in it, byte for byte, and
// how the reader takes every kind of line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "admin/temp_tree.h"
#include "backend/catalogue.h"

namespace zeb::backend {
namespace {

using testing_support::TempTree;

const std::string kMagicLine = "zebsrch-catalogue 1\n";

struct Loaded {
  bool ok = false;
  Catalogue catalogue;
  std::string error;
};

Loaded load_text(const TempTree& tree, const std::string& text) {
  tree.write(kCatalogueFileName, text);
  Loaded loaded;
  loaded.ok = load_catalogue(tree.path(), loaded.catalogue, loaded.error);
  return loaded;
}

TEST(CatalogueText, TheWriterWritesTheFormatExactly) {
  TempTree tree;
  Catalogue catalogue;
  catalogue.instance_name = "DEMO";
  catalogue.indexes.push_back({1, "PGDOC", IndexStatus::kActive, "data/PGDOC", {}});
  catalogue.indexes.push_back({65535, "FAR", IndexStatus::kSuspended, "far dir",
                               {"h:7001", "h:7002", "h:7003"}});
  std::string error;
  ASSERT_TRUE(save_catalogue(tree.path(), catalogue, error)) << error;
  EXPECT_EQ(tree.read(kCatalogueFileName),
            kMagicLine + "instance\tDEMO\n"
                         "index\t1\tPGDOC\tactive\tdata/PGDOC\t-\n"
                         "index\t65535\tFAR\tsuspended\tfar dir\th:7001,h:7002,h:7003\n");

  catalogue.indexes.clear();
  ASSERT_TRUE(save_catalogue(tree.path(), catalogue, error)) << error;
  EXPECT_EQ(tree.read(kCatalogueFileName), kMagicLine + "instance\tDEMO\n");
}

TEST(CatalogueText, LinesThatRead) {
  TempTree tree;
  // The last line needs no newline; empty lines are skipped.
  Loaded loaded = load_text(tree, kMagicLine + "\ninstance\tX\n\nindex\t7\tA\tactive\td\t-");
  ASSERT_TRUE(loaded.ok) << loaded.error;
  EXPECT_EQ(loaded.catalogue.instance_name, "X");
  ASSERT_EQ(loaded.catalogue.indexes.size(), 1u);
  const CatalogueEntry& a = loaded.catalogue.indexes[0];
  EXPECT_EQ(a.number, 7);
  EXPECT_EQ(a.name, "A");
  EXPECT_EQ(a.status, IndexStatus::kActive);
  EXPECT_EQ(a.data_dir, "d");
  EXPECT_TRUE(a.shards.empty());

  // An empty shards field is a local index; empty shard names are kept; a
  // later instance line wins; strtol's number forms are taken.
  loaded = load_text(tree, kMagicLine +
                               "instance\tX\n"
                               "index\t+5\tB\tsuspended\tdata/B\t\n"
                               "index\t65535\tC\tactive\td\th:1,,h:2,\n"
                               "index\t9\tD\tactive\td\th:1" + std::string(63, ',') + "\n"
                               "instance\tY\r\n");
  ASSERT_TRUE(loaded.ok) << loaded.error;
  EXPECT_EQ(loaded.catalogue.instance_name, "Y\r");
  ASSERT_EQ(loaded.catalogue.indexes.size(), 3u);
  EXPECT_EQ(loaded.catalogue.indexes[2].shards.size(), 64u);
  EXPECT_EQ(loaded.catalogue.indexes[0].number, 5);
  EXPECT_EQ(loaded.catalogue.indexes[0].status, IndexStatus::kSuspended);
  EXPECT_TRUE(loaded.catalogue.indexes[0].shards.empty());
  EXPECT_EQ(loaded.catalogue.indexes[1].shards,
            (std::vector<std::string>{"h:1", "", "h:2", ""}));

  // An empty instance name is a name.
  loaded = load_text(tree, kMagicLine + "instance\t\n");
  ASSERT_TRUE(loaded.ok) << loaded.error;
  EXPECT_EQ(loaded.catalogue.instance_name, "");
}

TEST(CatalogueText, LinesThatDoNotRead) {
  TempTree tree;
  const std::string path = catalogue_path(tree.path());
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {"", ": not an instance catalogue"},
      {kMagicLine, ": not an instance catalogue"},
      {"zebsrch-catalogue 1\r\ninstance\tX\n", ": not an instance catalogue"},
      {"zebsrch-catalogue 2\ninstance\tX\n", ": not an instance catalogue"},
      {kMagicLine + "index\t1\tA\tactive\td\t-\n", ": not an instance catalogue"},
      {kMagicLine + "instance\tX\tY\n", ":2: malformed line"},
      {kMagicLine + "instance\n", ":2: malformed line"},
      {kMagicLine + "\n\ninstance\tX\nbogus\n", ":5: malformed line"},
      {kMagicLine + "instance\tX\nindex\t1\tA\tactive\td\t-\t\n", ":3: malformed line"},
      {kMagicLine + "instance\tX\nindex\t1\tA\tactive\td\t-\tPartial\n", ":3: malformed line"},
      {kMagicLine + "instance\tX\nindex\t1\tA\tactive\td\t-\tpartial\t\n", ":3: malformed line"},
      {kMagicLine + "instance\tX\nindex\t1\tA\tactive\td\n", ":3: malformed line"},
      {kMagicLine + "instance\tX\nindex\t0\tA\tactive\td\t-\n", ":3: malformed line"},
      {kMagicLine + "instance\tX\nindex\t65536\tA\tactive\td\t-\n", ":3: malformed line"},
      {kMagicLine + "instance\tX\nindex\t12x\tA\tactive\td\t-\n", ":3: malformed line"},
      {kMagicLine + "instance\tX\nindex\t\tA\tactive\td\t-\n", ":3: malformed line"},
      {kMagicLine + "instance\tX\nindex\t1\t\tactive\td\t-\n", ":3: malformed line"},
      {kMagicLine + "instance\tX\nindex\t1\tA\tActive\td\t-\n", ":3: malformed line"},
      {kMagicLine + "instance\tX\nindex\t1\tA\tactive\t\t-\n", ":3: malformed line"},
      {kMagicLine + "instance\tX\n\tindex\n", ":3: malformed line"},
      // One shard more than an index may have; a name given twice, in any
      // letter case.
      {kMagicLine + "instance\tX\nindex\t1\tA\tactive\td\th:1" + std::string(64, ',') + "\n",
       ":3: an index has at most 64 shards"},
      // With partial answers too; and more replicas than zebadm ever gives.
      {kMagicLine + "instance\tX\nindex\t1\tA\tactive\td\th:1" + std::string(64, ',') +
           "\tpartial\n",
       ":3: an index has at most 64 shards"},
      {kMagicLine + "instance\tX\nindex\t1\tA\tactive\td\th:1" + std::string(8 * 64 + 1, '|') +
           "\n",
       ":3: an index has at most 64 shards"},
      {kMagicLine + "instance\tX\nindex\t1\tA\tactive\tdata/A\t-\n\n"
                    "index\t2\tB\tactive\tdata/B\t-\nindex\t3\ta\tactive\tdata/C\t-\n",
       ":6: index a is listed already, at line 3"},
  };
  for (const auto& c : cases) {
    const Loaded loaded = load_text(tree, c.text);
    EXPECT_FALSE(loaded.ok) << c.text;
    EXPECT_EQ(loaded.error, path + c.error) << c.text;
  }
}

// The shard timeouts: a catalogue without the line (as every instance had
// before it existed) reads with the defaults, and the writer leaves the
// line out while they are the defaults, so such catalogues stay as they were.
TEST(CatalogueText, ShardTimeoutsAreOptionalAndBounded) {
  TempTree tree;
  Loaded plain = load_text(tree, kMagicLine + "instance\tX\nindex\t1\tA\tactive\td\th:1\n");
  ASSERT_TRUE(plain.ok) << plain.error;
  EXPECT_EQ(plain.catalogue.shard_timeouts, ShardTimeouts{});
  std::string error;
  ASSERT_TRUE(save_catalogue(tree.path(), plain.catalogue, error)) << error;
  EXPECT_EQ(tree.read(kCatalogueFileName),
            kMagicLine + "instance\tX\nindex\t1\tA\tactive\td\th:1\n");

  Loaded set = load_text(tree, kMagicLine + "instance\tX\nshard-timeouts\t1\t600000\n");
  ASSERT_TRUE(set.ok) << set.error;
  EXPECT_EQ(set.catalogue.shard_timeouts.connect_ms, 1u);
  EXPECT_EQ(set.catalogue.shard_timeouts.search_ms, 600000u);
  set.catalogue.shard_timeouts.connect_ms = 250;
  ASSERT_TRUE(save_catalogue(tree.path(), set.catalogue, error)) << error;
  EXPECT_EQ(tree.read(kCatalogueFileName),
            kMagicLine + "instance\tX\nshard-timeouts\t250\t600000\n");

  // 0 would be "wait for ever" to Xapian.
  for (const std::string line : {"shard-timeouts\t0\t100", "shard-timeouts\t100\t600001",
                                 "shard-timeouts\t100", "shard-timeouts\t100\t1\t1",
                                 "shard-timeouts\t+100\t100", "shard-timeouts\t100\t1e3",
                                 "shard-timeouts\t\t100"}) {
    const Loaded loaded = load_text(tree, kMagicLine + "instance\tX\n" + line + "\n");
    EXPECT_FALSE(loaded.ok) << line;
    EXPECT_EQ(loaded.error, catalogue_path(tree.path()) + ":3: malformed line") << line;
  }
}

// A data directory that leaves the instance would serve another instance's
// index, or any directory, under this index's name: the catalogue holding
// one is refused whole, for local and remote indexes alike.
TEST(CatalogueText, DataDirectoriesOutsideTheInstanceAreRefused) {
  TempTree tree;
  const std::string head = kMagicLine + "instance\tX\nindex\t1\tA\tactive\tdata/A\t-\n";
  const std::string refused = catalogue_path(tree.path()) +
                              ":4: data directory must lie inside the instance "
                              "(relative, no \"..\")";
  const std::string outside[] = {
      "/abs", "/", "//srv/data/A", "..", "../other/data/A", "data/../../other", "data/A/..",
      "data/../data/A",
      {"..\0x", 4}, {"data/A\0/../..", 13},  // used as C strings, cut at the zero byte
  };
  for (const std::string& dir : outside) {
    for (const char* shards : {"-", "127.0.0.1:7001"}) {
      const Loaded loaded =
          load_text(tree, head + "index\t2\tB\tactive\t" + dir + "\t" + shards + "\n");
      EXPECT_FALSE(loaded.ok) << dir << " " << shards;
      EXPECT_EQ(loaded.error, refused) << dir;
    }
  }
  // Dots that are no ".." component, and data directories below the instance.
  for (const std::string dir : {"data/..B", "data/B..", "...", "./data/B", "data/.B.new", "B"}) {
    const Loaded loaded = load_text(tree, head + "index\t2\tB\tactive\t" + dir + "\th:1\n");
    ASSERT_TRUE(loaded.ok) << dir << ": " << loaded.error;
    EXPECT_EQ(resolve_data_dir(tree.path(), loaded.catalogue.indexes[1]), tree.path() + "/" + dir);
  }
}

TEST(CatalogueText, AMissingFileOrADirectoryIsNoCatalogue) {
  TempTree tree;
  Catalogue catalogue;
  catalogue.instance_name = "KEPT";
  std::string error;
  EXPECT_FALSE(load_catalogue(tree.path(), catalogue, error));
  EXPECT_EQ(error, "no instance catalogue at " + catalogue_path(tree.path()));
  EXPECT_EQ(catalogue.instance_name, "KEPT");  // untouched

  tree.write(std::string(kCatalogueFileName) + "/inside", "x");
  EXPECT_FALSE(load_catalogue(tree.path(), catalogue, error));
  EXPECT_EQ(error, catalogue_path(tree.path()) + ": not an instance catalogue");
}

TEST(CatalogueText, ALargeCatalogueIsReadWhole) {
  TempTree tree;
  std::string text = kMagicLine + "instance\tBIG\n";
  for (int n = 1; n <= 500; ++n) {
    text += "index\t" + std::to_string(n) + "\tINDEX" + std::to_string(n) + "\tactive\tdata/INDEX" +
            std::to_string(n) + "\t-\n";
  }
  ASSERT_GT(text.size(), 3 * 4096u);
  const Loaded loaded = load_text(tree, text);
  ASSERT_TRUE(loaded.ok) << loaded.error;
  ASSERT_EQ(loaded.catalogue.indexes.size(), 500u);
  EXPECT_EQ(loaded.catalogue.indexes[499].name, "INDEX500");
  EXPECT_EQ(loaded.catalogue.next_number(), 501);
}

}  // namespace
}  // namespace zeb::backend
