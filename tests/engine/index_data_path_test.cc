#include "engine/index_data_path.h"

#include <gtest/gtest.h>

#include <string>

#include "cgi/cgi_test_support.h"
#include "support/scripted_engine.h"

namespace zeb {
namespace {

using testing::Bytes;
using testing::dump;
using testing::engine;

std::string key_of(const char* name, int expected = 0) {
  unsigned char key[kIndexKeySize];
  EXPECT_EQ(make_index_key(name, key), expected) << name;
  return dump(Bytes(key, key + kIndexKeySize));
}

TEST(IndexKey, NameOverFillBytesUpperCased) {
  EXPECT_EQ(key_of("DOCS"), "44 4F 43 53 FF FF FF FF 00 00 00 00");
  EXPECT_EQ(key_of("docs"), "44 4F 43 53 FF FF FF FF 00 00 00 00");
  EXPECT_EQ(key_of("a1_z{"), "41 31 5F 5A 7B FF FF FF 00 00 00 00");
  EXPECT_EQ(key_of("eightchr"), "45 49 47 48 54 43 48 52 00 00 00 00");
  EXPECT_EQ(key_of(""), "FF FF FF FF FF FF FF FF 00 00 00 00");
  EXPECT_EQ(key_of("\xe9t\xe9"), "E9 54 E9 FF FF FF FF FF 00 00 00 00");
}

TEST(IndexKey, NameLongerThanEightHasNoKey) {
  EXPECT_EQ(key_of("ninechars", 1), "FF FF FF FF FF FF FF FF 00 00 00 00");
}

class IndexDataPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine().reset();
    env.set("ZEBINST", "Demo");
    engine().storage().data_path = "/srv/data/DOCS";
  }
  void TearDown() override { engine().reset(); }
  int look_up(const char* name) {
    testing::PageSink page;
    path[0] = '\0';
    const int rc = index_data_path(name, &number, path, page.out());
    page_text = page.text();
    return rc;
  }

  testing::ScopedEnv env;
  int32_t number = -99;
  char path[kSharedDataPathSize];
  std::string page_text;
};

TEST_F(IndexDataPathTest, FindsTheDataPath) {
  engine().storage().index_number = 7;
  EXPECT_EQ(look_up("docs"), 1);
  EXPECT_STREQ(path, "/srv/data/DOCS");
  EXPECT_EQ(number, 7);
  EXPECT_EQ(page_text, "");
  EXPECT_EQ(engine().storage().instance, "DEMO");
  EXPECT_EQ(engine().storage().path_number, 7);
  EXPECT_EQ(dump(Bytes(engine().storage().key, engine().storage().key + 12)),
            "44 4F 43 53 FF FF FF FF 00 00 00 00");
}

TEST_F(IndexDataPathTest, PerThreadBlockIsMadeOnceInTheSlot) {
  EXPECT_EQ(TlsGetValue(*pGTlsIndex), nullptr);
  look_up("DOCS");
  void* block = TlsGetValue(*pGTlsIndex);
  EXPECT_NE(block, nullptr);
  look_up("DOCS");
  EXPECT_EQ(TlsGetValue(*pGTlsIndex), block);
  EXPECT_EQ(engine().storage().init_calls, 1);
}

TEST_F(IndexDataPathTest, IndexNumberUpToTheLimitIsAccepted) {
  engine().storage().index_number_limit = 12;
  for (int32_t n : {0, 12}) {
    engine().storage().index_number = n;
    EXPECT_EQ(look_up("DOCS"), 1);
    EXPECT_STREQ(path, "/srv/data/DOCS") << n;
    EXPECT_EQ(number, n);
  }
  for (int32_t n : {13, -1, INT32_MIN}) {
    number = -99;
    engine().storage().index_number = n;
    EXPECT_EQ(look_up("DOCS"), 1);
    EXPECT_STREQ(path, "") << n;
    EXPECT_EQ(number, -99);
  }
  EXPECT_EQ(engine().storage().path_calls, 2);
}

TEST_F(IndexDataPathTest, LongIndexNameIsNotFound) {
  EXPECT_EQ(look_up("NINECHARS"), 1);
  EXPECT_STREQ(path, "");
  EXPECT_EQ(engine().storage().search_calls, 0);
}

TEST_F(IndexDataPathTest, MissingInstanceNameIsReported) {
  env.unset("ZEBINST");
  EXPECT_EQ(look_up("DOCS"), 1);
  EXPECT_EQ(page_text, "Enviroment variable ZEBINST not defined \n");
  EXPECT_STREQ(path, "");
  EXPECT_EQ(engine().storage().attach_calls, 0);
}

TEST_F(IndexDataPathTest, FailedAttachIsSilent) {
  engine().storage().attach_code = 33;
  EXPECT_EQ(look_up("DOCS"), 1);
  EXPECT_EQ(page_text, "");
  EXPECT_STREQ(path, "");
  EXPECT_EQ(engine().storage().search_calls, 0);
}

TEST_F(IndexDataPathTest, IncompleteSharedStorageIsAProblem) {
  const std::string problem =
      "\nProblems with shared memory access....\n (perhaps Vantora server not running, rc is 0 "
      "\n\n";
  for (int field = 0; field < 6; ++field) {
    engine().reset();
    testing::SharedStorage& s = engine().storage();
    s.data_path = "/srv/data/DOCS";
    if (field == 0) s.fill_control = false;
    if (field == 1) s.index_number_limit = 0;
    if (field >= 2) s.instance_words[field - 2] = 0;
    EXPECT_EQ(look_up("DOCS"), 0) << field;
    EXPECT_EQ(page_text, problem) << field;
    EXPECT_STREQ(path, "");
    EXPECT_EQ(s.search_calls, 0);
  }
}

}  // namespace
}  // namespace zeb
