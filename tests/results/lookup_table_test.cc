#include "results/lookup_table.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "results/results_fixtures.h"

namespace zeb {
namespace {

using testing::PageCapture;
using testing::TempDir;

constexpr uid_t kNobody = 65534;

TEST(LookupTablePath, InstanceInTheBaseInAnyCaseHoldsTheTableItself) {
  struct Case {
    const char* base;
    std::string path;
  };
  const Case cases[] = {
      {"/srv/instance", "/srv/instance/ZEBMAP.DAT"},
      {"/srv/MyInstance1/", "/srv/MyInstance1/ZEBMAP.DAT"},
      {"/srv/INSTANCE/sub", "/srv/INSTANCE/sub/ZEBMAP.DAT"},
      {"/srv/zeb", "/srv/zeb/INSTANCE/help/DATA/ZEBMAP.DAT"},
      {"/srv/zeb/", "/srv/zeb/INSTANCE/help/DATA/ZEBMAP.DAT"},
      {"/srv/Inst/ance", "/srv/Inst/ance/INSTANCE/help/DATA/ZEBMAP.DAT"},
      {"", "/INSTANCE/help/DATA/ZEBMAP.DAT"},
  };
  for (const Case& c : cases) EXPECT_EQ(lookup_table_path(c.base), c.path) << c.base;
}

TEST(LookupTablePath, WithoutABaseTheEnvironmentNamesTheInstance) {
  setenv("ZEBINSTSRV", "/var/zeb/demo", 1);
  EXPECT_EQ(lookup_table_path(nullptr), "/var/zeb/demo/INSTANCE/help/DATA/ZEBMAP.DAT");
  unsetenv("ZEBINSTSRV");
  EXPECT_EQ(lookup_table_path(nullptr), "/INSTANCE/help/DATA/ZEBMAP.DAT");
}

TEST(LookupTableRead, CarriageReturnsBeforeLineFeedsAreDropped) {
  TempDir dir;
  const std::string path = dir.write("t", "\"A\",\"x\",\"\"\r\n\"B\",\"y\r\",\"\"\r");
  FILE* file = fopen(path.c_str(), "r");
  std::vector<char> text(kLookupTextSize, 'z');
  EXPECT_EQ(read_lookup_table(text.data(), file), 0);
  fclose(file);
  EXPECT_STREQ(text.data(), "\"A\",\"x\",\"\"\n\"B\",\"y\r\",\"\"\r");
}

TEST(LookupTableRead, AnOverlongTableIsCutToTheBuffer) {
  TempDir dir;
  const std::string path = dir.write("t", std::string(20000, 'q'));
  FILE* file = fopen(path.c_str(), "r");
  std::vector<char> text(kLookupTextSize + 1, 'z');
  text[kLookupTextSize] = '!';  // the byte past the buffer
  read_lookup_table(text.data(), file);
  fclose(file);
  EXPECT_EQ(strlen(text.data()), kLookupTextSize - 1);
  EXPECT_EQ(text[kLookupTextSize], '!');
}

TEST(LookupTableRead, AnEmptyTableReportsOne) {
  TempDir dir;
  FILE* file = fopen(dir.write("t", "").c_str(), "r");
  char text[kLookupTextSize];
  EXPECT_EQ(read_lookup_table(text, file), 1);
  fclose(file);
}

TEST(LookupRecord, FoundAtTheFirstQuotedOccurrenceOfTheName) {
  const char* text =
      "\"A\",\"/a\",\"DOCS\"\n"
      "\"DOCS\",\"/docs\",\"\"";
  char record[kLookupRecordSize];
  ASSERT_EQ(find_record("DOCS", record, text), 0);
  EXPECT_STREQ(record, "\"DOCS\"\n");
  ASSERT_EQ(find_record("A", record, text), 0);
  EXPECT_STREQ(record, "\"A\",\"/a\",\"DOCS\"\n");
  EXPECT_EQ(find_record("DOC", record, text), 1);
  EXPECT_EQ(find_record("docs", record, text), 1);
}

TEST(LookupRecord, AnOverlongLineIsCut) {
  const std::string text = "\"A\",\"" + std::string(600, 'x') + "\",\"\"";
  std::vector<char> record(kLookupRecordSize + 1, '!');
  ASSERT_EQ(find_record("A", record.data(), text.c_str()), 0);
  EXPECT_EQ(strlen(record.data()), kLookupRecordLength + 1);
  EXPECT_EQ(record[kLookupRecordLength], '\n');
  EXPECT_EQ(record[kLookupRecordSize], '!');
}

TEST(LookupRecord, SplitsThreeOrFourFieldsAndReportsMissingOnes) {
  struct Case {
    const char* record;
    const char* name;
    const char* location;
    const char* third;
    const char* fourth;
    const char* message;
  };
  const Case cases[] = {
      {"\"A\",\"/a\",\"t\"\n", "A", "/a", "t", "", ""},
      {"\"A\",\"/a\",\"t\",\"f\"\n", "A", "/a", "t", "f", ""},
      {"\"A\",\"/a\",\"\"\n", "A", "/a", "", "", ""},
      {"\"A\",\"\",\"\",\"f\"\n", "A", "", "", "f", ""},
      {"\"A\",\"/a\"\n", "A", "", "", "", "Missing document location\n"},
      {"\"A\"\n", "", "", "", "", "Missing Index name in record\n"},
  };
  for (const Case& c : cases) {
    PageCapture page;
    LookupFields fields;
    strcpy(fields.location, "stale");
    split_record(c.record, fields, page.out());
    EXPECT_STREQ(fields.index_name, c.name) << c.record;
    EXPECT_STREQ(fields.location, c.location) << c.record;
    EXPECT_STREQ(fields.third, c.third) << c.record;
    EXPECT_STREQ(fields.fourth, c.fourth) << c.record;
    EXPECT_EQ(page.text(), c.message) << c.record;
  }
}

TEST(LookupRecord, OverlongNameAndLocationAreCutToTheirBuffers) {
  const std::string record =
      "\"ABCDEFGHIJKLMNOP\",\"" + std::string(200, 'l') + "\",\"t\"\n";
  PageCapture page;
  LookupFields fields;
  split_record(record.c_str(), fields, page.out());
  EXPECT_STREQ(fields.index_name, "ABCDEFGHIJK");
  EXPECT_EQ(std::string(fields.location), std::string(127, 'l'));
  EXPECT_STREQ(fields.third, "t");
}

// The document locations of a request's selected indexes, as the result
// table loads them.
class DocumentLocations : public ::testing::Test {
 protected:
  void SetUp() override { setenv("ZEBINSTSRV", dir_.path().c_str(), 1); }
  void TearDown() override { unsetenv("ZEBINSTSRV"); }

