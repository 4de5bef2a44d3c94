#include "reference_query.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "backend/index_schema.h"

namespace zeb::bench {
namespace {

using Docs = std::set<Xapian::docid>;

// Appends rather than using operator+, which trips a false -Wrestrict in GCC 12.
std::string prefixed(const char* prefix, const std::string& text) {
  std::string term = prefix;
  term += text;
  return term;
}

// Documents indexed the way zebadm lays them out: unstemmed words with
// positions, and Z-prefixed stems.
class ReferenceQueryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zeb-refq-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    Xapian::WritableDatabase db(dir_ + "/xapian", Xapian::DB_CREATE);
    add(db, "tables and indexes");        // 1
    add(db, "a table of views");          // 2
    add(db, "index views only");          // 3
    add(db, "foreign key constraints");   // 4
    add(db, "key foreign order");         // 5
    db.commit();
    db_ = Xapian::Database(dir_ + "/xapian");
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  static void add(Xapian::WritableDatabase& db, const std::string& text) {
    const Xapian::Stem stem(backend::kStemLanguage);
    Xapian::Document doc;
    Xapian::termpos pos = 0;
    for (const std::string& word : split_words(text)) {
      doc.add_posting(word, ++pos);
      doc.add_term(prefixed(backend::kStemPrefix, stem(word)));
    }
    // Prefixed terms that a mask must never reach.
    doc.add_term(prefixed(backend::kKeywordPrefix, "portable"));
    doc.add_term(prefixed(backend::kPathPrefix, "doc" + std::to_string(pos) + ".html"));
    doc.set_data("doc.html;" + text);
    db.add_document(doc);
  }

  Docs search(QueryKind kind, const std::string& text, Ranking ranking = Ranking::kEngine) {
    Xapian::Enquire enquire(db_);
    enquire.set_query(build_query(db_, kind, text, ranking));
    Docs found;
    const Xapian::MSet mset = enquire.get_mset(0, 100);
    for (auto it = mset.begin(); it != mset.end(); ++it) found.insert(*it);
    return found;
  }

  std::string dir_;
  Xapian::Database db_;
};

TEST_F(ReferenceQueryTest, FreeTextOrsStemsAndDropsStopWords) {
  EXPECT_EQ(search(QueryKind::kFree, "Tables"), (Docs{1, 2}));
  EXPECT_EQ(search(QueryKind::kFree, "the table, ORDER"), (Docs{1, 2, 5}));
  EXPECT_EQ(search(QueryKind::kFree, "the of and"), Docs{});
}

TEST_F(ReferenceQueryTest, WordsCombineLeftToRight) {
  EXPECT_EQ(search(QueryKind::kWords, "table and view"), (Docs{2}));
  EXPECT_EQ(search(QueryKind::kWords, "table not indexes"), (Docs{2}));
  // ((index or table) not view), not (index or (table not view)).
  EXPECT_EQ(search(QueryKind::kWords, "index or table not view"), (Docs{1}));
  // A word without an operator before it is ANDed.
  EXPECT_EQ(search(QueryKind::kWords, "key order"), (Docs{5}));
}

TEST_F(ReferenceQueryTest, MaskExpandsOverUnstemmedWordsOnly) {
  EXPECT_EQ(search(QueryKind::kMask, "ta*"), (Docs{1, 2}));
  EXPECT_EQ(search(QueryKind::kMask, "VIE?S"), (Docs{2, 3}));
  // Every document has the keyword "portable" and a Q path term.
  EXPECT_EQ(search(QueryKind::kMask, "*able"), (Docs{2}));
  EXPECT_EQ(search(QueryKind::kMask, "*.html"), Docs{});
  EXPECT_EQ(search(QueryKind::kMask, "zz*"), Docs{});
}

TEST_F(ReferenceQueryTest, PhraseNeedsAdjacentWordsInOrder) {
  EXPECT_EQ(search(QueryKind::kPhrase, "foreign key"), (Docs{4}));
  EXPECT_EQ(search(QueryKind::kPhrase, "key foreign"), (Docs{5}));
  EXPECT_EQ(search(QueryKind::kPhrase, "order"), (Docs{5}));
}

TEST_F(ReferenceQueryTest, PlainSearchTakesEveryWordAsItStands) {
  EXPECT_EQ(search(QueryKind::kFree, "Tables", Ranking::kPlain), (Docs{1}));
  EXPECT_EQ(search(QueryKind::kFree, "the table, ORDER", Ranking::kPlain), (Docs{2, 5}));
  EXPECT_EQ(search(QueryKind::kWords, "table and view", Ranking::kPlain), Docs{});
  EXPECT_EQ(search(QueryKind::kWords, "table or views", Ranking::kPlain), (Docs{2, 3}));
  EXPECT_EQ(search(QueryKind::kPhrase, "foreign key", Ranking::kPlain), (Docs{4}));
}

TEST(MaskMatches, StarIsAnyRunAndQuestionMarkOneCharacter) {
  struct Case {
    const char* pattern;
    const char* word;
    bool match;
  } cases[] = {
      {"ta?le", "table", true},   {"ta?le", "tale", false},    {"ta?le", "tabble", false},
      {"*", "", true},            {"*", "anything", true},     {"?", "", false},
      {"a*b*c", "axxbyyc", true}, {"a*b*c", "axxbyy", false},  {"a*c", "abcbc", true},
      {"*ing", "string", true},   {"*ing", "stringy", false},  {"tab*", "ta", false},
      {"?", "\xC3\xA9", true},    {"??", "\xC3\xA9", false},   {"caf?", "caf\xC3\xA9", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(mask_matches(c.pattern, c.word), c.match) << c.pattern << " / " << c.word;
  }
}

TEST(SplitWords, LowerCasedRunsOfLettersAndDigits) {
  EXPECT_EQ(split_words("Hello, WORLD-wide 42"),
            (std::vector<std::string>{"hello", "world", "wide", "42"}));
  EXPECT_EQ(split_words("  caf\xC3\xA9!"), (std::vector<std::string>{"caf\xC3\xA9"}));
  EXPECT_TRUE(split_words(" ,;- ").empty());
}

}  // namespace
}  // namespace zeb::bench
