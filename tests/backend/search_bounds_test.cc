// The bounds of one search: words of a phrase, the length of a mask, the
// vocabulary all masks of a search may read (shared by every mask and every
// index, the same mask read once), and the posting lists a query may open
// in every shard. Past a bound the answer is 22, never a partial search.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backend/engine_fixture.h"
#include "backend/query_builder.h"
#include "backend/search_bounds.h"
#include "backend/search_stream.h"

namespace zeb::testing {
namespace {

using backend::SearchBudget;

constexpr int kWordCount = 2000;

// w0 ... w1999, "lazy dog" and words of 15 to 64 a's.
std::vector<TestDocument> word_documents() {
  std::string many;
  for (int i = 0; i < kWordCount; ++i) many += " w" + std::to_string(i);
  std::string long_words;
  for (size_t length = 15; length <= 64; ++length) long_words += " " + std::string(length, 'a');
  return {{"a/many.html", "Many", many, {}},
          {"a/dog.html", "Dog", "the quick brown fox jumps over the lazy dog", {}},
          {"b/long.html", "Long", long_words, {}}};
}

// `count` words joined by blanks: w0 w1 ...
std::string words(int count, int first = 0) {
  std::string text;
  for (int i = first; i < first + count; ++i) text += (text.empty() ? "w" : " w") + std::to_string(i);
  return text;
}

Request terms(std::initializer_list<std::string> texts) {
  Request request;
  request.constants();
  bool first = true;
  for (const std::string& text : texts) {
    if (!first) request.flag(kItemOr);
    request.term(text);
    first = false;
  }
  return request;
}

class SearchBoundsTest : public EngineTest {
 protected:
  void SetUp() override {
    instance().add_index("WORDS", word_documents());
    instance().add_index("COPY", word_documents());
  }

  Xapian::Database database(const std::string& name) {
    return Xapian::Database(instance().dir() + "/data/" + name + "/" + backend::kXapianDirName);
  }

  // Builds the query of `request` over the named indexes, as a search does.
  int build(const Request& request, SearchBudget& budget,
            std::initializer_list<std::string> indexes = {"WORDS"}) {
    backend::ParsedSearch parsed;
    EXPECT_EQ(backend::parse_search_stream(request.data(), request.length(), parsed), 0);
    backend::QueryTarget target;
    for (const std::string& name : indexes) {
      target.db.add_database(database(name));
      target.vocabularies.push_back({database(name), false, {}});
    }
    const std::vector<Xapian::Database> shards;
    const std::vector<bool> remote;
    const backend::RemoteTermCounts counts;
    backend::WeightlessParts parts(shards, remote, false, counts);
    backend::BuiltQuery built;
    return backend::build_query(target, parsed, parts, budget, built);
  }

  // The words the request's masks read with an ample budget.
  uint64_t words_read(const Request& request, std::initializer_list<std::string> indexes = {"WORDS"}) {
    SearchBudget budget(UINT64_MAX, UINT64_MAX);
    EXPECT_EQ(build(request, budget, indexes), 0);
    return budget.words_read();
  }

