// Indexes of an earlier format: they still answer every search, and
// zebadm update brings them to the current format.
#include <gtest/gtest.h>
#include <xapian.h>

#include <algorithm>

#include "backend/index_schema.h"
#include "zebadm_instance.h"

namespace zeb::testing {
namespace {

const std::map<std::string, std::string> kDocs = {
    {"vacuum.html", "<title>Vacuum</title><h2>Reclaiming storage</h2><p>Dead rows go.</p>"},
    {"guide/analyze.html",
     "<title>Analyze</title><p>Statistics for the planner; vacuum first.</p>"},
    {"notes.txt", "Release notes\nvacuum is faster, storage reclaimed\n"},
};

class IndexFormat : public ZebadmInstance {
 protected:
  std::string format() const {
    return Xapian::Database(database_dir()).get_metadata(backend::kFormatKey);
  }
  size_t title_start_terms() const {
    const Xapian::Database db(database_dir());
    const std::string prefix = backend::kTitleStartPrefix;
    return static_cast<size_t>(std::distance(db.allterms_begin(prefix), db.allterms_end(prefix)));
  }
  // Makes the index what the earlier version left: no title-start terms,
  // no format marker; documents, paths, sizes and times as they are.
  void make_earlier() {
    Xapian::WritableDatabase db(database_dir(), Xapian::DB_OPEN);
    for (auto id = db.postlist_begin(""); id != db.postlist_end(""); ++id) {
      Xapian::Document doc = db.get_document(*id);
      std::vector<std::string> gone;
      for (auto term = doc.termlist_begin(); term != doc.termlist_end(); ++term)
        if ((*term).rfind(backend::kTitleStartPrefix, 0) == 0) gone.push_back(*term);
      for (const std::string& term : gone) doc.remove_term(term);
      db.replace_document(*id, doc);
    }
    db.set_metadata(backend::kFormatKey, "");
    db.commit();
  }
  // What each kind of search finds, sorted.
  std::vector<std::vector<std::string>> answers() {
    Request phrase, masked, either;
    phrase.constants().flag(kItemRanking).term("dead rows");
    masked.constants().flag(kItemRanking).term("stor*");
    either.constants().flag(kItemRanking).term("planner").flag(kItemOr).term("faster");
    std::vector<std::vector<std::string>> found;
    for (const Request& request : {free_text("vacuum storage"), ranked_words({"vacuum"}), phrase,
                                   masked, either}) {
      std::vector<std::string> listed = paths(ranked(request));
      std::sort(listed.begin(), listed.end());
      found.push_back(listed);
    }
    return found;
  }
};

TEST_F(IndexFormat, CreateMakesTheCurrentFormat) {
  build(kDocs);
  EXPECT_EQ(format(), std::to_string(backend::kIndexFormat));
  EXPECT_GT(title_start_terms(), 0u);
  const auto again = admin({"update", "DOCS"});
  EXPECT_NE(again.out.find("0 documents indexed, 3 unchanged"), std::string::npos) << again.out;
  EXPECT_EQ(again.err.find("earlier version"), std::string::npos);
}

TEST_F(IndexFormat, EarlierIndexAnswersUntilUpdateIndexesItAgain) {
  build(kDocs);
  const auto current = answers();
  make_earlier();
  ASSERT_EQ(format(), "");
  ASSERT_EQ(title_start_terms(), 0u);
  EXPECT_EQ(answers(), current);
  const auto top = ranked(free_text("vacuum"));
  ASSERT_FALSE(top.empty());
  EXPECT_FLOAT_EQ(top[0].rank, 100.0f);

  // Adding single documents leaves the rest as they were: still earlier.
  const auto added = admin({"add", "DOCS", docs() + "/vacuum.html"});
  ASSERT_EQ(added.status, 0) << added.err;
  EXPECT_EQ(format(), "");

  const auto updated = admin({"update", "DOCS"});
  ASSERT_EQ(updated.status, 0) << updated.err;
  EXPECT_NE(updated.err.find("built by an earlier version"), std::string::npos) << updated.err;
  EXPECT_NE(updated.out.find("3 documents indexed, 0 unchanged"), std::string::npos)
      << updated.out;
  EXPECT_EQ(format(), std::to_string(backend::kIndexFormat));
  EXPECT_GT(title_start_terms(), 0u);
  EXPECT_EQ(answers(), current);

  const auto again = admin({"update", "DOCS"});
  EXPECT_NE(again.out.find("0 documents indexed, 3 unchanged"), std::string::npos) << again.out;
}

}  // namespace
}  // namespace zeb::testing