  void select(std::vector<std::string> names) {
    names_ = std::move(names);
    request_.index_count = static_cast<int32_t>(names_.size());
    // "" stands for an index that failed to open: its slot has no name.
    for (size_t i = 0; i < names_.size(); ++i)
      request_.indexes[i].name = names_[i].empty() ? nullptr : names_[i].data();
  }
  std::string table_file() const { return "INSTANCE/help/DATA/ZEBMAP.DAT"; }
  std::string load() {
    PageCapture page;
    load_document_locations(request_, page.out());
    return page.text();
  }

  TempDir dir_;
  SearchRequest request_;
  std::vector<std::string> names_;
};

TEST_F(DocumentLocations, LineEndsOfEitherKindAndNoFinalLineFeed) {
  for (const char* eol : {"\n", "\r\n"}) {
    dir_.write(table_file(), std::string("\"DOCS\",\"/srv/docs\",\"\"") + eol +
                                 "\"WEB\",\"http://h/w/\",\"x\",\"y\"" + eol +
                                 "\"LAST\",\"/srv/last\",\"\"");
    select({"DOCS", "WEB", "LAST"});
    EXPECT_EQ(load(), "");
    EXPECT_STREQ(request_.locations[0], "/srv/docs");
    EXPECT_STREQ(request_.locations[1], "http://h/w/");
    EXPECT_STREQ(request_.locations[2], "/srv/last");
  }
}

TEST_F(DocumentLocations, MissingAndMalformedRecordsLeaveTheLocationEmpty) {
  dir_.write(table_file(),
             "\"lower\",\"/l\",\"\"\n"
             "\"TWO\",\"/two\"\n"
             "\"ONE\"\n"
             "\"OK\",\"/ok\",\"\"");
  select({"LOWER", "TWO", "ONE", "OK", "A<B"});
  strcpy(request_.locations[0], "stale");
  EXPECT_EQ(load(),
            "<br>Vant message: LOWER, no entry for index found in look-up table \n"
            "Missing document location\n"
            "Missing Index name in record\n"
            "<br>Vant message: A&lt;B, no entry for index found in look-up table \n");
  EXPECT_STREQ(request_.locations[0], "");
  EXPECT_STREQ(request_.locations[1], "");
  EXPECT_STREQ(request_.locations[2], "");
  EXPECT_STREQ(request_.locations[3], "/ok");
}

TEST_F(DocumentLocations, AnIndexThatFailedToOpenIsSkipped) {
  dir_.write(table_file(), "\"A\",\"/a\",\"\"\n\"C\",\"/c\",\"\"");
  select({"A", "", "C"});
  EXPECT_EQ(load(), "");
  EXPECT_STREQ(request_.locations[0], "/a");
  EXPECT_STREQ(request_.locations[1], "");
  EXPECT_STREQ(request_.locations[2], "/c");
}

// The table is taken before the indexes are opened; an index deleted
// meanwhile still has the location it had when the search opened it, and
// the next request reads the table anew.
TEST_F(DocumentLocations, TheTableTakenBeforeTheSearchIsTheOneUsed) {
  const std::string path = dir_.write(table_file(), "\"A\",\"/a\",\"\"");
  select({"A"});
  take_lookup_table(request_);
  std::filesystem::remove(path);
  EXPECT_EQ(load(), "");
  EXPECT_STREQ(request_.locations[0], "/a");
  EXPECT_EQ(load(), "<br>Vant message: could not open look-up table.\n");
}

TEST_F(DocumentLocations, AnEmptyTableHasNoEntryForAnyIndex) {
  dir_.write(table_file(), "");
  select({"A"});
  EXPECT_EQ(load(), "<br>Vant message: A, no entry for index found in look-up table \n");
}

TEST_F(DocumentLocations, AReadOnlyTableIsRead) {
  const std::string path = dir_.write(table_file(), "\"A\",\"/a\",\"\"");
  chmod(path.c_str(), 0444);
  select({"A"});
  if (geteuid() != 0) {
    EXPECT_EQ(load(), "");
    EXPECT_STREQ(request_.locations[0], "/a");
    return;
  }
  // Root may write any file: read the table as an ordinary user instead.
  chmod(dir_.path().c_str(), 0755);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(2);
    const bool read = load().empty() && strcmp(request_.locations[0], "/a") == 0;
    _exit(read ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(DocumentLocations, AMissingTableEmptiesEveryLocation) {
  select({"A", "B"});
  strcpy(request_.locations[1], "stale");
  EXPECT_EQ(load(), "<br>Vant message: could not open look-up table.\n");
  EXPECT_STREQ(request_.locations[1], "");
}

TEST_F(DocumentLocations, AnInstanceDirectoryHoldsTheTableItself) {
  dir_.write("MyInstance/ZEBMAP.DAT", "\"A\",\"/in\",\"\"");
  dir_.write("MyInstance/INSTANCE/help/DATA/ZEBMAP.DAT", "\"A\",\"/deep\",\"\"");
  setenv("ZEBINSTSRV", (dir_.path() + "/MyInstance").c_str(), 1);
  select({"A"});
  EXPECT_EQ(load(), "");
  EXPECT_STREQ(request_.locations[0], "/in");
}

}  // namespace
}  // namespace zeb
