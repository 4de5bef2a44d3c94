// Reading search request streams: what a well-formed request means, and that
// every malformed one is refused without reading outside the stream.
#include "backend/search_stream.h"

#include <gtest/gtest.h>

#include "backend/engine_fixture.h"

namespace zeb::testing {
namespace {

using backend::Connector;
using backend::ParsedSearch;

// A request as the CGI builds it for: topics "news" OR "sport", AND
// ("cat" OR NOT "wor*"), free text, two scope values, ranked, limit 20.
Request full_request() {
  Request request;
  request.flag(kItemRanking).u16(kItemMaxResults, 160);
  request.start(kItemQueryScope).text(kItemScopeValue, "guide").text(kItemScopeValue, "news")
      .end(kItemQueryScope);
  request.constants();
  request.start(kItemBracket).topic("news").flag(kItemOr).topic("sport").end(kItemBracket);
  request.flag(kItemAnd);
  request.start(kItemBracket).term("cat").flag(kItemAnd).flag(kItemNot).term("wor*")
      .end(kItemBracket);
  request.free_text("big dogs");
  return request;
}

int parse(const Request& request, ParsedSearch& parsed) {
  return backend::parse_search_stream(request.data(), request.length(), parsed);
}
int parse(const Request& request) {
  ParsedSearch parsed;
  return parse(request, parsed);
}

TEST(SearchStream, FullRequestReadsAsSent) {
  ParsedSearch parsed;
  ASSERT_EQ(parse(full_request(), parsed), 0);
  EXPECT_TRUE(parsed.ranking);
  EXPECT_EQ(parsed.max_results, 160);
  EXPECT_EQ(parsed.scope, std::vector<std::string>({"guide", "news"}));
  ASSERT_EQ(parsed.expression.size(), 2u);
  const auto& topics = parsed.expression[0];
  EXPECT_EQ(topics.connector, Connector::kFirst);
  ASSERT_TRUE(topics.operand->bracket);
  ASSERT_EQ(topics.operand->inner.size(), 2u);
  EXPECT_TRUE(topics.operand->inner[0].operand->term.topic);
  EXPECT_EQ(topics.operand->inner[0].operand->term.text, "news");
  EXPECT_EQ(topics.operand->inner[1].connector, Connector::kOr);
  const auto& terms = parsed.expression[1];
  EXPECT_EQ(terms.connector, Connector::kAnd);
  ASSERT_EQ(terms.operand->inner.size(), 2u);
  const auto& masked = terms.operand->inner[1];
  EXPECT_EQ(masked.connector, Connector::kAnd);
  EXPECT_TRUE(masked.negated);
  EXPECT_TRUE(masked.operand->term.mask_any);
  EXPECT_FALSE(masked.operand->term.mask_one);
  EXPECT_EQ(masked.operand->term.text, "wor*");
  EXPECT_TRUE(parsed.has_free_text);
  EXPECT_EQ(parsed.free_text, "big dogs");
}

TEST(SearchStream, NotAfterAnOperandMeansAndNotAndLeadingNotNegates) {
  Request request;
  request.flag(kItemNot).term("a").flag(kItemNot).term("b").flag(kItemOr).flag(kItemNot)
      .term("c").flag(kItemNot).flag(kItemNot).term("d");
  ParsedSearch parsed;
  ASSERT_EQ(parse(request, parsed), 0);
  ASSERT_EQ(parsed.expression.size(), 4u);
  EXPECT_EQ(parsed.expression[0].connector, Connector::kFirst);
  EXPECT_TRUE(parsed.expression[0].negated);
  EXPECT_EQ(parsed.expression[1].connector, Connector::kAnd);
  EXPECT_TRUE(parsed.expression[1].negated);
  EXPECT_EQ(parsed.expression[2].connector, Connector::kOr);
  EXPECT_TRUE(parsed.expression[2].negated);
  EXPECT_EQ(parsed.expression[3].connector, Connector::kAnd);
  EXPECT_FALSE(parsed.expression[3].negated);  // NOT NOT cancels
}

TEST(SearchStream, EveryCutThroughAnItemIsRefused) {
  const Request request = full_request();
  const std::vector<unsigned char> bytes = request.bytes();
  std::vector<bool> boundary(bytes.size() + 1, false);
  for (size_t at = 0; at < bytes.size(); at += read_u16_be(&bytes[at])) boundary[at] = true;
  for (uint32_t cut = 0; cut < bytes.size(); ++cut) {
    // A copy of exactly `cut` bytes, so that a reader that strays is caught
    // by the sanitizers.
    std::vector<unsigned char> prefix(bytes.begin(), bytes.begin() + cut);
    ParsedSearch parsed;
    const int rc = backend::parse_search_stream(prefix.data(), cut, parsed);
    if (!boundary[cut]) {
      EXPECT_EQ(rc, 18) << "cut at " << cut;
    } else {
      EXPECT_TRUE(rc == 0 || rc == 18) << "cut at " << cut << " rc " << rc;
    }
  }
}

TEST(SearchStream, BrokenLengthFieldsAreRefused) {
  const std::vector<unsigned char> bytes = full_request().bytes();
  for (size_t at = 0; at < bytes.size(); at += read_u16_be(&bytes[at])) {
    for (uint16_t length : {0, 1, 4, 0xFFFF}) {
      std::vector<unsigned char> broken = bytes;
      broken[at] = static_cast<unsigned char>(length >> 8);
      broken[at + 1] = static_cast<unsigned char>(length);
      ParsedSearch parsed;
      EXPECT_EQ(backend::parse_search_stream(broken.data(), static_cast<uint32_t>(broken.size()), parsed), 18)
          << "item at " << at << " length " << length;
    }
  }
}

TEST(SearchStream, WrongNestingIsRefused) {
  std::vector<Request> requests(12);
  requests[0].end(kItemTerm);
  requests[1].start(kItemTerm).text(kItemText, "a");  // never closed
  requests[2].start(kItemBracket).term("a").end(kItemTerm);
  requests[3].start(kItemTerm).start(kItemFreeText).end(kItemFreeText).end(kItemTerm);
  requests[4].start(kItemBracket).start(kItemQueryScope).end(kItemQueryScope).end(kItemBracket);
  requests[5].term("a").end(kItemBracket);
  requests[6].start(kItemBracket).end(kItemBracket);  // empty bracket
  requests[7].start(kItemTerm).term("a").end(kItemTerm);
  requests[8].start(kItemFreeText).text(kItemText, "a").start(kItemTerm);
  requests[9].start(kItemQueryScope).term("a").end(kItemQueryScope);
  requests[10].start(kItemQueryScope).end(kItemQueryScope);  // no value
  requests[11].start(kItemBracket).term("a").flag(kItemOr).end(kItemBracket);
  for (size_t i = 0; i < requests.size(); ++i) EXPECT_EQ(parse(requests[i]), 18) << i;
}

TEST(SearchStream, OperatorsOutOfPlaceAreRefused) {
  std::vector<Request> requests(5);
  requests[0].flag(kItemAnd).term("a");
  requests[1].flag(kItemOr).term("a");
  requests[2].term("a").flag(kItemAnd);
  requests[3].term("a").flag(kItemAnd).flag(kItemOr).term("b");
  requests[4].term("a").flag(kItemNot);
  for (size_t i = 0; i < requests.size(); ++i) EXPECT_EQ(parse(requests[i]), 18) << i;
}

TEST(SearchStream, UnknownOrMisplacedItemsAreRefused) {
  std::vector<Request> requests(13);
  requests[0].text(999, "x");
  requests[1].start(kItemTerm).text(999, "x").text(kItemText, "a").end(kItemTerm);
  requests[2].text(kItemScopeValue, "guide");
  requests[3].text(kItemText, "a");
  requests[4].start(kItemAnd).end(kItemAnd);
  requests[5].text(kItemAnd, "x");  // an operator carries no data
  requests[6].byte(kItemMaxResults, 5);
  requests[7].start(kItemTerm).u16(kItemTermType, 1).text(kItemText, "a").end(kItemTerm);
  requests[8].start(kItemTerm).byte(kItemTermType, 2).text(kItemText, "a").end(kItemTerm);
  requests[9].start(kItemTerm).text(kItemMaskAny, "x").text(kItemText, "a").end(kItemTerm);
  requests[10].start(kItemTerm).byte(kItemTermType, 1).end(kItemTerm);  // no text
  requests[11].start(kItemTerm).text(kItemText, "a").text(kItemText, "b").end(kItemTerm);
  requests[12].free_text("a").free_text("b");
  for (size_t i = 0; i < requests.size(); ++i) EXPECT_EQ(parse(requests[i]), 18) << i;
}

TEST(SearchStream, CodePageAndLanguageMustBeTheSupportedOnes) {
  Request page;
  page.u16(kItemCodePage, 437).term("a");
  EXPECT_EQ(parse(page), 41);
  Request language;
  language.u16(kItemLanguage, 1).term("a");
  EXPECT_EQ(parse(language), 42);
}

TEST(SearchStream, LimitsOnScopesAndBrackets) {
  Request scopes;
  scopes.start(kItemQueryScope);
  for (int i = 0; i < 65; ++i) scopes.text(kItemScopeValue, "s");
  scopes.end(kItemQueryScope).term("a");
  EXPECT_EQ(parse(scopes), 20);

  auto nested = [](int depth) {
    Request request;
    for (int i = 0; i < depth; ++i) request.start(kItemBracket);
    request.term("a");
    for (int i = 0; i < depth; ++i) request.end(kItemBracket);
    return request;
  };
  EXPECT_EQ(parse(nested(backend::kMaxBracketDepth)), 0);
  EXPECT_EQ(parse(nested(backend::kMaxBracketDepth + 1)), 22);
  // As deep as a whole request buffer allows: refused, not a stack overflow.
  Request deepest;
  while (deepest.length() + 10 < kRequestBufferSize) deepest.start(kItemBracket);
  EXPECT_EQ(parse(deepest), 22);
}

TEST(SearchStream, OversizeOrMissingStreamIsRefused) {
  const Request request = full_request();
  ParsedSearch parsed;
  EXPECT_EQ(backend::parse_search_stream(request.data(), kRequestBufferSize + 1, parsed), 18);
  EXPECT_EQ(backend::parse_search_stream(nullptr, 5, parsed), 18);
  EXPECT_EQ(backend::parse_search_stream(nullptr, 0, parsed), 0);
}

// The same through the engine call: refused with 18 and no result.
class SearchStreamCallTest : public EngineTest {};

TEST_F(SearchStreamCallTest, MalformedSearchRequestAnswersSyntaxError) {
  instance().add_index("DOCS", {{"a/b.html", "B", "cat dog", {"news"}}});
  ASSERT_EQ(start_session(), 0);
  const uint32_t docs = open_ok("DOCS");
  const std::vector<unsigned char> bytes = full_request().bytes();
  for (uint32_t cut = 1; cut < bytes.size(); ++cut) {
    std::vector<unsigned char> prefix(bytes.begin(), bytes.begin() + cut);
    uint32_t result = 7, found = 7;
    const int32_t rc = KSVSEARCH(session_, docs, cut, prefix.data(), &result, &found, &diag_);
    EXPECT_TRUE(rc == 18 || rc == 0 || rc == 73) << cut << " rc " << rc;
    if (rc == 18) {
      EXPECT_EQ(result, 0u);
      EXPECT_EQ(found, 0u);
    }
    if (result != 0) KSVDELETERESULT(session_, result, &diag_);
  }
  Request empty;
  EXPECT_EQ(search(docs, empty).rc, 73);  // nothing to search for
}

TEST_F(SearchStreamCallTest, MangledRequestsNeverCrashTheEngine) {
  instance().add_index("DOCS", {{"a/b.html", "B", "cat dog", {"news"}}});
  ASSERT_EQ(start_session(), 0);
  const uint32_t docs = open_ok("DOCS");
  const std::vector<unsigned char> bytes = full_request().bytes();
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  for (int round = 0; round < 3000; ++round) {
    std::vector<unsigned char> mangled = bytes;
    for (int flips = 1 + next() % 4; flips > 0; --flips)
      mangled[next() % mangled.size()] = static_cast<unsigned char>(next());
    mangled.resize(next() % (mangled.size() + 1));
    uint32_t result = 0, found = 0;
    const int32_t rc = KSVSEARCH(session_, docs, static_cast<uint32_t>(mangled.size()),
                                 mangled.data(), &result, &found, &diag_);
    EXPECT_TRUE(rc == 0 || rc == 10 || rc == 18 || rc == 20 || rc == 22 || rc == 31 ||
                rc == 41 || rc == 42 || rc == 73)
        << "round " << round << " rc " << rc;
    if (result != 0) {
      EXPECT_EQ(KSVDELETERESULT(session_, result, &diag_), 0);
    }
  }
}

}  // namespace
}  // namespace zeb::testing
