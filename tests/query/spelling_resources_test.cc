#include "query/spelling_resources.h"

#include <gtest/gtest.h>

#include <string>

#include "cgi/cgi_test_support.h"
#include "support/request_fixture.h"
#include "support/scripted_engine.h"
#include "support/spelling_files.h"

namespace zeb {
namespace {

using testing::engine;

class SpellingResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine().reset();
    env.set("ZEBINST", "demo");
    request->spelling = true;
    request.indexes({"DOCS", "MORE"});
  }
  void TearDown() override {
    release_spelling_image(*request);
    engine().reset();
  }
  int prepare() {
    testing::PageSink page;
    const int rc = prepare_spelling_resources(*request, page.out());
    page_text = page.text();
    return rc;
  }

  testing::ScopedEnv env;
  testing::TempDir dir;
  testing::TestRequest request;
  std::string page_text;
};

TEST_F(SpellingResourcesTest, LoadsTheFileOfTheFirstIndex) {
  dir.write("ZEBCSREF.DAT", testing::sample_spelling_file());
  for (const std::string& path : {dir.path(), dir.path() + "/"}) {
    engine().storage().data_path = path;
    EXPECT_EQ(prepare(), 0);
    EXPECT_TRUE(request->spelling);
    ASSERT_NE(request->spelling_image, nullptr) << path;
    EXPECT_EQ(request->spelling_size, 51u);
    EXPECT_EQ(page_text, "");
  }
  EXPECT_EQ(engine().storage().instance, "DEMO");
  EXPECT_EQ(testing::dump(testing::Bytes(engine().storage().key, engine().storage().key + 12)),
            "44 4F 43 53 FF FF FF FF 00 00 00 00");
}

TEST_F(SpellingResourcesTest, FirstIndexThatDidNotOpenTurnsSpellingOff) {
  request->indexes[0].name = nullptr;  // dropped when it failed to open
  EXPECT_EQ(prepare(), 0);
  EXPECT_FALSE(request->spelling);
  EXPECT_EQ(engine().storage().attach_calls, 0);  // the second index is not asked
}

TEST_F(SpellingResourcesTest, NoDataPathTurnsSpellingOff) {
  engine().storage().data_path = "";
  EXPECT_EQ(prepare(), 0);
  EXPECT_FALSE(request->spelling);
  engine().storage().index_number = -1;
  request->spelling = true;
  EXPECT_EQ(prepare(), 0);
  EXPECT_FALSE(request->spelling);
}

TEST_F(SpellingResourcesTest, FileThatCannotBeLoadedTurnsSpellingOff) {
  engine().storage().data_path = dir.path();
  EXPECT_EQ(prepare(), 0);  // no file there
  EXPECT_FALSE(request->spelling);
  EXPECT_EQ(request->spelling_image, nullptr);

  dir.write("ZEBCSREF.DAT", testing::Bytes(5, 0));
  request->spelling = true;
  EXPECT_EQ(prepare(), 0);
  EXPECT_FALSE(request->spelling);
  EXPECT_EQ(request->spelling_image, nullptr);
}

TEST_F(SpellingResourcesTest, EmptyFileKeepsSpellingOnWithNothingToFind) {
  dir.write("ZEBCSREF.DAT", {});
  engine().storage().data_path = dir.path();
  EXPECT_EQ(prepare(), 0);
  EXPECT_TRUE(request->spelling);
  EXPECT_EQ(request->spelling_image, nullptr);
}

TEST_F(SpellingResourcesTest, UnusableSharedStorageEndsThePage) {
  engine().storage().index_number_limit = 0;
  EXPECT_EQ(prepare(), 1);
  EXPECT_EQ(page_text,
            "\nProblems with shared memory access....\n (perhaps Vantora server not running, "
            "rc is 0 \n\n<p>Error retrieving index information.\n");
}

TEST_F(SpellingResourcesTest, MissingInstanceNameOnlyTurnsSpellingOff) {
  env.unset("ZEBINST");
  EXPECT_EQ(prepare(), 0);
  EXPECT_FALSE(request->spelling);
  EXPECT_EQ(page_text, "Enviroment variable ZEBINST not defined \n");
}

}  // namespace
}  // namespace zeb
