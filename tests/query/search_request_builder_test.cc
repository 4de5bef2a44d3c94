#include "query/search_request_builder.h"

#include <gtest/gtest.h>

#include <string>

#include "cgi/cgi_test_support.h"
#include "support/request_fixture.h"
#include "support/scripted_engine.h"

namespace zeb {
namespace {

using testing::Bytes;
using testing::dump;

// Items as they appear in the stream, written as hex for comparison.
const std::string kConstants = "00 07 00 73 C1 03 52 00 07 00 74 C1 17 7B";
const std::string kTermStart = "00 05 00 C8 E2";
const std::string kTermEnd = "00 05 00 C8 C5";
const std::string kWordType = "00 06 00 DE C1 01";
const std::string kAnd = "00 05 00 82 C1";
const std::string kOr = "00 05 00 8C C1";
const std::string kNot = "00 05 00 97 C1";
const std::string kBracketStart = "00 05 00 78 E2";
const std::string kBracketEnd = "00 05 00 78 C5";
const std::string kRanking = "00 05 00 67 C1";

std::string text_item(const std::string& text) {
  Bytes item = testing::hex({0x00, static_cast<int>(text.size() + 5), 0x00, 0xD3, 0xC1});
  item.insert(item.end(), text.begin(), text.end());
  return dump(item);
}

std::string word(const std::string& text) {
  return kTermStart + " " + kWordType + " " + text_item(text) + " " + kTermEnd;
}

std::string topic(const std::string& text) {
  return kTermStart + " 00 06 00 DE C1 03 " + text_item("\xFF\xFF" + text + "\xFF\xFF") +
         " " + kTermEnd;
}

std::string join(std::initializer_list<std::string> parts) {
  std::string out;
  for (const std::string& part : parts) out += (out.empty() ? "" : " ") + part;
  return out;
}

class SearchRequestBuilderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(allocate_request_buffer(*request), 0);
    request->open_count = 1;
    request.indexes({"DOCS"});
  }
  // Builds the stream; returns it as hex.
  std::string build(int expected_result = 1) {
    testing::PageSink page;
    EXPECT_EQ(build_search_request(*request, buffer, page.out()), expected_result);
    page_text = page.text();
    return dump(Bytes(buffer.start, buffer.position));
  }

  testing::TestRequest request;
  RequestBuffer buffer;
  std::string page_text;
};

TEST_F(SearchRequestBuilderTest, CatOrDogIsSixtySevenBytes) {
  request.term("cat").term("dog", kConnectorOr);
  const std::string stream = build();
  EXPECT_EQ(stream, join({kConstants, word("cat"), kOr, word("dog")}));
  EXPECT_EQ(buffer.length(), 67u);
  EXPECT_EQ(page_text, "");
}

TEST_F(SearchRequestBuilderTest, ConnectorsBetweenTerms) {
  request.term("a", kConnectorOr).term("b", kConnectorAnd).term("c", kConnectorNot)
      .term("d", kConnectorNone);
  // The first term's own connector is never sent; NOT is AND NOT; a term
  // without connector is ANDed.
  EXPECT_EQ(build(), join({kConstants, word("a"), kAnd, word("b"), kAnd, kNot, word("c"),
                           kAnd, word("d")}));
}

TEST_F(SearchRequestBuilderTest, LeadingNotComesRightBeforeTheFirstTerm) {
  request->leading_not = true;
  request.term("dog", kConnectorNot);
  EXPECT_EQ(build(), join({kConstants, kNot, word("dog")}));
  EXPECT_FALSE(request->leading_not);
}

TEST_F(SearchRequestBuilderTest, LeadingNotAfterTopicsAndInsideTheBracket) {
  request->leading_not = true;
  request.topic("news").term("cat", kConnectorNot).term("dog", kConnectorOr);
  EXPECT_EQ(build(), join({kConstants, topic("news"), kAnd, kBracketStart, kNot, word("cat"),
                           kOr, word("dog"), kBracketEnd}));
}

TEST_F(SearchRequestBuilderTest, TopicTermIsFramedByMarkers) {
  request.topic("news").free_text("x");
  const std::string stream = build();
  EXPECT_NE(stream.find("00 05 00 C8 E2 00 06 00 DE C1 03 00 0D 00 D3 C1 FF FF 6E 65 77 73 "
                        "FF FF 00 05 00 C8 C5"),
            std::string::npos)
      << stream;
}

TEST_F(SearchRequestBuilderTest, TopicsAndTermsAreBracketed) {
  request.topic("t1").topic("t2").term("a").term("b", kConnectorOr);
  EXPECT_EQ(build(), join({kConstants, kBracketStart, topic("t1"), kOr, topic("t2"),
                           kBracketEnd, kAnd, kBracketStart, word("a"), kOr, word("b"),
                           kBracketEnd}));
}

TEST_F(SearchRequestBuilderTest, OneTopicAndOneTermHaveNoBrackets) {
  request.topic("t").term("a");
  EXPECT_EQ(build(), join({kConstants, topic("t"), kAnd, word("a")}));
}

TEST_F(SearchRequestBuilderTest, LongTopicIsCutToFiftyNineCharacters) {
  const std::string long_topic(80, 'q');
  request.topic(long_topic.c_str()).term("a");
  EXPECT_EQ(build(), join({kConstants, topic(std::string(59, 'q')), kAnd, word("a")}));
}

