#include "admin/spelling_variants.h"

#include <gtest/gtest.h>
#include <xapian.h>

#include <algorithm>
#include <random>
#include <set>

namespace zeb::admin {
namespace {

std::u32string u32(const std::string& utf8) {
  std::u32string out;
  for (Xapian::Utf8Iterator it(utf8); it != Xapian::Utf8Iterator(); ++it) out.push_back(*it);
  return out;
}

size_t distance(const std::string& a, const std::string& b, size_t limit = 5) {
  return edit_distance(u32(a), u32(b), limit);
}

const std::vector<std::string>* variants_of(const std::vector<SpellingGroup>& groups,
                                            const std::string& key) {
  for (const auto& group : groups)
    if (group.key == key) return &group.variants;
  return nullptr;
}

TEST(EditDistance, CountsInsertDeleteReplaceAndSwap) {
  EXPECT_EQ(distance("table", "table"), 0u);
  EXPECT_EQ(distance("table", "tables"), 1u);   // insert
  EXPECT_EQ(distance("table", "tabe"), 1u);     // delete
  EXPECT_EQ(distance("table", "cable"), 1u);    // replace
  EXPECT_EQ(distance("table", "tbale"), 1u);    // swap
  EXPECT_EQ(distance("retrieval", "retreival"), 1u);
  EXPECT_EQ(distance("kitten", "sitting"), 3u);
  EXPECT_EQ(distance("ca", "abc"), 3u);  // no edit of a swapped pair
  EXPECT_EQ(distance("", "abc"), 3u);
  EXPECT_EQ(distance("m\xC3\xBCnchen", "munchen"), 1u);  // letters, not bytes
  EXPECT_EQ(distance("abcdefgh", "hgfedcba", 2), 3u);   // stops past the limit
  EXPECT_EQ(distance("ab", "abcdef", 2), 3u);
}

TEST(Misspellings, RarerNearWordsOfFrequentWordsAreListed) {
  const std::vector<VocabularyWord> vocabulary = {
      {"retrieval", 8}, {"retreival", 1}, {"retrival", 2},  // planted misspellings
      {"table", 40},    {"tables", 3},    {"tabel", 1},     // a plural is no misspelling
      {"then", 30},     {"than", 25},                       // two common words
      {"database", 12}, {"databsae", 2},  {"dtabase", 1},
      {"lonely", 1},    {"lonley", 1},                      // a key needs two documents
      {"ab", 20},       {"abc", 1},                         // too short to be a key
      {"x86", 9},       {"x87", 1},                         // not alphabetic
  };
  const auto groups = find_misspellings(vocabulary);
  ASSERT_NE(variants_of(groups, "retrieval"), nullptr);
  EXPECT_EQ(*variants_of(groups, "retrieval"), (std::vector<std::string>{"retrival", "retreival"}));
  EXPECT_EQ(*variants_of(groups, "table"), std::vector<std::string>{"tabel"});
  EXPECT_EQ(*variants_of(groups, "database"), (std::vector<std::string>{"databsae", "dtabase"}));
  for (const char* no_key : {"then", "than", "lonely", "lonley", "ab", "x86", "tabel"})
    EXPECT_EQ(variants_of(groups, no_key), nullptr) << no_key;
  EXPECT_TRUE(std::is_sorted(groups.begin(), groups.end(),
                             [](const auto& a, const auto& b) { return a.key < b.key; }));
}

TEST(Misspellings, ShortWordsAllowOneEditLongWordsTwo) {
  const auto groups = find_misspellings({
      {"house", 10}, {"hosue", 1}, {"huose", 1}, {"hxsue", 1},     // 2 edits: too many
      {"permission", 10}, {"permision", 1}, {"premision", 1}, {"prmisin", 1},
  });
  EXPECT_EQ(*variants_of(groups, "house"), (std::vector<std::string>{"hosue", "huose"}));
  EXPECT_EQ(*variants_of(groups, "permission"), (std::vector<std::string>{"permision", "premision"}));
}

// Every pair compared, the rule applied as written: the reference the
// deletion neighbourhood must agree with.
std::vector<SpellingGroup> brute_force(const std::vector<VocabularyWord>& vocabulary) {
  const Xapian::Stem stemmer("english");
  std::vector<SpellingGroup> groups;
  std::vector<VocabularyWord> sorted = vocabulary;
  std::sort(sorted.begin(), sorted.end(), [](auto& a, auto& b) { return a.word < b.word; });
  for (const auto& key : sorted) {
    const size_t letters = u32(key.word).size();
    if (key.documents < kMinKeyDocuments) continue;
    std::vector<const VocabularyWord*> found;
    for (const auto& other : sorted) {
      const size_t limit = letters >= kLongWordLetters ? 2 : 1;
      if (other.documents * kRarityFactor > key.documents) continue;
      if (distance(key.word, other.word, limit) > limit) continue;
      if (stemmer(key.word) == stemmer(other.word)) continue;
      found.push_back(&other);
    }
    if (found.empty()) continue;
    std::stable_sort(found.begin(), found.end(),
                     [](auto* a, auto* b) { return a->documents > b->documents; });
    SpellingGroup group{key.word, {}};
    for (auto* v : found) group.variants.push_back(v->word);
    groups.push_back(group);
  }
  return groups;
}

TEST(Misspellings, AgreeWithComparingEveryPairWhateverTheOrder) {
  std::mt19937 random(20240607);
  const std::string letters = "aeinorst";
  std::vector<VocabularyWord> vocabulary;
  std::set<std::string> seen;
  while (vocabulary.size() < 1500) {
    std::string word;
    const size_t length = 3 + random() % 8;
    for (size_t i = 0; i < length; ++i) word += letters[random() % letters.size()];
    if (!seen.insert(word).second) continue;
    vocabulary.push_back({word, 1 + static_cast<unsigned>(random() % 7)});
  }
  const auto expected = brute_force(vocabulary);
  ASSERT_GT(expected.size(), 50u);
  const auto found = find_misspellings(vocabulary);
  ASSERT_EQ(found.size(), expected.size());
  for (size_t i = 0; i < found.size(); ++i) {
    EXPECT_EQ(found[i].key, expected[i].key);
    EXPECT_EQ(found[i].variants, expected[i].variants) << found[i].key;
  }
  std::shuffle(vocabulary.begin(), vocabulary.end(), random);
  const auto shuffled = find_misspellings(vocabulary);
  ASSERT_EQ(shuffled.size(), found.size());
  for (size_t i = 0; i < found.size(); ++i) EXPECT_EQ(shuffled[i].variants, found[i].variants);
}

}  // namespace
}  // namespace zeb::admin
