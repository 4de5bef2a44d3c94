// Ranking, result lists and their answers: bounded answers with
// continuation, entry items, rank values in both modes, sorting, and the
// codes of each misuse.
#include <gtest/gtest.h>

#include <set>

#include "backend/engine_fixture.h"

namespace zeb::testing {
namespace {

constexpr int kDocCount = 120;

std::vector<TestDocument> numbered_documents() {
  std::vector<TestDocument> docs;
  for (int i = 0; i < kDocCount; ++i) {
    std::string text = "common";
    // Document i mentions "often" i % 7 times, so ranks differ.
    for (int k = 0; k < i % 7; ++k) text += " often";
    docs.push_back({"part" + std::to_string(i % 3) + "/doc" + std::to_string(i) + ".html",
                    "Title " + std::to_string(i), text, {}});
  }
  return docs;
}

class ResultListTest : public EngineTest {
 protected:
  void SetUp() override {
    instance().add_index("MANY", numbered_documents());
    instance().add_index("FEW", {{"x/one.html", "One", "common often rare", {}},
                                 {"y/two.html", "Two", "common", {}}});
    ASSERT_EQ(start_session(), 0);
    many_ = open_ok("MANY");
  }

  static Request all_documents(bool ranking) {
    Request request;
    if (ranking) request.flag(kItemRanking);
    request.constants().term("common");
    return request;
  }

  uint32_t list_of(uint32_t result) {
    uint32_t list = 0, value = 0;
    EXPECT_EQ(KSVCREATERESULTLIST(session_, result, &list, &value, &diag_), 0);
    return list;
  }

  int32_t get(uint32_t list, std::vector<ListedEntry>& entries) {
    uint32_t length = 0;
    unsigned char* answer = nullptr;
    const int32_t rc = KSVGETRESULTLIST(session_, list, &length, &answer, &diag_);
    if (rc == 0 || rc == 1) {
      EXPECT_TRUE(read_answer(answer, length, entries));
    }
    return rc;
  }

  static Request sort_request(uint8_t order = 1, uint8_t key = 1) {
    Request request;
    request.start(kItemSort).byte(kItemSortOrder, order).byte(kItemSortKey, key).end(kItemSort);
    return request;
  }

