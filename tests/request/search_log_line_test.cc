#include "request/search_log_line.h"

#include <gtest/gtest.h>

#include <string>

namespace zeb {
namespace {

// Every byte of `text` through a field of `capacity` bytes.
std::string escaped(const std::string& text, size_t capacity = kLogQuerySize,
                    bool escape_comma = false) {
  std::string buffer(capacity, '\0');
  LogField field(buffer.data(), capacity);
  for (char c : text) field.put(static_cast<unsigned char>(c), escape_comma);
  return buffer.substr(0, field.length());
}

TEST(SearchLogLine, AHostileTextCannotEndAFieldOrALine) {
  const struct {
    std::string text;
    bool comma;
    std::string field;
  } cases[] = {
      {"tables", false, "tables"},
      {"a\tb\nc\rd", false, "a\\x09b\\x0Ac\\x0Dd"},
      {std::string("nul\0del\x7F", 8), false, "nul\\x00del\\x7F"},
      {"back\\slash \\x0A", false, "back\\\\slash \\\\x0A"},
      {"a,b", false, "a,b"},
      {"a,b", true, "a\\x2Cb"},
      {"caf\xC3\xA9", false, "caf\xC3\xA9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string field = escaped(c.text, kLogQuerySize, c.comma);
    EXPECT_EQ(field, c.field);
    LogRecord record;
    record.indexes = "IDX";
    record.query = field;
    char line[kLogLineSize];
    const std::string text(line, format_log_line(line, record));
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.find('\n'), text.size() - 1);
    LogEntry entry;
    ASSERT_TRUE(parse_log_line(std::string_view(text).substr(0, text.size() - 1), entry));
    EXPECT_EQ(entry.query, c.field);
  }
}

TEST(SearchLogLine, AFullFieldIsCutBeforeAnEscapeNeverInsideIt) {
  // Room for "ab" and two bytes more: the escape of the tab does not fit.
  EXPECT_EQ(escaped("ab\tc", 4), "ab");
  EXPECT_EQ(escaped("ab\\c", 4), "ab\\\\");
  // Once full, a shorter byte that would fit is not taken either.
  EXPECT_EQ(escaped("abc\td", 5), "abc");
  std::string buffer(8, '\0');
  LogField words(buffer.data(), buffer.size());
  for (const char* word : {"one", "two", "three"}) {
    words.blank();
    for (const char* c = word; *c != '\0'; ++c) words.put(static_cast<unsigned char>(*c));
  }
  EXPECT_EQ(buffer.substr(0, words.length()), "one two");
}

TEST(SearchLogLine, TheLongestRecordFitsItsLineAndReadsBack) {
  const std::string indexes(kLogIndexesSize, 'I');
  const std::string query(kLogQuerySize, 'q');
  LogRecord record;
  record.time = 4102444799;  // 2099-12-31T23:59:59Z
  record.indexes = indexes;
  record.query = query;
  record.found = 4294967295;
  record.microseconds = 999999999999999;
  char line[kLogLineSize];
  const size_t length = format_log_line(line, record);
  ASSERT_GT(length, 0u);
  LogEntry entry;
  ASSERT_TRUE(parse_log_line(std::string_view(line, length - 1), entry));
  EXPECT_EQ(entry.time, "2099-12-31T23:59:59Z");
  EXPECT_EQ(entry.day, "2099-12-31");
  EXPECT_EQ(entry.indexes, indexes);
  EXPECT_EQ(entry.query, query);
  EXPECT_EQ(entry.found, 4294967295);
  EXPECT_EQ(entry.microseconds, 999999999999999u);

  LogRecord plain;
  plain.found = kLogNoCount;
  plain.microseconds = 4217;
  const size_t plain_length = format_log_line(line, plain);
  EXPECT_EQ(std::string(line, plain_length), "1970-01-01T00:00:00Z\t-\t\t-\t4.217\n");
}

TEST(SearchLogLine, LinesThatNoSearchWroteAreRefused) {
  const char* good = "2026-12-08T16:59:39Z\tPGDOC,GITDOC\tvacuum full\t12\t4.217";
  LogEntry entry;
  ASSERT_TRUE(parse_log_line(good, entry));
  EXPECT_EQ(entry.found, 12);
  EXPECT_EQ(entry.microseconds, 4217u);
  for (const char* bad : {
           "",
           "2026-12-08T16:59:39Z\tPGDOC\tvacuum\t12",            // a field short
           "2026-12-08T16:59:39Z\tPGDOC\tvacuum\t12\t4.217\tx",  // one too many
           "2026-12-08 16:59:39Z\tPGDOC\tvacuum\t12\t4.217",     // time's shape
           "2026-12-08T16:59:39Z\t\tvacuum\t12\t4.217",          // no indexes
           "2026-12-08T16:59:39Z\tPGDOC\tvac\rum\t12\t4.217",    // a raw control byte
           "2026-12-08T16:59:39Z\tPGDOC\tvacuum\t-3\t4.217",     // found
           "2026-12-08T16:59:39Z\tPGDOC\tvacuum\t12345678901\t4.217",
           "2026-12-08T16:59:39Z\tPGDOC\tvacuum\t12\t4.21",  // three decimals
           "2026-12-08T16:59:39Z\tPGDOC\tvacuum\t12\t4",
           "2026-12-08T16:59:39Z\tPGDOC\tvacuum\t12\t.217",
       }) {
    EXPECT_FALSE(parse_log_line(bad, entry)) << bad;
  }
}

}  // namespace
}  // namespace zeb
