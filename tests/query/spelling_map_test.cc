// The spelling file as a request holds it: mapped, read only where the
// look-up goes, and safe when the file is bad or cut short under it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "cgi/cgi_test_support.h"
#include "query/spelling_file.h"
#include "support/spelling_files.h"

namespace zeb {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::first_variant;

class SpellingMap : public ::testing::Test {
 protected:
  void TearDown() override { unmap_spelling_file(image, size); }
  int map(const std::string& path) {
    unmap_spelling_file(image, size);
    testing::PageSink page;
    const int rc = map_spelling_file(path.c_str(), page.out(), &image, &size);
    page_text = page.text();
    return rc;
  }

  testing::TempDir dir;
  unsigned char* image = nullptr;
  size_t size = 0;
  std::string page_text;
};

TEST_F(SpellingMap, BadFilesGiveNoImage) {
  const std::string fifo = dir.path() + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    std::string path;
    bool fails;
    const char* page;
  };
  const Case cases[] = {
      {dir.path() + "/none", true, ""},
      {dir.write("empty", {}), false, ""},  // nothing to look up in, but no failure
      {dir.write("short", Bytes(7, 0)), true, ""},
      {dir.path(), true, ""},  // a directory: no file to read, as a missing one
      {fifo, true, "Error reading from input!\n"},        // and it does not wait for a writer
      {"/dev/null", true, "Error reading from input!\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(map(c.path) != 0, c.fails) << c.path;
    EXPECT_EQ(image, nullptr) << c.path;
    EXPECT_EQ(size, 0u) << c.path;
    EXPECT_EQ(page_text, c.page) << c.path;
  }
}

TEST_F(SpellingMap, FileLargerThanTheLayoutCanAddressIsRefused) {
  // Sparse: no byte of them is ever written.
  const std::string path = dir.write("f", testing::sample_spelling_file());
  fs::resize_file(path, kMaxSpellingFileSize);
  EXPECT_EQ(map(path), 0);
  EXPECT_EQ(first_variant(image, size, "color"), "colour");
  fs::resize_file(path, kMaxSpellingFileSize + 1);
  EXPECT_NE(map(path), 0);
  EXPECT_EQ(image, nullptr);
  EXPECT_EQ(page_text, "");
}

// A file of many groups, over several pages.
Bytes many_groups() {
  testing::SpellingGroups groups;
  for (int i = 1000; i < 3000; ++i) {
    const std::string key = "k" + std::to_string(i);
    groups.push_back({key, {key + "x"}});
  }
  return testing::spelling_file(groups);
}

TEST_F(SpellingMap, FileCutShortUnderTheMappingFindsNothing) {
  const std::string path = dir.write("f", many_groups());
  ASSERT_EQ(map(path), 0);
  ASSERT_GT(size, 8192u);
  EXPECT_EQ(first_variant(image, size, "k2999"), "k2999x");

  struct sigaction before = {};
  ASSERT_EQ(sigaction(SIGBUS, nullptr, &before), 0);
  // Written in place by someone else: the mapped pages past the new end
  // are gone.
  fs::resize_file(path, 4096);
  EXPECT_EQ(first_variant(image, size, "k2999"), "");
  fs::resize_file(path, 0);
  EXPECT_EQ(first_variant(image, size, "k1000"), "");
  EXPECT_EQ(first_variant(image, size, "k2999"), "");
  struct sigaction after = {};
  ASSERT_EQ(sigaction(SIGBUS, nullptr, &after), 0);
  EXPECT_EQ(after.sa_handler, before.sa_handler);  // the guard gave the handler back
}

}  // namespace
}  // namespace zeb
