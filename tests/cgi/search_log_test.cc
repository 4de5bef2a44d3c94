// The search log as the request driver writes it: posted forms, decoded by
// the real field passes, against stand-in search phases; the line each
// request appends is read back from the instance's log.
#include "cgi/search_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "cgi/request_driver.h"
#include "cgi_test_support.h"
#include "request/search_log_line.h"
#include "temp_dir.h"

namespace zeb {
namespace {

using testing::PageSink;
using testing::ScopedEnv;
using testing::TempDir;

// The found count the stand-in search reports; kLogNoCount: no search ran.
int64_t found_ = kLogNoCount;

PhaseOutcome fake_search(SearchRequest& request, FILE*) {
  if (found_ != kLogNoCount) {
    request.result = 1;
    request.found = static_cast<uint32_t>(found_);
  }
  return PhaseOutcome::kPageTail;
}

void fake_release(SearchRequest& request) { request.result = 0; }

class SearchLog : public ::testing::Test {
 protected:
  SearchLog() {
    env.set("ZEBINSTSRV", dir.path());
    env.set("REQUEST_METHOD", "POST");
    env.set("CONTENT_TYPE", "application/x-www-form-urlencoded");
  }

  void post(const std::string& body) {
    env.set("CONTENT_LENGTH", std::to_string(body.size()));
    PageSink page;
    page.closed_by_callee();
    FILE* in = testing::input_of(body);
    EXPECT_EQ(run_request(in, page.out(), SearchPhases{fake_search, fake_release}), 0);
    fclose(in);
  }

  std::string log_text() const {
    std::ifstream in(dir.path() + "/" + kSearchLogFile, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  ScopedEnv env;
  TempDir dir;
};

TEST_F(SearchLog, EachRequestAppendsItsNormalisedQuery) {
  dir.write(kSearchLogSetting, "");
  std::filesystem::create_directories(dir.path() + "/" + kSearchLogDir);
  const struct {
    const char* body;
    int64_t found;
    const char* indexes;
    const char* query;
  } cases[] = {
      {"free_text=Tables++And%20%20Chairs+&SelectIndex=pgdoc", 3, "PGDOC", "tables and chairs"},
      {"new_free_text=%2BVacuum+-Full++analyse&SelectIndex=a&SelectIndex=b", 0, "A,B",
       "+vacuum -full analyse"},
      {"query_word0=Foo&connector0=or&query_word1=BAR&connector1=not&query_word2=baz", 12, "-",
       "foo OR bar AND_NOT baz"},
      {"connector0=not&query_word0=old&free_text=new", 1, "-", "new AND_NOT old"},
      {"free_text=x&topic=Design&Manual=User+Guide", 2, "-", "x topic:design scope:user guide"},
      {"free_text=a%0A2026-01-01T00:00:00Z%09forged%5C", 5, "-",
       "a\\x0A2026-01-01t00:00:00z\\x09forged\\\\"},
      {"SelectIndex=a,b&SelectIndex=c%09d&free_text=x", 1, "A\\x2CB,C\\x09D", "x"},
      {"free_text=caf%C3%A9+%C3%89T%C3%89", 4, "-", "caf\xC3\xA9 \xC3\x89t\xC3\x89"},
      {"free_text=no+search+ran", kLogNoCount, "-", "no search ran"},
      {"rank=Y", kLogNoCount, "-", ""},
  };
  std::string expected;
  for (const auto& c : cases) {
    found_ = c.found;
    post(c.body);
    expected += std::string(c.indexes) + "\t" + c.query + "\t" +
                (c.found == kLogNoCount ? "-" : std::to_string(c.found)) + "\n";
  }
  // The time and the duration vary: compare the fields between them.
  std::string logged;
  const std::string text = log_text();
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find('\n', at);
    ASSERT_NE(end, std::string::npos);
    LogEntry entry;
    ASSERT_TRUE(parse_log_line(std::string_view(text).substr(at, end - at), entry));
    logged += std::string(entry.indexes) + "\t" + std::string(entry.query) + "\t" +
              (entry.found == kLogNoCount ? "-" : std::to_string(entry.found)) + "\n";
    at = end + 1;
  }
  EXPECT_EQ(logged, expected);
}

TEST_F(SearchLog, WithTheSettingOffNothingIsWritten) {
  found_ = 1;
  post("free_text=x");
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/" + kSearchLogDir));
  // A folder left from an earlier "on" is not written either.
  std::filesystem::create_directories(dir.path() + "/" + kSearchLogDir);
  post("free_text=x");
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/" + kSearchLogFile));
}

}  // namespace
}  // namespace zeb
