// Ranking over an index zebadm built: where a word stands in a document
// (title, heading, name, running text) decides how high the document ranks,
// and rank values keep their ranges.
#include <gtest/gtest.h>

#include <set>

#include "zebadm_instance.h"

namespace zeb::testing {
namespace {

std::string page(const std::string& title, const std::string& body) {
  return "<html><head><title>" + title + "</title></head><body>" + body + "</body></html>";
}

// The same word once in each place, in pages of about the same length.
const std::map<std::string, std::string> kPlaces = {
    {"title.html", page("Vacuum", "<p>Reclaims storage held by dead rows in tables.</p>")},
    {"heading.html", page("Routine work", "<h2>Vacuum</h2><p>Reclaims storage held by rows.</p>")},
    {"name.html", page("Commands", "<p>Run <code>vacuum</code> to reclaim storage in tables.</p>")},
    {"body.html", page("Storage", "<p>Reclaims storage: a vacuum of dead rows in tables.</p>")},
    {"other.html", page("Unrelated", "<p>Nothing to see in these tables.</p>")},
};

class Ranking : public ZebadmInstance {};

TEST_F(Ranking, TitleAboveHeadingAboveNameAboveRunningText) {
  build(kPlaces);
  const std::vector<std::string> order = {"title.html", "heading.html", "name.html", "body.html"};
  EXPECT_EQ(paths(ranked(free_text("vacuum"))), order);
  EXPECT_EQ(paths(ranked(ranked_words({"vacuum"}))), order);
  // Other forms of the word rank the same way through its stem.
  EXPECT_EQ(paths(ranked(free_text("vacuums"))), order);
}

TEST_F(Ranking, TitleThatIsOrStartsWithTheQueryRanksAboveMentions) {
  build({
      {"mentions.html", page("Maintenance", "<h2>Vacuum and analyze</h2><p>" +
                                                std::string(8, ' ') +
                                                "Vacuum, then analyze. Vacuum analyze often; "
                                                "analyze after vacuum.</p>")},
      {"starts.html", page("VACUUM ANALYZE options", "<p>The options of both.</p>")},
      {"is.html", page("Vacuum analyze", "<p>Both at once.</p>")},
      {"ends.html", page("Options of vacuum analyze", "<p>Both at once.</p>")},
  });
  const auto found = paths(ranked(free_text("vacuum analyze")));
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[0], "is.html");
  EXPECT_EQ(found[1], "starts.html");
  EXPECT_EQ(paths(ranked(ranked_words({"vacuum", "analyze"})))[0], "is.html");
  EXPECT_EQ(paths(ranked(ranked_words({"vacuum analyze"})))[0], "is.html");  // a phrase
}

TEST_F(Ranking, TheWordsOwnFormRanksAboveOtherFormsOfItsStem) {
  build({
      {"own.html", page("Strings", "<p>repeat the text</p>")},
      {"other.html", page("Isolation", "<p>repeatable reads, repeatable</p>")},
  });
  EXPECT_EQ(paths(ranked(free_text("repeat"))), (std::vector<std::string>{"own.html", "other.html"}));
}

TEST_F(Ranking, RankValuesKeepTheirRangesAndTheBestMatchTheTopStar) {
  build(kPlaces);
  // Free text: percent; the best match holds every word.
  const auto free = ranked(free_text("vacuum storage"));
  ASSERT_GE(free.size(), 2u);
  EXPECT_FLOAT_EQ(free[0].rank, 100.0f);
  for (const RankedEntry& entry : free) {
    EXPECT_GE(entry.rank, 1.0f);
    EXPECT_LE(entry.rank, 100.0f);
    EXPECT_EQ(entry.rank, static_cast<float>(static_cast<int>(entry.rank)));  // whole percent
  }
  // The best match holds one of two words: half of the top value at most.
  const auto half = ranked(free_text("vacuum nosuchword"));
  ASSERT_FALSE(half.empty());
  EXPECT_FLOAT_EQ(half[0].rank, 50.0f);
  // Free text of stop words and one word: the word alone counts.
  EXPECT_FLOAT_EQ(ranked(free_text("the vacuum"))[0].rank, 100.0f);

  // Words without free text: a fraction.
  const auto words = ranked(ranked_words({"vacuum"}));
  ASSERT_EQ(words.size(), 4u);
  EXPECT_FLOAT_EQ(words[0].rank, 1.0f);
  for (const RankedEntry& entry : words) {
    EXPECT_GT(entry.rank, 0.0f);
    EXPECT_LE(entry.rank, 1.0f);
  }
  // Words joined by OR keep the engine's own reckoning: the best match
  // holds one of two words.
  Request either;
  either.constants().flag(kItemRanking).term("vacuum").flag(kItemOr).term("nosuchword");
  EXPECT_FLOAT_EQ(ranked(either)[0].rank, 0.5f);
}

TEST_F(Ranking, TitleStartsOfAWordOnEveryPageFirstWithAndWithoutScope) {
  // Enough pages for the title starts to be weighed apart (title_start_split.h).
  std::map<std::string, std::string> pages;
  for (int i = 0; i < 4200; ++i) {
    const std::string title = i % 1000 == 7 || i % 1000 == 8 ? "Common ground" : "Entry";
    pages[(i % 2 == 0 ? "a/" : "b/") + std::to_string(i) + ".html"] =
        page(title, "<p>common" + std::string(i % 3 == 0 ? " common" : "") + " n" +
                        std::to_string(i) + "</p>");  // no two alike: copies are folded
  }
  build(pages);
  Request scoped = free_text("common");
  scoped.start(kItemQueryScope).text(kItemScopeValue, "a").end(kItemQueryScope);
  const std::vector<std::string> all = paths(ranked(free_text("common")));
  const std::vector<std::string> in_a = paths(ranked(scoped));

  // Every page once, read window by window; the title starts first.
  ASSERT_EQ(all.size(), 4200u);
  EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), all.size());
  EXPECT_EQ(std::set<std::string>(all.begin(), all.begin() + 10),
            (std::set<std::string>{"b/7.html", "a/8.html", "b/1007.html", "a/1008.html",
                                   "b/2007.html", "a/2008.html", "b/3007.html", "a/3008.html",
                                   "b/4007.html", "a/4008.html"}));
  // A scope only leaves pages out: the order of the others stays.
  std::vector<std::string> expected;
  for (const std::string& path : all)
    if (path.rfind("a/", 0) == 0) expected.push_back(path);
  EXPECT_EQ(in_a, expected);
}

}  // namespace
}  // namespace zeb::testing
