// Searches on a small real index: what each kind of term finds, how terms,
// topics and free text combine, scopes, and the codes a search answers.
#include <gtest/gtest.h>

#include <algorithm>

#include "backend/engine_fixture.h"
#include "backend/mask_expansion.h"

namespace zeb::testing {
namespace {

const std::vector<TestDocument> kDocs = {
    {"guide/tables.html", "Working with tables", "A table holds rows and columns.", {"layout"}},
    {"guide/forms.html", "Forms", "Forms send fields to the server. A form has a button.",
     {"layout", "user input"}},
    {"news/fox.html", "Today", "The quick brown fox jumps over the lazy dog.", {"animals"}},
    {"news/cats.html", "Cats", "Cats chase the mouse; a dog chases cats.", {"animals"}},
    {"top.html", "Top", "World wide web pages link to other pages.", {}},
    {"guide/words.html", "Workers", "A worker works with words in the world.", {}},
    {"news/year.html", "Year", "Released in 2024.", {}},
};

std::vector<std::string> sorted(std::vector<std::string> paths) {
  std::sort(paths.begin(), paths.end());
  return paths;
}

class SearchTest : public EngineTest {
 protected:
  void SetUp() override {
    instance().add_index("DOCS", kDocs);
    instance().add_index("EMPTY", {});
    std::string vocabulary;
    for (size_t i = 0; i <= backend::kMaxMaskExpansion; ++i) vocabulary += " v" + std::to_string(i);
    instance().add_index("WORDY", {{"w.html", "Wordy", vocabulary, {}}});
    instance().add_index("ACCENTS", {{"a.html", "Café", "Ein schönes Café", {"états"}}});
    ASSERT_EQ(start_session(), 0);
    docs_ = open_ok("DOCS");
  }

  std::vector<std::string> find(const Request& request) {
    return sorted(paths_found(docs_, request));
  }
  static Request words(std::initializer_list<std::string> texts, uint16_t op = kItemAnd) {
    Request request;
    request.constants();
    bool first = true;
    for (const auto& text : texts) {
      if (!first) request.flag(op);
      request.term(text);
      first = false;
    }
    return request;
  }

