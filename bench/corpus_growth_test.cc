#include "corpus_growth.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "page_variants.h"

namespace zeb::bench {
namespace {

namespace fs = std::filesystem;

std::string page(const std::string& title, const std::vector<std::string>& paragraphs) {
  return write_dictionary_page({title, "dictionary", paragraphs});
}

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::multiset<std::string> words(const std::vector<std::string>& paragraphs) {
  std::multiset<std::string> out;
  for (const std::string& p : paragraphs) {
    std::istringstream in(p);
    for (std::string w; in >> w;) out.insert(w);
  }
  return out;
}

TEST(PageVariants, ReadsOnlyTheDictionaryLayoutAndWritesItBack) {
  const std::string html = page("Wariness", {"Wariness \\Wa&quot;ri*ness\\, n.\n   Care.", "Syn: x."});
  const auto parsed = parse_dictionary_page(html);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->title, "Wariness");
  EXPECT_EQ(parsed->paragraphs.size(), 2u);
  EXPECT_EQ(write_dictionary_page(*parsed), html);
  for (const std::string& bad : {std::string("<html><body>x</body></html>\n"),
                                 html.substr(0, html.size() - 1), html.substr(0, 120)})
    EXPECT_FALSE(parse_dictionary_page(bad)) << bad;
}

TEST(PageVariants, AVariantHoldsItsOwnWordsAndOneParagraphOfItsPartner) {
  const DictionaryPage own{"Horse", "dictionary",
                           {"A hoofed animal. It runs; it eats hay.", "Syn: steed.\n   [1913 Webster]"}};
  const DictionaryPage partner{"Water", "dictionary", {"A clear liquid. It falls as rain."}};
  const DictionaryPage a = page_variant(own, partner, 7);
  EXPECT_EQ(write_dictionary_page(a), write_dictionary_page(page_variant(own, partner, 7)));
  EXPECT_EQ(a.title, "Horse, Water");
  EXPECT_EQ(a.keywords, own.keywords);
  ASSERT_EQ(a.paragraphs.size(), 3u);
  std::multiset<std::string> expected = words(own.paragraphs);
  expected.merge(words(partner.paragraphs));
  EXPECT_EQ(words(a.paragraphs), expected);
  // Other seeds give other orders: of 20, most differ from the first.
  std::set<std::string> distinct;
  for (uint64_t seed = 0; seed < 20; ++seed)
    distinct.insert(write_dictionary_page(page_variant(own, partner, seed)));
  EXPECT_GT(distinct.size(), 10u);
}

TEST(CorpusGrowth, GrowsATreeToTheCountTheSameWayEveryRunKeepingTheSourceFirst) {
  const fs::path root = fs::temp_directory_path() / ("zeb-grow-" + std::to_string(::getpid()));
  fs::remove_all(root);
  const std::vector<std::string> sources = {
      page("Ant", {"An insect. It is small."}),
      page("Bee", {"An insect; it makes honey.", "See Wasp."}),
      page("Cow", {"A domestic animal. It gives milk.", "Syn: kine."})};
  const char* folders[] = {"a", "b", "c"};
  for (size_t n = 0; n < sources.size(); ++n) {
    fs::create_directories(root / "src" / folders[n]);
    std::ofstream(root / "src" / folders[n] / (std::to_string(n) + ".html")) << sources[n];
  }
  std::string error;
  ASSERT_EQ(grow_dictionary_corpus((root / "src").string(), (root / "one").string(), 10, &error), 10)
      << error;
  ASSERT_EQ(grow_dictionary_corpus((root / "src").string(), (root / "two").string(), 10, &error), 10);
  std::set<std::string> pages;
  for (size_t k = 0; k < 10; ++k) {
    const fs::path file = fs::path(folders[k % 3]) / (std::to_string(k) + ".html");
    const std::string bytes = slurp(root / "one" / file);
    EXPECT_EQ(bytes, slurp(root / "two" / file)) << file;
    if (k < 3) {
      EXPECT_EQ(bytes, sources[k]);
    }
    EXPECT_TRUE(parse_dictionary_page(bytes)) << file;
    pages.insert(bytes);
  }
  EXPECT_EQ(pages.size(), 10u);  // no two alike, so none is folded as a copy

  // A source with a gap in its numbers is not a dictionary corpus.
  fs::rename(root / "src" / "b" / "1.html", root / "src" / "b" / "7.html");
  EXPECT_EQ(grow_dictionary_corpus((root / "src").string(), (root / "three").string(), 5, &error), -1);
  EXPECT_NE(error.find("no page 1.html"), std::string::npos) << error;
  fs::remove_all(root);
}

}  // namespace
}  // namespace zeb::bench
