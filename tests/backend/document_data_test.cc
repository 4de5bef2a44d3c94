// A document's data: the identifier a search shows, and the file's stamp
// that only zebadm reads.
#include "backend/document_data.h"

#include "backend/row_extras.h"

#include <gtest/gtest.h>

namespace zeb::backend {
namespace {

using namespace std::string_literals;

TEST(DocumentData, StampFollowsTheIdentifier) {
  const std::string data = document_data("a/b.html;Title", file_stamp(1700000000123456789LL, 42));
  EXPECT_EQ(data, "a/b.html;Title\0" "1700000000123456789 42"s);
  EXPECT_EQ(identifier_of(data), "a/b.html;Title");
  EXPECT_EQ(stamp_of(data), "1700000000123456789 42");
  // A file dated before 1970, and an empty title.
  const std::string early = document_data("x.txt;", file_stamp(-5, 0));
  EXPECT_EQ(stamp_of(early), "-5 0");
  EXPECT_EQ(identifier_of(early), "x.txt;");
}

TEST(DocumentData, DataWithoutAStampIsAllIdentifier) {
  // Documents built before the stamp moved into the data.
  EXPECT_EQ(stamp_of("a/b.html;Title"), "");
  EXPECT_EQ(identifier_of("a/b.html;Title"), "a/b.html;Title");
  // A NUL in a title is not taken for the start of a stamp unless a stamp
  // follows it; with one, only the last NUL starts it.
  const std::string odd_title = "a.html;One\0two"s;
  EXPECT_EQ(identifier_of(odd_title), odd_title);
  const std::string both = document_data(odd_title, "7 8");
  EXPECT_EQ(identifier_of(both), odd_title);
  EXPECT_EQ(stamp_of(both), "7 8");
  for (const std::string& tail : {""s, "7"s, "7 "s, " 8"s, "7 8 9"s, "7-8 9"s, "--7 8"s, "7 x"s,
                                  "7  8"s, "7 -8"s, "- 8"s})
    EXPECT_EQ(stamp_of("a.html;T\0"s + tail), "") << tail;
}

TEST(DocumentData, RowDateIsTheStampsDayInUtc) {
  const std::pair<const char*, const char*> cases[] = {
      {"1700000000123456789 42", "2023-11-14"},
      {"0 0", "1970-01-01"},
      {"-5 0", "1969-12-31"},  // before 1970: the day before, not after
      {"951782399999999999 1", "2000-02-28"},
      {"951782400000000000 1", "2000-02-29"},
      {"-9223372036854775808 1", "1677-09-21"},  // the earliest stamp
      {"", ""},
      {"x 1", ""},
  };
  for (const auto& [stamp, date] : cases) EXPECT_EQ(stamp_date(stamp), date) << stamp;
}

}  // namespace
}  // namespace zeb::backend