  uint32_t docs_ = 0;
};

using Paths = std::vector<std::string>;

TEST_F(SearchTest, LinguisticTermsFindOtherFormsOfTheWord) {
  EXPECT_EQ(find(words({"tables"})), Paths({"guide/tables.html"}));
  EXPECT_EQ(find(words({"chasing"})), Paths({"news/cats.html"}));
  EXPECT_EQ(find(words({"TABLE"})), Paths({"guide/tables.html"}));
  // Numbers have no stem: they are searched as written.
  EXPECT_EQ(find(words({"2024"})), Paths({"news/year.html"}));
}

TEST_F(SearchTest, ExactTermsFindTheWordAsWritten) {
  Request exact;
  exact.constants().term("tables", 3);
  EXPECT_EQ(find(exact), Paths({"guide/tables.html"}));
  Request other_form;
  other_form.constants().term("chasing", 3);
  EXPECT_EQ(find(other_form), Paths());
}

TEST_F(SearchTest, TextWithBlanksIsAPhraseOfAdjacentWordsInOrder) {
  EXPECT_EQ(find(words({"lazy dog"})), Paths({"news/fox.html"}));
  EXPECT_EQ(find(words({"dog lazy"})), Paths());
  EXPECT_EQ(find(words({"quick fox"})), Paths());
}

TEST_F(SearchTest, OperatorsCombineLeftToRight) {
  EXPECT_EQ(find(words({"dog", "cats"}, kItemAnd)), Paths({"news/cats.html"}));
  EXPECT_EQ(find(words({"fox", "table"}, kItemOr)),
            Paths({"guide/tables.html", "news/fox.html"}));
  Request and_not;
  and_not.constants().term("dog").flag(kItemAnd).flag(kItemNot).term("cats");
  EXPECT_EQ(find(and_not), Paths({"news/fox.html"}));
  // (fox OR table) AND NOT rows: left to right, no precedence.
  Request chain;
  chain.constants().term("fox").flag(kItemOr).term("table").flag(kItemAnd)
      .flag(kItemNot).term("rows");
  EXPECT_EQ(find(chain), Paths({"news/fox.html"}));
  // fox OR (table AND NOT rows) with a bracket.
  Request bracket;
  bracket.constants().term("fox").flag(kItemOr).start(kItemBracket).term("table")
      .flag(kItemAnd).flag(kItemNot).term("rows").end(kItemBracket);
  EXPECT_EQ(find(bracket), Paths({"news/fox.html"}));
  Request bracket_first;
  bracket_first.constants().start(kItemBracket).term("fox").flag(kItemOr).term("table")
      .end(kItemBracket).flag(kItemAnd).term("columns");
  EXPECT_EQ(find(bracket_first), Paths({"guide/tables.html"}));
}

TEST_F(SearchTest, LeadingNotMeansEveryDocumentExcept) {
  Request request;
  request.constants().flag(kItemNot).term("dog");
  EXPECT_EQ(find(request), Paths({"guide/forms.html", "guide/tables.html",
                                  "guide/words.html", "news/year.html", "top.html"}));
}

TEST_F(SearchTest, TermsWithoutOperatorAreJoinedByAnd) {
  Request request;
  request.constants().term("dog").term("mouse");
  EXPECT_EQ(find(request), Paths({"news/cats.html"}));
}

TEST_F(SearchTest, MaskingExpandsOverTheVocabulary) {
  EXPECT_EQ(find(words({"wor*"})), Paths({"guide/tables.html", "guide/words.html", "top.html"}));
  EXPECT_EQ(find(words({"w?rld"})), Paths({"guide/words.html", "top.html"}));
  EXPECT_EQ(find(words({"*orks"})), Paths({"guide/words.html"}));
  EXPECT_EQ(find(words({"t?ble"})), Paths({"guide/tables.html"}));
  EXPECT_EQ(find(words({"t?bles"})), Paths({"guide/tables.html"}));
  EXPECT_EQ(find(words({"ta?"})), Paths());  // '?' is exactly one character
  EXPECT_EQ(find(words({"lazy d*"})), Paths({"news/fox.html"}));
  EXPECT_EQ(find(words({"zzz*"})), Paths());
}

TEST_F(SearchTest, MaskingCharactersAloneAreRefused) {
  for (const std::string text : {"*", "?", "**", "*?", "lazy *"}) {
    const SearchOutcome outcome = search(docs_, words({text}));
    EXPECT_EQ(outcome.rc, 31) << text;
    EXPECT_EQ(outcome.result, 0u);
  }
}

TEST_F(SearchTest, MaskingThatExpandsTooFarIsTooComplex) {
  const uint32_t wordy = open_ok("WORDY");
  const SearchOutcome outcome = search(wordy, words({"v*"}));
  EXPECT_EQ(outcome.rc, 22);
  EXPECT_EQ(outcome.result, 0u);
  EXPECT_EQ(paths_found(wordy, words({"v10*"})), Paths({"w.html"}));  // 12 words
}

TEST_F(SearchTest, TopicsFindDocumentsCarryingTheKeyword) {
  Request topic;
  topic.constants().topic("Layout");
  EXPECT_EQ(find(topic), Paths({"guide/forms.html", "guide/tables.html"}));
  Request blanks;
  blanks.constants().topic("  User   Input ");
  EXPECT_EQ(find(blanks), Paths({"guide/forms.html"}));
  Request empty;  // an empty topic box restricts nothing
  empty.constants().topic("").flag(kItemAnd).term("button");
  Request button;
  button.constants().term("button");
  EXPECT_EQ(find(empty), find(button));
  EXPECT_FALSE(find(button).empty());
  Request with_term;
  with_term.constants().topic("layout").flag(kItemAnd).term("button");
  EXPECT_EQ(find(with_term), Paths({"guide/forms.html"}));
}

TEST_F(SearchTest, FreeTextIsRankedAndRestrictedByTerms) {
  Request free;
  free.constants().flag(kItemRanking).free_text("dog mouse");
  const SearchOutcome outcome = search(docs_, free);
  ASSERT_EQ(outcome.rc, 0);
  EXPECT_EQ(outcome.found, 2u);
  const auto entries = list_all(outcome.result, true);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].document_id, "news/cats.html;Cats");  // both words
  EXPECT_GT(entries[0].rank, entries[1].rank);
  EXPECT_FLOAT_EQ(entries[0].rank, 100.0f);  // percent with free text

