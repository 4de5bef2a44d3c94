// The scripted engine answers as its header promises: other tests rely on it.
#include "support/scripted_engine.h"

#include <gtest/gtest.h>

#include "engine/ksv_api.h"
#include "engine/shared_storage.h"

namespace zeb::testing {
namespace {

class ScriptedEngineTest : public ::testing::Test {
 protected:
  void SetUp() override { engine().reset(); }
  void TearDown() override { engine().reset(); }
  int32_t diag = 0;
};

TEST_F(ScriptedEngineTest, DefaultHandlesOnSuccessNoneOnFailure) {
  uint32_t session = 0, index = 0, other = 0;
  const unsigned char req[] = {1, 2, 3};
  EXPECT_EQ(KSVSTARTSESSION(3, req, &session, &diag), 0);
  EXPECT_EQ(session, 1u);
  engine().on("KSVOPENINDEX").codes({0, 24});
  EXPECT_EQ(KSVOPENINDEX(session, 3, req, &index, &diag), 0);
  EXPECT_EQ(index, 101u);
  EXPECT_EQ(KSVOPENINDEX(session, 3, req, &other, &diag), 24);
  EXPECT_EQ(other, 0u);
  EXPECT_EQ(KSVOPENINDEX(session, 3, req, &other, &diag), 0);
  EXPECT_EQ(other, 103u);

  EXPECT_EQ(engine().names(), (std::vector<std::string>{
                                  "KSVSTARTSESSION", "KSVOPENINDEX",
                                  "KSVOPENINDEX", "KSVOPENINDEX"}));
  EXPECT_EQ(engine().stream("KSVSTARTSESSION"), hex({1, 2, 3}));
  EXPECT_EQ(engine().find("KSVOPENINDEX", 1)->handles, std::vector<uint32_t>{1});
  EXPECT_EQ(engine().find("KSVOPENINDEX", 3), nullptr);
}

TEST_F(ScriptedEngineTest, ScriptedHandleIsLeftBehindAFailure) {
  uint32_t session = 0;
  engine().on("KSVSTARTSESSION").code(33).handle(9);
  EXPECT_EQ(KSVSTARTSESSION(0, nullptr, &session, &diag), 33);
  EXPECT_EQ(session, 9u);
}

TEST_F(ScriptedEngineTest, SearchAnswersResultAndCountWithAnyCode) {
  uint32_t result = 0, found = 0;
  engine().on("KSVSEARCH").code(12).found(3);
  EXPECT_EQ(KSVSEARCH(1, 101, 0, nullptr, &result, &found, &diag), 12);
  EXPECT_EQ(result, 300u);
  EXPECT_EQ(found, 3u);
  EXPECT_EQ(engine().find("KSVSEARCH")->handles, (std::vector<uint32_t>{1, 101}));
}

TEST_F(ScriptedEngineTest, ResultAnswersComeInOrderThenTheScriptedCode) {
  const Bytes first = AnswerStream().entry("a.html;A", "DOCS", 50.0f).bytes();
  engine().result_answers({{1, first}, {0, {}}});
  engine().on("KSVGETRESULTLIST").code(2);
  uint32_t length = 0;
  unsigned char* answer = nullptr;
  EXPECT_EQ(KSVGETRESULTLIST(1, 400, &length, &answer, &diag), 1);
  ASSERT_EQ(length, first.size());
  EXPECT_EQ(Bytes(answer, answer + length), first);
  EXPECT_EQ(KSVGETRESULTLIST(1, 400, &length, &answer, &diag), 0);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(KSVGETRESULTLIST(1, 400, &length, &answer, &diag), 2);
}

TEST_F(ScriptedEngineTest, AnswerStreamItemsAreEncoded) {
  EXPECT_EQ(AnswerStream().entry("p;t", "IX", 1.0f).bytes(),
            hex({0x00, 0x08, 0x00, 0x6A, 0xC1, 'p', ';', 't',
                 0x00, 0x07, 0x00, 0x3C, 0xC1, 'I', 'X',
                 0x00, 0x09, 0x02, 0x18, 0xC1, 0x00, 0x00, 0x80, 0x3F}));
}

TEST_F(ScriptedEngineTest, AttachFillsThePerThreadBlockInTheSlot) {
  auto* block = new ThreadBlock;
  TlsSetValue(*pGTlsIndex, block);
  engine().storage().index_number_limit = 7;
  EXPECT_EQ(g_get_shared_storage(nullptr, "DEMO"), 0);
  ASSERT_NE(block->control, nullptr);
  EXPECT_EQ(block->control->index_number_limit, 7);
  EXPECT_EQ(block->instance_words[3], 4u);
  EXPECT_EQ(engine().storage().instance, "DEMO");
  engine().reset();  // frees the block
  EXPECT_EQ(TlsGetValue(*pGTlsIndex), nullptr);
}

}  // namespace
}  // namespace zeb::testing