  uint32_t many_ = 0;
};

TEST_F(ResultListTest, AnswersAreBoundedAndContinue) {
  const SearchOutcome outcome = search(many_, all_documents(false));
  ASSERT_EQ(outcome.rc, 0);
  EXPECT_GE(outcome.found, 51u);
  EXPECT_LE(outcome.found, static_cast<uint32_t>(kDocCount));
  const uint32_t list = list_of(outcome.result);
  std::vector<ListedEntry> first, second, third, none;
  EXPECT_EQ(get(list, first), 1);
  EXPECT_EQ(first.size(), 50u);
  EXPECT_EQ(get(list, second), 1);
  EXPECT_EQ(second.size(), 50u);
  EXPECT_EQ(get(list, third), 0);
  EXPECT_EQ(third.size(), 20u);
  EXPECT_EQ(get(list, none), 2);  // nothing more after the last answer

  std::set<std::string> seen;
  for (const auto* part : {&first, &second, &third})
    for (const ListedEntry& entry : *part) {
      seen.insert(entry.document_id);
      EXPECT_EQ(entry.index_name, "MANY");
      EXPECT_FALSE(entry.has_rank);
    }
  EXPECT_EQ(seen.size(), static_cast<size_t>(kDocCount));
  EXPECT_EQ(first[0].document_id, "part0/doc0.html;Title 0");  // document order
}

// A page that says how many rows it shows gets them and no entry more,
// from its first entry on.
TEST_F(ResultListTest, ListEndsWithTheRowsThePageShows) {
  for (const uint32_t skip : {0u, 60u, 118u}) {
    SCOPED_TRACE(skip);
    Request request = all_documents(false);
    const unsigned char first[4] = {0, 0, 0, static_cast<unsigned char>(skip)};
    request.text(kItemFirstEntry, std::string(reinterpret_cast<const char*>(first), 4))
        .u16(kItemRowsShown, 3);
    const SearchOutcome outcome = search(many_, request);
    ASSERT_EQ(outcome.rc, 0);
    EXPECT_EQ(outcome.found, static_cast<uint32_t>(kDocCount));  // the count is the list's
    const uint32_t list = list_of(outcome.result);
    std::vector<ListedEntry> page, none;
    EXPECT_EQ(get(list, page), 0);
    ASSERT_EQ(page.size(), std::min<size_t>(3, kDocCount - skip));
    EXPECT_EQ(page[0].document_id, "part" + std::to_string(skip % 3) + "/doc" +
                                       std::to_string(skip) + ".html;Title " +
                                       std::to_string(skip));
    EXPECT_EQ(get(list, none), 2);
  }
}

// The list is fetched in growing windows; read to its end it holds every
// match once, in rank order across the windows' joins.
TEST_F(ResultListTest, LongListReadToItsEndHoldsEveryMatchOnceInRankOrder) {
  constexpr int kLong = 700;
  std::vector<TestDocument> docs;
  for (int i = 0; i < kLong; ++i) {
    std::string text = "common";
    for (int k = 0; k < i % 11; ++k) text += " often";
    docs.push_back({"d/" + std::to_string(i) + ".html", "", text, {}});
  }
  instance().add_index("LONG", docs);
  KSVENDSESSION(session_, &diag_);  // a session reads the catalogue once
  ASSERT_EQ(start_session(), 0);
  Request request;
  request.flag(kItemRanking).constants().term("often");
  const SearchOutcome outcome = search(open_ok("LONG"), request);
  ASSERT_EQ(outcome.rc, 0);
  const std::vector<ListedEntry> entries = list_all(outcome.result, true);
  std::set<std::string> seen;
  for (size_t i = 0; i < entries.size(); ++i) {
    seen.insert(entries[i].document_id);
    if (i > 0) {
      EXPECT_LE(entries[i].rank, entries[i - 1].rank) << i;
    }
  }
  EXPECT_EQ(entries.size(), static_cast<size_t>(kLong - kLong / 11 - 1));
  EXPECT_EQ(seen.size(), entries.size());
}

TEST_F(ResultListTest, FoundCountIsExactWithinOnePage) {
  const uint32_t few = open_ok("FEW");
  Request request;
  request.constants().term("common");
  const SearchOutcome outcome = search(few, request);
  EXPECT_EQ(outcome.found, 2u);
  std::vector<int32_t> codes;
  EXPECT_EQ(list_all(outcome.result, false, &codes).size(), 2u);
  EXPECT_EQ(codes, std::vector<int32_t>({0}));
}

TEST_F(ResultListTest, ExactlyOnePageEndsWithoutContinuation) {
  Request request;
  request.constants().u16(kItemMaxResults, 50).term("common");
  const SearchOutcome outcome = search(many_, request);
  EXPECT_EQ(outcome.found, 50u);
  std::vector<int32_t> codes;
  EXPECT_EQ(list_all(outcome.result, false, &codes).size(), 50u);
  EXPECT_EQ(codes, std::vector<int32_t>({0}));
}

TEST_F(ResultListTest, RankedListWithoutFreeTextCarriesFractions) {
  const SearchOutcome outcome = search(many_, [] {
    Request request;
    request.flag(kItemRanking).constants().term("often");
    return request;
  }());
  ASSERT_EQ(outcome.rc, 0);
  const auto entries = list_all(outcome.result, true);
  ASSERT_FALSE(entries.empty());
  for (size_t i = 0; i < entries.size(); ++i) {
    ASSERT_TRUE(entries[i].has_rank);
    EXPECT_GE(entries[i].rank, 0.0f);
    EXPECT_LE(entries[i].rank, 1.0f);
    if (i > 0) {
      EXPECT_LE(entries[i].rank, entries[i - 1].rank);
    }
  }
  EXPECT_FLOAT_EQ(entries[0].rank, 1.0f);
  EXPECT_LT(entries.back().rank, entries[0].rank);
}

TEST_F(ResultListTest, RankedListWithFreeTextCarriesPercents) {
  Request request;
  request.flag(kItemRanking).constants().free_text("often");
  const SearchOutcome outcome = search(many_, request);
  const auto entries = list_all(outcome.result, true);
  ASSERT_FALSE(entries.empty());
  EXPECT_FLOAT_EQ(entries[0].rank, 100.0f);
  for (size_t i = 1; i < entries.size(); ++i) {
    EXPECT_LE(entries[i].rank, entries[i - 1].rank);
    EXPECT_GT(entries[i].rank, 1.0f);
  }
}

TEST_F(ResultListTest, RankingNeedsRankingData) {
  const SearchOutcome plain = search(many_, all_documents(false));
  EXPECT_EQ(KSVRANK(session_, plain.result, &diag_), 84);
  const uint32_t list = list_of(plain.result);
  const Request sort = sort_request();
  EXPECT_EQ(KSVSORT(session_, list, sort.length(), sort.data(), &diag_), 84);

  const SearchOutcome ranked = search(many_, all_documents(true));
  EXPECT_EQ(KSVRANK(session_, ranked.result, &diag_), 0);
  EXPECT_EQ(KSVRANK(session_, ranked.result, &diag_), 81);
}

TEST_F(ResultListTest, UnrankedListOfARankableResultHasNoRankValues) {
  const SearchOutcome ranked = search(many_, all_documents(true));
  const auto entries = list_all(ranked.result, false);
  ASSERT_EQ(entries.size(), static_cast<size_t>(kDocCount));
  for (const auto& entry : entries) EXPECT_FALSE(entry.has_rank);
}

TEST_F(ResultListTest, SortByRankKeepsRelevanceOrder) {
  Request request;
  request.flag(kItemRanking).constants().term("often");
  const SearchOutcome first = search(many_, request);
  const auto expected = list_all(first.result, true);

  const SearchOutcome second = search(many_, request);
  ASSERT_EQ(KSVRANK(session_, second.result, &diag_), 0);
  const uint32_t list = list_of(second.result);
  std::vector<ListedEntry> before;
  EXPECT_EQ(get(list, before), 1);
  const Request sort = sort_request();
  EXPECT_EQ(KSVSORT(session_, list, sort.length(), sort.data(), &diag_), 0);
  std::vector<ListedEntry> sorted;
  int32_t rc = 1;
  while (rc == 1) rc = get(list, sorted);
  EXPECT_EQ(rc, 0);
  ASSERT_EQ(sorted.size(), expected.size());
  for (size_t i = 0; i < sorted.size(); ++i) {
    EXPECT_EQ(sorted[i].document_id, expected[i].document_id);
    EXPECT_FLOAT_EQ(sorted[i].rank, expected[i].rank);
  }
}

TEST_F(ResultListTest, SortRequestsAreChecked) {
  const SearchOutcome ranked = search(many_, all_documents(true));
  ASSERT_EQ(KSVRANK(session_, ranked.result, &diag_), 0);
  const uint32_t list = list_of(ranked.result);
  const Request other_key = sort_request(1, 2);
  EXPECT_EQ(KSVSORT(session_, list, other_key.length(), other_key.data(), &diag_), 80);
  const Request other_order = sort_request(0, 1);
  EXPECT_EQ(KSVSORT(session_, list, other_order.length(), other_order.data(), &diag_), 80);
  Request missing;
  missing.start(kItemSort).byte(kItemSortKey, 1).end(kItemSort);
  EXPECT_EQ(KSVSORT(session_, list, missing.length(), missing.data(), &diag_), 18);
  Request doubled;
  doubled.start(kItemSort).byte(kItemSortKey, 1).byte(kItemSortKey, 1)
      .byte(kItemSortOrder, 1).end(kItemSort);
  EXPECT_EQ(KSVSORT(session_, list, doubled.length(), doubled.data(), &diag_), 18);
  const Request good = sort_request();
  for (uint32_t cut = 0; cut < good.length(); ++cut)
    EXPECT_EQ(KSVSORT(session_, list, cut, good.data(), &diag_), 18) << cut;
  EXPECT_EQ(KSVSORT(session_, ranked.result, good.length(), good.data(), &diag_), 25);
}

TEST_F(ResultListTest, OneListPerResultAndItOutlivesTheResult) {
  const SearchOutcome outcome = search(many_, all_documents(false));
  const uint32_t list = list_of(outcome.result);
  uint32_t again = 0, value = 0;
  EXPECT_EQ(KSVCREATERESULTLIST(session_, outcome.result, &again, &value, &diag_), 82);
  EXPECT_EQ(KSVDELETERESULT(session_, outcome.result, &diag_), 0);
  EXPECT_EQ(KSVDELETERESULT(session_, outcome.result, &diag_), 25);
  std::vector<ListedEntry> entries;
  EXPECT_EQ(get(list, entries), 1);
  EXPECT_EQ(entries.size(), 50u);
  EXPECT_EQ(KSVDELETERESULTLIST(session_, list, &diag_), 0);
  EXPECT_EQ(KSVDELETERESULTLIST(session_, list, &diag_), 25);
  EXPECT_EQ(get(list, entries), 25);
}

TEST_F(ResultListTest, NullOutputsAreRefused) {
  const SearchOutcome outcome = search(many_, all_documents(false));
  const Request request = all_documents(false);
  uint32_t handle = 0, found = 0, length = 0;
  unsigned char* answer = nullptr;
  EXPECT_EQ(KSVSEARCH(session_, many_, request.length(), request.data(), nullptr, &found, &diag_), 18);
  EXPECT_EQ(KSVSEARCH(session_, many_, request.length(), request.data(), &handle, nullptr, &diag_), 18);
  EXPECT_EQ(KSVCREATERESULTLIST(session_, outcome.result, nullptr, nullptr, &diag_), 18);
  const uint32_t list = list_of(outcome.result);
  EXPECT_EQ(KSVGETRESULTLIST(session_, list, nullptr, &answer, &diag_), 18);
  EXPECT_EQ(KSVGETRESULTLIST(session_, list, &length, nullptr, &diag_), 18);
  EXPECT_EQ(KSVGETRESULTLIST(session_, list, &length, &answer, nullptr), 1);
}

TEST_F(ResultListTest, SearchTargetMustBeAnIndexOrGroup) {
  const SearchOutcome outcome = search(many_, all_documents(false));
  EXPECT_EQ(search(outcome.result, all_documents(false)).rc, 25);
  EXPECT_EQ(search(session_, all_documents(false)).rc, 25);
  EXPECT_EQ(search(0, all_documents(false)).rc, 25);
  const Request request = all_documents(false);
  uint32_t result = 0, found = 0;
  EXPECT_EQ(KSVSEARCH(session_ + 999, many_, request.length(), request.data(), &result,
                      &found, &diag_), 27);
}

TEST_F(ResultListTest, LongDocumentIdentifierIsCutToOneItem) {
  const std::string title(70000, 'x');
  instance().add_index("LONG", {{"é.html", title + "é", "word", {}}});
  ASSERT_EQ(KSVENDSESSION(session_, &diag_), 0);
  ASSERT_EQ(start_session(), 0);
  const uint32_t index = open_ok("LONG");
  Request request;
  request.constants().term("word");
  const auto entries = list_all(search(index, request).result, false);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].document_id.size(), 0xFFFFu - 5);
  EXPECT_EQ(entries[0].document_id.substr(0, 8), "é.html;");
}