  Request restricted;
  restricted.constants().flag(kItemRanking).term("fox").free_text("dog mouse");
  EXPECT_EQ(find(restricted), Paths({"news/fox.html"}));
  Request topic_restricted;
  topic_restricted.constants().flag(kItemRanking).topic("layout").free_text("server rows");
  EXPECT_EQ(find(topic_restricted), Paths({"guide/forms.html", "guide/tables.html"}));
}

TEST_F(SearchTest, StopWordsAreDroppedFromFreeText) {
  Request some;
  some.constants().flag(kItemRanking).free_text("the fox");
  const SearchOutcome dropped = search(docs_, some);
  EXPECT_EQ(dropped.rc, 10);
  EXPECT_EQ(dropped.found, 1u);
  EXPECT_NE(dropped.result, 0u);

  Request only;
  only.constants().flag(kItemRanking).free_text("the and of");
  const SearchOutcome nothing = search(docs_, only);
  EXPECT_EQ(nothing.rc, 73);
  EXPECT_EQ(nothing.found, 0u);
  EXPECT_EQ(nothing.result, 0u);

  Request blanks;
  blanks.constants().flag(kItemRanking).free_text("   ");
  EXPECT_EQ(search(docs_, blanks).rc, 73);

  // With terms beside it, the terms alone remain to be searched.
  Request with_term;
  with_term.constants().flag(kItemRanking).term("fox").free_text("the");
  const SearchOutcome term_left = search(docs_, with_term);
  EXPECT_EQ(term_left.rc, 10);
  EXPECT_EQ(term_left.found, 1u);
}

TEST_F(SearchTest, SearchMatchingNothingAnswersZeroWithNoneFound) {
  const SearchOutcome outcome = search(docs_, words({"nosuchword"}));
  EXPECT_EQ(outcome.rc, 0);
  EXPECT_EQ(outcome.found, 0u);
  ASSERT_NE(outcome.result, 0u);
  std::vector<int32_t> codes;
  EXPECT_TRUE(list_all(outcome.result, false, &codes).empty());
  EXPECT_EQ(codes, std::vector<int32_t>({0}));
}

TEST_F(SearchTest, IndexWithoutDocumentsIsEmpty) {
  const uint32_t empty = open_ok("EMPTY");
  const SearchOutcome outcome = search(empty, words({"table"}));
  EXPECT_EQ(outcome.rc, 72);
  EXPECT_EQ(outcome.found, 0u);
  EXPECT_EQ(outcome.result, 0u);
}

TEST_F(SearchTest, ScopeValuesLimitToTheFirstDirectory) {
  Request request;
  request.constants().start(kItemQueryScope).text(kItemScopeValue, "news")
      .end(kItemQueryScope).term("dog").flag(kItemOr).term("table");
  EXPECT_EQ(find(request), Paths({"news/cats.html", "news/fox.html"}));
  Request two;
  two.constants().start(kItemQueryScope).text(kItemScopeValue, "news")
      .text(kItemScopeValue, "guide").end(kItemQueryScope).flag(kItemNot).term("zzz");
  EXPECT_EQ(find(two).size(), 6u);  // every document but the one at the top
  Request cased;
  cased.constants().start(kItemQueryScope).text(kItemScopeValue, "NEWS")
      .end(kItemQueryScope).term("dog");
  EXPECT_EQ(find(cased), Paths());
}

TEST_F(SearchTest, TextThatIsNotUtf8IsReadAsCodePage850) {
  const uint32_t accents = open_ok("ACCENTS");
  Request latin;  // "schönes" with o-umlaut as 850 byte 0x94
  latin.constants().term("sch\x94nes");
  EXPECT_EQ(paths_found(accents, latin), Paths({"a.html"}));
  Request utf8;
  utf8.constants().term("schönes");
  EXPECT_EQ(paths_found(accents, utf8), Paths({"a.html"}));
  Request topic;  // "États" upper case in 850: E-acute is 0x90
  topic.constants().topic("\x90tats");
  EXPECT_EQ(paths_found(accents, topic), Paths({"a.html"}));
}

TEST_F(SearchTest, MaximumResultsCapsTheResult) {
  Request request;
  request.constants().flag(kItemRanking).u16(kItemMaxResults, 2).flag(kItemNot).term("zzz");
  const SearchOutcome outcome = search(docs_, request);
  ASSERT_EQ(outcome.rc, 0);
  EXPECT_EQ(outcome.found, 2u);
  EXPECT_EQ(list_all(outcome.result, true).size(), 2u);
}

}  // namespace
}  // namespace zeb::testing
