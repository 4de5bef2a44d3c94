// Indexes of an earlier format: they still answer every search, and
// zebadm update brings them to the current format.
#include <gtest/gtest.h>
#include <xapian.h>

#include <algorithm>
#include <filesystem>

#include "backend/document_data.h"
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
  // Makes the documents what the version before kept: the data is the
  // identifier alone, and the file's time and size are values.
  void move_stamps_to_values() {
    Xapian::WritableDatabase db(database_dir(), Xapian::DB_OPEN);
    for (auto id = db.postlist_begin(""); id != db.postlist_end(""); ++id) {
      Xapian::Document doc = db.get_document(*id);
      const std::string data = doc.get_data();
      const std::string stamp(backend::stamp_of(data));
      ASSERT_FALSE(stamp.empty()) << data;
      doc.set_data(std::string(backend::identifier_of(data)));
      doc.add_value(backend::kValueModified, stamp.substr(0, stamp.find(' ')));
      doc.add_value(backend::kValueSize, stamp.substr(stamp.find(' ') + 1));
      db.replace_document(*id, doc);
    }
    db.commit();
  }
  // The data of the document at `path`.
  std::string data_of(const std::string& path) const {
    const Xapian::Database db(database_dir());
    const std::string term = backend::prefixed_term(backend::kPathPrefix, path);
    auto it = db.postlist_begin(term);
    return it == db.postlist_end(term) ? std::string() : db.get_document(*it).get_data();
  }
  // The identifiers a search for "vacuum" lists, sorted.
  std::vector<std::string> listed_identifiers() {
    const SearchOutcome outcome = search(docs_, ranked_words({"vacuum"}));
    std::vector<std::string> listed;
    for (const ListedEntry& entry : list_all(outcome.result, true))
      listed.push_back(entry.document_id);
    EXPECT_EQ(KSVDELETERESULT(session_, outcome.result, &diag_), 0);
    std::sort(listed.begin(), listed.end());
    return listed;
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

// Also over a tree with a document that cannot be read (too large): it is
// not in the index, so it does not make the index of an earlier format.
TEST_F(IndexFormat, CreateMakesTheCurrentFormat) {
  tree_.write("docs/big.txt", "");
  std::filesystem::resize_file(tree_.path("docs/big.txt"), (64 << 20) + 1);
  build(kDocs);
  EXPECT_EQ(format(), std::to_string(backend::kIndexFormat));
  EXPECT_GT(title_start_terms(), 0u);
  const auto again = admin({"update", "DOCS"});
  EXPECT_NE(again.out.find("0 documents indexed, 3 unchanged"), std::string::npos) << again.out;
  EXPECT_NE(again.err.find("big.txt"), std::string::npos) << again.err;
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

// Documents built when the file's time and size were values: an update
// still tells them unchanged, a search lists them as it lists new ones, and
// a document built again keeps its stamp in its data.
TEST_F(IndexFormat, StampsInValuesStillTellChangedFiles) {
  build(kDocs);
  const std::vector<std::string> listed = listed_identifiers();
  ASSERT_EQ(listed, (std::vector<std::string>{"guide/analyze.html;Analyze",
                                              "notes.txt;Release notes", "vacuum.html;Vacuum"}));
  move_stamps_to_values();
  EXPECT_EQ(listed_identifiers(), listed);

  const auto unchanged = admin({"update", "DOCS"});
  ASSERT_EQ(unchanged.status, 0) << unchanged.err;
  EXPECT_NE(unchanged.out.find("0 documents indexed, 3 unchanged"), std::string::npos)
      << unchanged.out;

  tree_.write("docs/notes.txt", "Release notes\nvacuum is much faster now\n");
  const auto changed = admin({"update", "DOCS"});
  ASSERT_EQ(changed.status, 0) << changed.err;
  EXPECT_NE(changed.out.find("1 documents indexed, 2 unchanged"), std::string::npos) << changed.out;
  EXPECT_FALSE(backend::stamp_of(data_of("notes.txt")).empty());
  EXPECT_TRUE(backend::stamp_of(data_of("vacuum.html")).empty());
  EXPECT_EQ(listed_identifiers(), listed);
}

}  // namespace
}  // namespace zeb::testing