class GroupSearchTest : public ResultListTest {
 protected:
  uint32_t group_of(const std::vector<std::string>& names) {
    Request request;
    for (const auto& name : names) request.text(kItemIndexName, name);
    uint32_t group = 0;
    EXPECT_EQ(KSVCREATEINDEXGROUP(session_, request.length(), request.data(), &group, &diag_), 0);
    return group;
  }
  void scope(uint32_t group, const std::vector<std::pair<std::string, std::vector<std::string>>>& scopes) {
    Request request;
    request.start(kItemQueryScope);
    for (const auto& [name, values] : scopes) {
      request.start(kItemIndexScope).text(kItemIndexName, name);
      for (const auto& value : values) request.text(kItemScopeValue, value);
      request.end(kItemIndexScope);
    }
    request.end(kItemQueryScope);
    EXPECT_EQ(KSVADDQUERYSCOPE(session_, group, request.length(), request.data(), &diag_), 0);
  }
  std::multiset<std::string> names_found(uint32_t group, const std::string& word) {
    Request request;
    request.constants().term(word);
    std::multiset<std::string> names;
    for (const auto& entry : list_all(search(group, request).result, false))
      names.insert(entry.index_name + ":" + entry.document_id.substr(0, entry.document_id.find(';')));
    return names;
  }
};

