// The first window of a search whose title-start part is weighed apart is
// the window of the whole query: the same documents in the same order with
// the same weights, equal weights in document order.
#include "backend/title_start_split.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backend/built_query.h"
#include "backend/ranking_weight.h"
#include "backend/title_key.h"

namespace zeb::testing {
namespace {

// Enough pages with "common" for the split to pay; many of them alike, so
// that equal weights must keep document order. Three titles start with
// "common", and their pages rank first also by their words alone; "shared"
// starts more titles than are weighed apart.
void write_pages(const std::string& dir) {
  Xapian::WritableDatabase db(dir, Xapian::DB_CREATE_OR_OVERWRITE | Xapian::DB_NO_SYNC);
  Xapian::TermGenerator generator;
  const Xapian::Stem stemmer(backend::kStemLanguage);
  generator.set_stemmer(stemmer);
  generator.set_stemming_strategy(Xapian::TermGenerator::STEM_SOME);
  for (Xapian::doccount i = 0; i < backend::kMinSplitMatches + 100; ++i) {
    const bool starts = i == 17 || i == 2500 || i == backend::kMinSplitMatches + 99;
    const std::string title = starts ? "Common ground"
                              : i % 60 == 0 ? "Shared entry"
                                            : "Entry " + std::to_string(i % 5);
    std::string text = "shared";
    for (Xapian::doccount n = 0; n <= i % 4; ++n) text += " common";
    for (Xapian::doccount n = 0; n < i % 3; ++n) text += " filler words";
    if (starts) text += " common common common common";  // first also without the title start
    Xapian::Document doc;
    generator.set_document(doc);
    generator.index_text(title);
    generator.increase_termpos();
    generator.index_text(text);
    for (const auto& [term, count] : backend::title_start_terms(title, stemmer)) doc.add_term(term, count);
    doc.add_boolean_term(backend::kPathPrefix + std::to_string(i));
    db.add_document(doc);
  }
  db.commit();
}

TEST(TitleStartSplit, FirstWindowIsTheWholeQuerysWindow) {
  TestInstance instance;
  const std::string dir = instance.dir() + "/db";
  write_pages(dir);
  const Xapian::Database db(dir);

  Request free;
  free.constants().free_text("common");
  Request words;
  words.constants().flag(kItemRanking).term("common");
  Request shared;
  shared.constants().free_text("shared");
  for (const Request* request : {&free, &words, &shared}) {
    const backend::BuiltQuery query = built_query(db, *request);
    SCOPED_TRACE(query.query.get_description());
    ASSERT_FALSE(query.title_start.empty());
    for (const Xapian::doccount count : {1u, 51u, 400u}) {
      std::vector<backend::WindowEntry> split;
      Xapian::MSet counts;
      const bool done = backend::split_first_window(db, backend::ranking_weight(), query.query,
                                                    query.title_start, query.without_title_start,
                                                    count, split, counts);
      if (request == &shared) {  // its title starts are too many to weigh apart
        EXPECT_FALSE(done);
        continue;
      }
      ASSERT_TRUE(done);
      Xapian::Enquire whole(db);
      whole.set_weighting_scheme(backend::ranking_weight());
      whole.set_query(query.query);
      const Xapian::MSet expected = whole.get_mset(0, count);
      ASSERT_EQ(split.size(), expected.size());
      size_t at = 0;
      for (auto it = expected.begin(); it != expected.end(); ++it, ++at) {
        EXPECT_EQ(split[at].id, *it) << "entry " << at;
        EXPECT_EQ(split[at].weight, it.get_weight()) << "entry " << at;
      }
      EXPECT_EQ(counts.get_matches_estimated(), expected.get_matches_estimated());
    }
  }
}

}  // namespace
}  // namespace zeb::testing
