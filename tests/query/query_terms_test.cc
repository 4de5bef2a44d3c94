#include "query/query_terms.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "request/search_request.h"
#include "cgi/cgi_test_support.h"

namespace zeb {
namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

// Feeds form entries to apply_query_field in order, as the second pass does,
// and runs check_query_present when every entry was taken.
struct Query {
  explicit Query(const Fields& fields) {
    for (const auto& [name, value] : fields) {
      const std::string& kept = values.emplace_back(value);  // lives as long as the request
      outcome = apply_query_field(request, name.c_str(), kept.c_str(), page.out());
      if (outcome == QueryOutcome::kEndPage) break;
    }
    if (outcome == QueryOutcome::kGoOn) outcome = check_query_present(request, page.out());
    printed = page.text();
  }
  std::vector<std::string> terms() const {
    return std::vector<std::string>(request.terms, request.terms + request.term_count);
  }
  std::vector<uint16_t> connectors() const {
    return std::vector<uint16_t>(request.connectors, request.connectors + request.term_count);
  }

  std::deque<std::string> values;
  SearchRequest request;
  testing::PageSink page;
  QueryOutcome outcome = QueryOutcome::kGoOn;
  std::string printed;
};

using Terms = std::vector<std::string>;
using Codes = std::vector<uint16_t>;
constexpr uint16_t kNone = kConnectorNone, kAnd = kConnectorAnd, kOr = kConnectorOr,
                   kNot = kConnectorNot;

const std::string kEmptyLine =
    "<p>Vant message: The search request is empty. Maybe stopwords only specified..\n";
const std::string kEmptyBold =
    "<p><b>Vant message: The search request is empty. Maybe stopwords only specified..</b>\n";
const std::string kInvalidCondition = "<p><b>The condition specified is invalid.</b>\n";
const std::string kTooComplex = "<P><b>Query too complex. Reformulate search request.</b>\n";
const std::string kInvalidForm = "<P>An invalid search form has been specified!</HTML>\n";

TEST(QueryTerms, ConnectorsJoinTheNextNonEmptyWord) {
  const struct {
    Fields fields;
    Terms terms;
    Codes codes;
    bool leading_not;
  } cases[] = {
      {{{"query_word0", "cat"}, {"connector0", "or"}, {"query_word1", "dog"}},
       {"cat", "dog"}, {kNone, kOr}, false},
      {{{"query_word0", ""}, {"connector0", "not"}, {"query_word1", "dog"}},
       {"dog"}, {kNot}, true},
      {{{"query_word0", ""}, {"connector0", "and"}, {"query_word1", "dog"}},
       {"dog"}, {kNone}, false},
      {{{"query_word0", "cat"}, {"connector0", "not"}, {"query_word1", "dog"}},
       {"cat", "dog"}, {kNone, kNot}, false},
      {{{"query_word0", "cat"}, {"connector0", "or"}, {"query_word1", ""},
        {"connector1", "and"}, {"query_word2", "dog"}},
       {"cat", "dog"}, {kNone, kAnd}, false},
      {{{"query_word0", ""}, {"connector0", "or"}, {"query_word1", "x"}},
       {"x"}, {kOr}, false},
      {{{"", "or"}, {"query_word0", "x"}}, {"x"}, {kOr}, false},  // empty name: connector of slot 0
      // A later term that no connector joined is joined with AND.
      {{{"query_word0", "cat"}, {"query_word1", "dog"}}, {"cat", "dog"}, {kNone, kAnd}, false},
      {{{"query_word0", "cat"}, {"connector0", "AND"}, {"query_word1", "dog"}},
       {"cat", "dog"}, {kNone, kAnd}, false},
      {{{"query_word0", "cat"}, {"connector0", "xor"}, {"connector0", "or"}, {"connector0", "bad"},
        {"query_word1", "dog"}},
       {"cat", "dog"}, {kNone, kOr}, false},
      {{{"query_word3", "a"}, {"query_word3", "b"}}, {"a", "b"}, {kNone, kAnd}, false},
  };
  for (const auto& c : cases) {
    Query q(c.fields);
    EXPECT_EQ(q.terms(), c.terms) << c.fields.back().second;
    EXPECT_EQ(q.connectors(), c.codes) << c.fields.back().second;
    EXPECT_EQ(q.request.leading_not, c.leading_not) << c.fields.back().second;
    EXPECT_TRUE(q.request.terms_flag);
    EXPECT_EQ(q.outcome, QueryOutcome::kGoOn);
    EXPECT_EQ(q.printed, "");
  }
}

TEST(QueryTerms, MoreThanSixtyFourWordsIsTooComplex) {
  Fields fields;
  for (int i = 0; i < 64; ++i) fields.push_back({"query_word0", "w" + std::to_string(i)});
  fields.push_back({"connector0", "or"});  // the list is full: no slot to set
  fields.push_back({"query_word1", ""});   // empty words are no terms
  Query full(fields);
  EXPECT_EQ(full.outcome, QueryOutcome::kGoOn);
  EXPECT_EQ(full.request.term_count, 64);
  EXPECT_EQ(full.request.connectors[63], kAnd);

  fields.push_back({"query_word2", "one too many"});
  fields.push_back({"rank", "Y"});
  Query over(fields);
  EXPECT_EQ(over.outcome, QueryOutcome::kEndPage);
  EXPECT_EQ(over.printed, kTooComplex);
  EXPECT_EQ(over.request.term_count, 64);
  EXPECT_FALSE(over.request.rank);
}

TEST(QueryTerms, FreeTextIsTakenAsItStands) {
  Query masked(Fields{{"free_text", "a*"}});
  EXPECT_STREQ(masked.request.free_text, "a*");
  EXPECT_TRUE(masked.request.free_text_flag);
  EXPECT_EQ(masked.printed, "");

  Query blanks(Fields{{"free_text", "   "}});
  EXPECT_TRUE(blanks.request.free_text_flag);
  EXPECT_EQ(blanks.outcome, QueryOutcome::kGoOn);

  Query longest(Fields{{"free_text", std::string(1023, 'x')}});
  EXPECT_EQ(std::string(longest.request.free_text), std::string(1023, 'x'));

  // Left out: an empty text makes an empty request, a text too long for
  // the buffer one too complex (the page says which).
  const struct {
    std::string text, printed;
  } ignored[] = {{"", kEmptyLine}, {std::string(1024, 'x'), kTooComplex}};
  for (const auto& c : ignored) {
    Query q(Fields{{"free_text", c.text}});
    EXPECT_FALSE(q.request.free_text_flag);
    EXPECT_EQ(q.printed, c.printed);
    EXPECT_EQ(q.outcome, QueryOutcome::kEndPage);
  }
  // Beside a query word, the over-long text is left out as before.
  Query beside(Fields{{"free_text", std::string(1024, 'x')}, {"query_word0", "cat"}});
  EXPECT_EQ(beside.outcome, QueryOutcome::kGoOn);
  EXPECT_EQ(beside.printed, "");
}

TEST(QueryTerms, NewSearchTextSplitsIntoTermsAndFreeText) {
  Query q(Fields{{"new_free_text", "+cat -dog mouse"}});
  EXPECT_EQ(q.outcome, QueryOutcome::kGoOn);
  EXPECT_EQ(q.printed, "");
  EXPECT_EQ(q.terms(), (Terms{"cat", "dog"}));
  EXPECT_EQ(q.connectors(), (Codes{kNone, kNot}));
  EXPECT_FALSE(q.request.leading_not);
  EXPECT_STREQ(q.request.free_text, " cat      mouse");
  EXPECT_STREQ(q.request.free_text_echo, "+cat -dog mouse");
  EXPECT_TRUE(q.request.new_free_text_flag && q.request.free_text_flag && q.request.terms_flag);

  Query first_excluded(Fields{{"new_free_text", "-dog +cat +bird fish"}});
  EXPECT_EQ(first_excluded.terms(), (Terms{"cat", "bird", "dog"}));
  EXPECT_EQ(first_excluded.connectors(), (Codes{kNone, kAnd, kNot}));

  Query only_excluded_first(Fields{{"new_free_text", "-dog fish"}});
  EXPECT_EQ(only_excluded_first.connectors(), (Codes{kNot}));
  EXPECT_TRUE(only_excluded_first.request.leading_not);

  // Terms of the text follow the query words already taken; "+" joins with AND.
  Query after_words(Fields{{"query_word0", "cat"}, {"connector0", "or"}, {"new_free_text", "+dog x"}});
  EXPECT_EQ(after_words.terms(), (Terms{"cat", "dog"}));
  EXPECT_EQ(after_words.connectors(), (Codes{kNone, kAnd}));
}

TEST(QueryTerms, MaskedTermsAreBlankedOutOfTheFreeText) {
  Query q(Fields{{"new_free_text", "+wor* house"}});
  EXPECT_EQ(q.outcome, QueryOutcome::kGoOn);
  EXPECT_EQ(q.terms(), (Terms{"wor*"}));
  EXPECT_STREQ(q.request.free_text, "      house");
  EXPECT_TRUE(q.request.free_text_flag);

  Query alone(Fields{{"new_free_text", "+wor?"}});
  EXPECT_EQ(alone.outcome, QueryOutcome::kGoOn);
  EXPECT_FALSE(alone.request.free_text_flag);  // nothing but the masked term was left
  EXPECT_TRUE(alone.request.terms_flag);

  // A term with both masking characters blanks two occurrences.
  Query both(Fields{{"new_free_text", "+x*? x*? x*? y"}});
  EXPECT_STREQ(both.request.free_text, "         x*? y");
}

TEST(QueryTerms, NewSearchTextRefusals) {
  const struct {
    std::string text;
    std::string printed;
  } cases[] = {
      {"-dog", kInvalidCondition},
      {"-dog -cat", kInvalidCondition},
      {"wor*", kInvalidCondition},
      {"a?c", kInvalidCondition},
      {"say \"hello", kInvalidForm},
      {"+", kEmptyBold},
      {"\"\"", kEmptyBold},
  };
  for (const auto& c : cases) {
    Query q(Fields{{"new_free_text", c.text}, {"rank", "Y"}});
    EXPECT_EQ(q.outcome, QueryOutcome::kEndPage) << c.text;
    EXPECT_EQ(q.printed, c.printed) << c.text;
    EXPECT_FALSE(q.request.rank) << c.text;  // the walk stopped
  }
  // An unterminated phrase leaves the scanned text untouched.
  Query open(Fields{{"new_free_text", "+a \"b"}});
  EXPECT_STREQ(open.request.free_text, "+a \"b");

  std::string many;
  for (int i = 0; i < 65; ++i) many += "+t" + std::to_string(i) + " ";
  Query q(Fields{{"new_free_text", many}});
  EXPECT_EQ(q.printed, kTooComplex);
  EXPECT_EQ(q.request.term_count, 64);

  // Free text posted earlier keeps an empty new-search text from being refused.
  Query earlier(Fields{{"free_text", "x"}, {"new_free_text", "+"}});
  EXPECT_EQ(earlier.outcome, QueryOutcome::kGoOn);
}

// A later text needs the entries before it; the second pass takes it.
TEST(QueryTerms, AQueryFieldAloneTakesOnlyTheFirstNewSearchText) {
  Query q(Fields{{"new_free_text", "+alpha +beta x"}, {"new_free_text", "+gamma -delta y"}});
  EXPECT_EQ(q.terms(), (Terms{"alpha", "beta"}));
  EXPECT_STREQ(q.request.free_text_echo, "+alpha +beta x");
  EXPECT_STREQ(q.request.free_text, " alpha  beta x");
}

TEST(QueryTerms, OverlongOrEmptyNewSearchTextIsIgnored) {
  for (const std::string& ignored : {std::string(), std::string(1024, 'x')}) {
    Query q(Fields{{"new_free_text", ignored}});
    EXPECT_FALSE(q.request.new_free_text_flag);
    EXPECT_STREQ(q.request.free_text_echo, "");
    EXPECT_EQ(q.printed, ignored.empty() ? kEmptyLine : kTooComplex);
  }
}

TEST(QueryTerms, TopicsAndScopesKeepSixtyFour) {
  Fields fields = {{"topic", ""}};
  for (int i = 0; i < 65; ++i) fields.push_back({"topic", "t" + std::to_string(i)});
  for (int i = 0; i < 66; ++i) fields.push_back({"Manual", "m" + std::to_string(i)});
  fields.push_back({"free_text", "x"});
  Query q(fields);
  EXPECT_EQ(q.request.topic_count, 64);
  EXPECT_STREQ(q.request.topics[0], "");
  EXPECT_STREQ(q.request.topics[63], "t62");
  EXPECT_EQ(q.request.scope_count, 64);
  EXPECT_STREQ(q.request.scopes[63], "m63");
  const std::string limit = "\n<P><b>The maximum nuber of indices is reached.</b>\n";
  EXPECT_EQ(q.printed, limit + limit);
  EXPECT_EQ(q.outcome, QueryOutcome::kGoOn);
}

TEST(QueryTerms, AFormWithoutQueryIsEmpty) {
  Query q(Fields{{"rank", "Y"}, {"limit_number", "20"}, {"topic", "x"}, {"query_word0", ""}});
  EXPECT_EQ(q.outcome, QueryOutcome::kEndPage);
  EXPECT_EQ(q.printed, kEmptyLine);
  EXPECT_TRUE(q.request.rank);
  EXPECT_EQ(q.request.result_limit, 20);
}

}  // namespace
}  // namespace zeb
