#include "results/lookup_table_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "results/lookup_table.h"
#include "results/results_fixtures.h"

namespace zeb {

bool operator==(const LookupRecord& a, const LookupRecord& b) {
  return a.index_name == b.index_name && a.location == b.location &&
         a.third == b.third && a.fourth == b.fourth;
}

namespace {

using testing::read_file;
using testing::TempDir;

class LookupWriter : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string path_ = lookup_table_file(dir_.path() + "/zeb");
};

TEST_F(LookupWriter, TableFileIsWhereTheSearchLooks) {
  EXPECT_EQ(lookup_table_file("/srv/zeb"), "/srv/zeb/INSTANCE/help/DATA/ZEBMAP.DAT");
  EXPECT_EQ(lookup_table_file("/srv/Instance7"), "/srv/Instance7/ZEBMAP.DAT");
}

TEST_F(LookupWriter, WritesTheFixedFormatAndReadsItBack) {
  const std::vector<LookupRecord> records = {
      {"DOCS", "/srv/docs", "", ""},
      {"WEB", "http://h/w/", "third", "fourth"},
      {"NOLOC", "", "", ""},
  };
  std::string error;
  ASSERT_TRUE(write_lookup_records(path_, records, error)) << error;
  EXPECT_EQ(read_file(path_),
            "\"DOCS\",\"/srv/docs\",\"\"\n"
            "\"WEB\",\"http://h/w/\",\"third\",\"fourth\"\n"
            "\"NOLOC\",\"\",\"\"");

  std::vector<LookupRecord> back;
  ASSERT_TRUE(read_lookup_records(path_, back, error)) << error;
  EXPECT_EQ(back, records);

  // And the search reads the same locations.
  char text[kLookupTextSize];
  FILE* file = open_lookup_table((dir_.path() + "/zeb").c_str());
  ASSERT_NE(file, nullptr);
  read_lookup_table(text, file);
  fclose(file);
  char record[kLookupRecordSize];
  ASSERT_EQ(find_record("WEB", record, text), 0);
  LookupFields fields;
  split_record(record, fields, stdout);
  EXPECT_STREQ(fields.location, "http://h/w/");
}

TEST_F(LookupWriter, AMissingTableIsEmptyAndAMalformedLineIsAnError) {
  std::vector<LookupRecord> records = {{"X", "", "", ""}};
  std::string error;
  EXPECT_TRUE(read_lookup_records(path_, records, error));
  EXPECT_TRUE(records.empty());

  dir_.write("t1", "\"A\",\"/a\",\"\"\r\n\r\n\"B\",\"/b\",\"\"\r\n");
  ASSERT_TRUE(read_lookup_records(dir_.path() + "/t1", records, error)) << error;
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].location, "/b");

  dir_.write("t2", "\"A\",\"/a\",\"\"\n\"B\",\"/b\"");
  EXPECT_FALSE(read_lookup_records(dir_.path() + "/t2", records, error));
  EXPECT_NE(error.find("line 2"), std::string::npos) << error;
}

TEST_F(LookupWriter, RefusesWhatTheSearchCouldNotReadBack) {
  const std::string line_filler(480, 'x');
  const std::vector<std::vector<LookupRecord>> refused = {
      {{"", "/a", "", ""}},
      {{"ABCDEFGHIJKL", "/a", "", ""}},
      {{"A", std::string(128, 'l'), "", ""}},
      {{"A", "x\",\"y", "", ""}},
      {{"A", "/a", "t\",\"u", ""}},
      {{"A", "/a", "", "f\",\"g"}},
      {{"A\",\"B", "/a", "", ""}},
      {{"A", "/a\"", "", ""}},
      {{"A", "/a", "t\"", ""}},
      {{"A", "/a", "", "f\""}},
      {{"A\"", "/a", "", ""}},
      {{"A", "/a\nb", "", ""}},
      {{"A", "/a", "t\r", ""}},
      {{"A", "/a", std::string("t\0u", 3), ""}},
      {{"A", "/a", line_filler, "12345678901234567890"}},
      {{"A", "/a", "", ""}, {"A", "/b", "", ""}},
      {{"A", "/a", "B", ""}, {"B", "/b", "", ""}},
      {{"A", "/\"B\"/", "", ""}, {"B", "/b", "", ""}},
  };
  const std::string before = "\"OLD\",\"/old\",\"\"";
  dir_.write("zeb/INSTANCE/help/DATA/ZEBMAP.DAT", before);
  for (const auto& records : refused) {
    std::string error;
    EXPECT_FALSE(write_lookup_records(path_, records, error))
        << records[0].index_name << " " << records[0].location;
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(read_file(path_), before);
  }
}