  int build_within(const Request& request, uint64_t scan_words,
                   std::initializer_list<std::string> indexes = {"WORDS"}) {
    SearchBudget budget(scan_words, backend::kMaxPostingLists);
    return build(request, budget, indexes);
  }
};

TEST_F(SearchBoundsTest, MaskReadsTheVocabularyUntilTheBudgetIsSpent) {
  const Request leading = terms({"*7"});
  const uint64_t all = words_read(leading);
  EXPECT_GT(all, static_cast<uint64_t>(kWordCount));  // every word was read
  EXPECT_EQ(build_within(leading, all), 0);
  EXPECT_EQ(build_within(leading, all - 1), 22);
  // A literal beginning reads only the words that have it.
  EXPECT_LT(words_read(terms({"w19*"})), 200u);
}

TEST_F(SearchBoundsTest, MasksAndIndexesShareOneBudgetAndAMaskIsReadOnce) {
  const uint64_t one = words_read(terms({"*7"}));
  EXPECT_EQ(words_read(terms({"*7", "*7", "*7"})), one);
  EXPECT_EQ(build_within(terms({"*7", "*7", "*7"}), one), 0);

  const Request two_masks = terms({"*7", "*8"});
  EXPECT_EQ(words_read(two_masks), 2 * one);
  EXPECT_EQ(build_within(two_masks, 2 * one - 1), 22);

  const Request leading = terms({"*7"});
  EXPECT_EQ(words_read(leading, {"WORDS", "COPY"}), 2 * one);
  EXPECT_EQ(build_within(leading, 2 * one - 1, {"WORDS", "COPY"}), 22);
}

TEST_F(SearchBoundsTest, BacktrackingMaskPaysForItsComparisons) {
  // Against words of a's, each '*' retry compares the whole run of a's.
  const uint64_t plain = words_read(terms({"*ab"}));
  const uint64_t backtracking = words_read(terms({"*" + std::string(30, 'a') + "b"}));
  EXPECT_GT(backtracking, plain + 100);
}

TEST_F(SearchBoundsTest, PostingListsCountInEveryShard) {
  auto lists = [&](const Request& request, std::initializer_list<std::string> indexes) {
    SearchBudget budget(UINT64_MAX, UINT64_MAX);
    EXPECT_EQ(build(request, budget, indexes), 0);
    return budget.lists_opened();
  };
  Request free_text;
  free_text.constants().free_text(words(100));
  EXPECT_EQ(lists(free_text, {"WORDS"}), 100u);
  EXPECT_EQ(lists(free_text, {"WORDS", "COPY"}), 200u);
  // A phrase word costs more (its positions); a mask counts its alternatives.
  EXPECT_EQ(lists(terms({"lazy dog"}), {"WORDS"}), 2 * backend::kPhraseWordLists);
  EXPECT_EQ(lists(terms({"w1??"}), {"WORDS", "COPY"}), 200u);
  EXPECT_EQ(lists(terms({"lazy d*"}), {"WORDS"}), 2 * backend::kPhraseWordLists);  // "dog" only
}

TEST_F(SearchBoundsTest, QueryOpeningTooManyPostingListsIsTooComplex) {
  ASSERT_EQ(start_session(), 0);
  const uint32_t index = open_ok("WORDS");
  auto free_text = [](int count) {
    Request request;
    request.constants().free_text(words(count));
    return request;
  };
  const int most = static_cast<int>(backend::kMaxPostingLists);
  EXPECT_EQ(search(index, free_text(most)).rc, 0);
  const SearchOutcome over = search(index, free_text(most + 1));
  EXPECT_EQ(over.rc, 22);
  EXPECT_EQ(over.result, 0u);

  open_ok("COPY");
  Request members;
  members.text(kItemIndexName, "WORDS").text(kItemIndexName, "COPY");
  uint32_t group = 0;
  ASSERT_EQ(KSVCREATEINDEXGROUP(session_, members.length(), members.data(), &group, &diag_), 0);
  EXPECT_EQ(search(group, free_text(most / 2)).rc, 0);
  EXPECT_EQ(search(group, free_text(most / 2 + 1)).rc, 22);
}

TEST_F(SearchBoundsTest, PhraseOfMoreThanMostWordsIsTooComplex) {
  ASSERT_EQ(start_session(), 0);
  const uint32_t index = open_ok("WORDS");
  const int most = static_cast<int>(backend::kMaxPhraseWords);
  const SearchOutcome longest = search(index, terms({words(most)}));
  EXPECT_EQ(longest.rc, 0);
  EXPECT_EQ(longest.found, 1u);
  EXPECT_EQ(search(index, terms({words(most + 1)})).rc, 22);
  // Masked pieces are words of the phrase as well.
  EXPECT_EQ(search(index, terms({words(most - 1) + " w3?"})).rc, 0);
  EXPECT_EQ(search(index, terms({words(most) + " w3?"})).rc, 22);
}

TEST_F(SearchBoundsTest, MaskLongerThanMostCharactersIsTooComplex) {
  ASSERT_EQ(start_session(), 0);
  const uint32_t index = open_ok("WORDS");
  const size_t most = backend::kMaxMaskLength;
  EXPECT_EQ(search(index, terms({"*" + std::string(most - 1, 'a')})).found, 1u);
  EXPECT_EQ(search(index, terms({"*" + std::string(most, 'a')})).rc, 22);
  // Runs of '*' mean one.
  EXPECT_EQ(search(index, terms({"w1999" + std::string(500, '*')})).found, 1u);
}

}  // namespace
}  // namespace zeb::testing