TEST_F(GroupSearchTest, EntriesNameTheIndexTheyComeFrom) {
  open_ok("FEW");
  const uint32_t group = group_of({"MANY", "FEW"});
  const auto found = names_found(group, "rare");
  EXPECT_EQ(found, std::multiset<std::string>({"FEW:x/one.html"}));
  const auto common = names_found(group, "common");
  EXPECT_EQ(common.size(), static_cast<size_t>(kDocCount + 2));
  EXPECT_EQ(common.count("FEW:y/two.html"), 1u);
  EXPECT_EQ(common.count("MANY:part1/doc7.html"), 1u);
}

TEST_F(GroupSearchTest, EqualScopesFilterEveryMember) {
  open_ok("FEW");
  const uint32_t group = group_of({"MANY", "FEW"});
  scope(group, {{"MANY", {"x", "part1"}}, {"FEW", {"x", "part1"}}});
  const auto found = names_found(group, "common");
  EXPECT_EQ(found.size(), static_cast<size_t>(kDocCount / 3 + 1));
  EXPECT_EQ(found.count("FEW:x/one.html"), 1u);
}

TEST_F(GroupSearchTest, EachMemberKeepsItsOwnScope) {
  open_ok("FEW");
  const uint32_t group = group_of({"MANY", "FEW"});
  scope(group, {{"FEW", {"y"}}});  // MANY stays unscoped
  auto found = names_found(group, "common");
  EXPECT_EQ(found.size(), static_cast<size_t>(kDocCount + 1));
  EXPECT_EQ(found.count("FEW:y/two.html"), 1u);
  EXPECT_EQ(found.count("FEW:x/one.html"), 0u);

  scope(group, {{"MANY", {"part2"}}});
  found = names_found(group, "common");
  EXPECT_EQ(found.size(), static_cast<size_t>(kDocCount / 3 + 1));
  EXPECT_EQ(found.count("MANY:part2/doc2.html"), 1u);
  EXPECT_EQ(found.count("MANY:part0/doc0.html"), 0u);
}

}  // namespace
}  // namespace zeb::testing
