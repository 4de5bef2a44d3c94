// The count line against the rows that follow it, on real indexes where
// more documents match than one answer of the result list holds: the found
// count must be exact up to the result limit, whatever the query's shape.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cgi/temp_dir.h"
#include "e2e/cgi_post.h"

namespace zeb {
namespace {

using testing::count_line;
using testing::post_form;
using testing::ProcessResult;
using testing::run_process;
using testing::TempDir;

constexpr int kDocuments = 300;

// Document i holds "alpha" when i < 200, "beta" when i >= 60 and "gamma"
// when i is even, in that order, and "delta" always. Words that overlap in
// blocks make the matcher's estimates wrong in both directions: alpha AND
// beta is 140 documents, alpha NOT beta 60. Documents 0-149 are index ONE,
// the rest index TWO.
void write_corpus(const TempDir& dir) {
  for (int i = 0; i < kDocuments; ++i) {
    std::string text;
    if (i < 200) text += "alpha ";
    if (i >= 60) text += "beta ";
    if (i % 2 == 0) text += "gamma ";
    text += "delta\n";
    const std::string name = std::to_string(i);
    dir.write((i < 150 ? "one/" : "two/") + name + ".txt", "Page " + name + "\n" + text);
  }
}

class FoundCount : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    write_corpus(*dir_);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"init", "test"},
             {"create", "one", dir_->path() + "/one"},
             {"create", "two", dir_->path() + "/two"}}) {
      const ProcessResult r = run_process(ZEB_BIN_DIR "/zebadm", args,
                                          {"ZEBINSTSRV=" + dir_->path() + "/instance"}, "");
      ASSERT_EQ(r.exit_status, 0) << args[0] << ": " << r.err;
    }
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  static std::string search(const std::string& fields, int limit = 500) {
    const std::string body = fields + "&limit_number=" + std::to_string(limit) +
                             "&header=header.html&footer=footer.html";
    const ProcessResult r = post_form(dir_->path() + "/instance", "TEST", body);
    EXPECT_EQ(r.exit_status, 0) << r.err;
    return r.out;
  }

  static int rows(const std::string& page) {
    int count = 0;
    for (size_t at = page.find("<A HREF="); at != std::string::npos;
         at = page.find("<A HREF=", at + 1))
      ++count;
    return count;
  }

  static TempDir* dir_;
};

TempDir* FoundCount::dir_ = nullptr;

TEST_F(FoundCount, TheCountLineEqualsTheRowsForEveryKindOfQuery) {
  const struct {
    const char* query;
    int one_index;  // matches in ONE
    int group;      // matches in ONE and TWO
  } cases[] = {
      {"query_word0=alpha&connector0=and&query_word1=beta", 90, 140},
      {"query_word0=alpha&connector0=or&query_word1=gamma", 150, 250},
      {"query_word0=alpha&connector0=not&query_word1=beta", 60, 60},
      {"query_word0=delta&connector0=not&query_word1=gamma", 75, 150},
      {"query_word0=gam*", 75, 150},
      {"query_word0=%22beta+gamma%22", 45, 120},
      {"free_text=alpha+beta", 150, 300},
  };
  for (const auto& c : cases) {
    for (const char* rank : {"", "&rank=Y"}) {
      for (const bool group : {false, true}) {
        const std::string indexes = group ? "SelectIndex=one&SelectIndex=two&" : "SelectIndex=one&";
        const std::string page = search(indexes + c.query + rank);
        const int expected = group ? c.group : c.one_index;
        EXPECT_EQ(count_line(page), expected) << indexes << c.query << rank;
        EXPECT_EQ(rows(page), expected) << indexes << c.query << rank;
      }
    }
  }
}

TEST_F(FoundCount, TheLimitCapsTheCountAndTheRows) {
  for (const char* rank : {"", "&rank=Y"}) {
    const std::string page =
        search(std::string("SelectIndex=one&SelectIndex=two&query_word0=alpha") + rank, 120);
    EXPECT_EQ(count_line(page), 120) << rank;
    EXPECT_EQ(rows(page), 120) << rank;
  }
}

}  // namespace
}  // namespace zeb