TEST_F(SearchRequestBuilderTest, TopicOfFiftyNineCharactersIsKept) {
  const std::string topic59(59, 'q');
  request.topic(topic59.c_str()).term("a");
  EXPECT_EQ(build(), join({kConstants, topic(topic59), kAnd, word("a")}));
}

TEST_F(SearchRequestBuilderTest, MaskedTermsHaveNoTermType) {
  request.term("wor*").term("a?c*", kConnectorOr);
  EXPECT_EQ(build(), join({kConstants, kTermStart, "00 06 01 5E C1 2A", text_item("wor*"),
                           kTermEnd, kOr, kTermStart, "00 06 01 5E C1 2A 00 06 01 68 C1 3F",
                           text_item("a?c*"), kTermEnd}));
}

TEST_F(SearchRequestBuilderTest, LinguisticFlagOffSendsExactWords) {
  request->linguistic = false;
  request.term("cat");
  EXPECT_EQ(build(), join({kConstants, kTermStart, "00 06 00 DE C1 03", text_item("cat"),
                           kTermEnd}));
}

TEST_F(SearchRequestBuilderTest, FreeTextIsRankedAndCapped) {
  struct Case {
    uint16_t limit;
    int scopes;
    const char* max_results;
  };
  for (const Case c : {Case{50, 0, "00 32"}, Case{50, 2, "01 90"}, Case{50, 3, "01 F4"},
                       Case{1000, 0, "03 E8"}, Case{65535, 64, "01 F4"}}) {
    request->result_limit = c.limit;
    request->scope_count = c.scopes;
    request->open_count = 2;  // scopes travel with the group, not here
    request->rank = false;
    request.free_text("cat  dog");
    const std::string stream = build();
    EXPECT_EQ(stream, join({kRanking, std::string("00 07 00 66 C1 ") + c.max_results,
                            kConstants, "00 05 01 7C E2", kWordType, text_item("cat  dog"),
                            "00 05 01 7C C5"}))
        << c.limit << " x " << c.scopes;
    EXPECT_TRUE(request->rank);
  }
}

TEST_F(SearchRequestBuilderTest, RankFlagAloneSendsOnlyTheMarker) {
  request->rank = true;
  request.term("cat");
  EXPECT_EQ(build(), join({kRanking, kConstants, word("cat")}));
}

TEST_F(SearchRequestBuilderTest, ScopeValuesGoInsideWithOneOpenIndex) {
  request.scope("A").scope("BC").term("cat");
  EXPECT_EQ(build(), join({"00 05 00 69 E2 00 06 00 6B C1 41 00 07 00 6B C1 42 43 00 05 00 69 C5",
                           kConstants, word("cat")}));
  request->open_count = 2;
  EXPECT_EQ(build(), join({kConstants, word("cat")}));
}

TEST_F(SearchRequestBuilderTest, TermsTopicsAndFreeTextFollowWithoutOperator) {
  request.topic("t").term("a").free_text("f");
  EXPECT_EQ(build(), join({kRanking, "00 07 00 66 C1 00 32", kConstants, topic("t"), kAnd,
                           word("a"), "00 05 01 7C E2", kWordType, text_item("f"),
                           "00 05 01 7C C5"}));
}

TEST_F(SearchRequestBuilderTest, LastItemThatDoesNotFitStopsTheSearch) {
  // 14 bytes of constants, then the term: 5 + 6 + (5 + n) + 5. With n of
  // 32735 the text fits and leaves 2 bytes: the term's end does not fit.
  request.term(std::string(32735, 'x').c_str());
  build(0);
  EXPECT_EQ(buffer.remaining, 2u);
  EXPECT_NE(page_text.find("(rc=22)"), std::string::npos) << page_text;

  // One byte less and everything fits exactly.
  testing::TestRequest fits;
  ASSERT_EQ(allocate_request_buffer(*fits), 0);
  fits->open_count = 1;
  fits.term(std::string(32732, 'x').c_str());
  testing::PageSink page;
  EXPECT_EQ(build_search_request(*fits, buffer, page.out()), 1);
  EXPECT_EQ(buffer.remaining, 0u);
}

// Whichever item does not fit, the search does not run and the page says
// why: an item left out would make another query of it.
TEST_F(SearchRequestBuilderTest, AQueryLargerThanTheBufferIsTooComplex) {
  const std::string too_complex =
      "<p>Vant message: Query too complex. Reformulate search request. (rc=22)\n";
  request.term(std::string(40000, 'x').c_str());
  build(0);
  EXPECT_EQ(page_text, too_complex);

  testing::TestRequest phrases;
  ASSERT_EQ(allocate_request_buffer(*phrases), 0);
  phrases->open_count = 1;
  std::string phrase;
  for (int word = 0; word < 300; ++word) phrase += "word ";
  for (int field = 0; field < 64; ++field) phrases.term(phrase.c_str());
  testing::PageSink page;
  EXPECT_EQ(build_search_request(*phrases, buffer, page.out()), 0);
  EXPECT_EQ(page.text(), too_complex);
}

}  // namespace
}  // namespace zeb