// A record whose line ("NAME","","THIRD") is `length` characters long.
LookupRecord record_of_length(const std::string& name, size_t length) {
  return {name, "", std::string(length - 8 - name.size(), 't'), ""};
}

TEST_F(LookupWriter, RefusesATableOf16384BytesOrMore) {
  std::vector<LookupRecord> records;
  for (int i = 0; i < 40; ++i) records.push_back(record_of_length("I" + std::to_string(i), 400));
  // 40 lines of 400 and 39 line feeds: 16039 bytes; one more line of 343
  // with its line feed makes 16383.
  records.push_back(record_of_length("LAST", 343));
  std::string error;
  ASSERT_TRUE(write_lookup_records(path_, records, error)) << error;
  EXPECT_EQ(read_file(path_).size(), 16383u);

  records.back() = record_of_length("LAST", 344);
  EXPECT_FALSE(write_lookup_records(path_, records, error));
  EXPECT_NE(error.find("16384"), std::string::npos) << error;
  EXPECT_EQ(read_file(path_).size(), 16383u);
}

TEST_F(LookupWriter, SetReplacesOrAddsAndRemoveTakesOut) {
  std::string error;
  ASSERT_TRUE(set_lookup_record(path_, {"A", "/a", "", ""}, error)) << error;
  ASSERT_TRUE(set_lookup_record(path_, {"B", "/b", "", ""}, error)) << error;
  ASSERT_TRUE(set_lookup_record(path_, {"A", "/a2", "t", "f"}, error)) << error;
  EXPECT_EQ(read_file(path_), "\"A\",\"/a2\",\"t\",\"f\"\n\"B\",\"/b\",\"\"");
  EXPECT_FALSE(set_lookup_record(path_, {"C", "/c\"", "", ""}, error));

  bool removed = false;
  ASSERT_TRUE(remove_lookup_record(path_, "A", removed, error)) << error;
  EXPECT_TRUE(removed);
  EXPECT_EQ(read_file(path_), "\"B\",\"/b\",\"\"");
  ASSERT_TRUE(remove_lookup_record(path_, "A", removed, error)) << error;
  EXPECT_FALSE(removed);

  const std::string elsewhere = dir_.path() + "/none/ZEBMAP.DAT";
  ASSERT_TRUE(remove_lookup_record(elsewhere, "A", removed, error));
  EXPECT_FALSE(removed);
  EXPECT_FALSE(std::filesystem::exists(elsewhere));
}

TEST_F(LookupWriter, ReplacesTheTableWholeAndKeepsItsMode) {
  std::string error;
  ASSERT_TRUE(set_lookup_record(path_, {"A", "/a", "", ""}, error)) << error;
  struct stat first;
  ASSERT_EQ(stat(path_.c_str(), &first), 0);
  EXPECT_EQ(first.st_mode & 0777, 0644u);  // the search runs as another user
  chmod(path_.c_str(), 0640);

  // A reader that opened the old table keeps reading the old table.
  FILE* reader = fopen(path_.c_str(), "r");
  ASSERT_NE(reader, nullptr);
  ASSERT_TRUE(set_lookup_record(path_, {"B", "/b", "", ""}, error)) << error;
  char old_text[kLookupTextSize];
  read_lookup_table(old_text, reader);
  fclose(reader);
  EXPECT_STREQ(old_text, "\"A\",\"/a\",\"\"");
  EXPECT_EQ(read_file(path_), "\"A\",\"/a\",\"\"\n\"B\",\"/b\",\"\"");

  struct stat second;
  ASSERT_EQ(stat(path_.c_str(), &second), 0);
  EXPECT_EQ(second.st_mode & 0777, 0640u);
  const auto dir = std::filesystem::path(path_).parent_path();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                          std::filesystem::directory_iterator()),
            1);  // no temporary file left behind
}

}  // namespace
}  // namespace zeb
