#include "engine/return_codes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace zeb {
namespace {

constexpr const char* kUnknown = "The specified return code is unknown to Vantora.";

std::string capture(void (*write)(FILE*)) {
  char* text = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&text, &size);
  write(out);
  fclose(out);
  std::string page(text, size);
  free(text);
  return page;
}

TEST(ReturnCodeText, KnownCodesHaveTheirOwnTexts) {
  EXPECT_STREQ(return_code_text(0), "Request processed OK.");
  EXPECT_STREQ(return_code_text(1), "Continuation mode is entered.");
  EXPECT_STREQ(return_code_text(24), "The specified index is unknown to this server.");
  EXPECT_STREQ(return_code_text(29), "The communication type specified is unknow to the system.");
  EXPECT_STREQ(return_code_text(56), "The maximum nuber of indices is reached.");
  EXPECT_STREQ(return_code_text(79), "The server is not the most current verion.");
  EXPECT_STREQ(return_code_text(84), "No ranking data is available.");
  EXPECT_STREQ(return_code_text(110),
               "Cross-index search is not allowed for the specified function.");
}

TEST(ReturnCodeText, BlanksOfCodes77And64AreKept) {
  EXPECT_EQ(std::string(return_code_text(77)),
            "  The Vantora configuration file (VANT.CFG)" + std::string(39, ' ') +
                "is in error or could not be found.");
  EXPECT_STREQ(return_code_text(64), "Conflicting indexing tasks running. ");
}

TEST(ReturnCodeText, CodesWithoutTextGetTheDefault) {
  for (int32_t code : {4, 5, 6, 11, 13, 14, 15, 19, 21, 28, 34, 38, 39, 40, 44,
                       45, 46, 66, 67, 68, 85, 90, 95, 101, 102, 104, 109, 111,
                       1000, -1, -73, INT32_MIN, INT32_MAX})
    EXPECT_STREQ(return_code_text(code), kUnknown) << code;
}

TEST(ReturnCodeText, TableHoldsSeventyTwoTexts) {
  int known = 0;
  for (int32_t code = 0; code <= 200; ++code)
    if (std::string(return_code_text(code)) != kUnknown) ++known;
  EXPECT_EQ(known, 72);
}

TEST(ReturnCodeText, CatalogueNameChoosesNothing) {
  char a[kMessageTextSize];
  char b[kMessageTextSize];
  message_for_code("", 33, a);
  message_for_code("german", 33, b);
  EXPECT_STREQ(a, "The specified Vantora server is not available.");
  EXPECT_STREQ(a, b);
}

TEST(ReturnCodeReport, FormatsAreExact) {
  EXPECT_EQ(capture([](FILE* out) { report_code(out, "", 33); }),
            "<p>Vant message: The specified Vantora server is not available. (rc=33)\n");
  EXPECT_EQ(capture([](FILE* out) { report_code(out, "", -1); }),
            "<p>Vant message: The specified return code is unknown to Vantora. (rc=-1)\n");
  EXPECT_EQ(capture([](FILE* out) { report_index_code(out, "", "DOCS", 24); }),
            "<p>Vant message: DOCS, The specified index is unknown to this server. (rc=24)\n");
  EXPECT_EQ(capture([](FILE* out) { report_empty_request(out, ""); }),
            "<p>Vant message: The search request is empty. Maybe stopwords only specified..\n");
  EXPECT_EQ(capture([](FILE* out) { report_empty_new_text(out, ""); }),
            "<p><b>Vant message: The search request is empty. Maybe stopwords only "
            "specified..</b>\n");
  EXPECT_EQ(capture(report_no_lookup_table),
            "<br>Vant message: could not open look-up table.\n");
  EXPECT_EQ(capture([](FILE* out) { report_no_lookup_entry(out, "DOCS"); }),
            "<br>Vant message: DOCS, no entry for index found in look-up table \n");
}

TEST(ReturnCodeReport, IndexNamesFromTheFormAreEscaped) {
  EXPECT_EQ(capture([](FILE* out) { report_index_code(out, "", "A<B", 24); }),
            "<p>Vant message: A&lt;B, The specified index is unknown to this server. (rc=24)\n");
  EXPECT_EQ(capture([](FILE* out) { report_no_lookup_entry(out, "\"&"); }),
            "<br>Vant message: &quot;&amp;, no entry for index found in look-up table \n");
}

}  // namespace
}  // namespace zeb
