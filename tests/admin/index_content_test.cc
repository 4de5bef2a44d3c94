// What zebadm puts into a Xapian document, as the back end reads it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <xapian.h>

#include <map>

#include "admin/document_builder.h"
#include "admin/document_tree.h"
#include "backend/document_data.h"
#include "backend/excerpt_source.h"
#include "backend/index_schema.h"
#include "temp_tree.h"

namespace zeb::admin {
namespace {

// The terms with `prefix`, or with none when `prefix` is empty.
std::vector<std::string> terms_of(const Xapian::Document& doc, const std::string& prefix) {
  std::vector<std::string> terms;
  for (auto it = doc.termlist_begin(); it != doc.termlist_end(); ++it) {
    const std::string& term = *it;
    const bool prefixed = term[0] >= 'A' && term[0] <= 'Z';
    if (prefix.empty() ? !prefixed : term.rfind(prefix, 0) == 0) terms.push_back(term);
  }
  return terms;
}

TEST(DocumentBuilder, DocumentsFollowTheIndexSchema) {
  ExtractedDocument extracted;
  extracted.title = "Tables; and Views";
  extracted.text = "Creating tables quickly";
  extracted.keywords = {"Data  Base", "SQL"};
  TreeFile file{"guide/sub/tables.html", 1234, 1700000000123456789LL, DocumentKind::kHtml};
  DocumentBuilder builder;
  const Xapian::Document doc = builder.build(file, extracted);

  EXPECT_EQ(doc.get_data(), std::string("guide/sub/tables.html;Tables; and Views\0"
                                        "1700000000123456789 1234", 64));
  EXPECT_EQ(terms_of(doc, "K"), (std::vector<std::string>{"Kdata base", "Ksql"}));
  EXPECT_EQ(terms_of(doc, "S"), std::vector<std::string>{"Sguide"});
  EXPECT_EQ(terms_of(doc, "Q"), std::vector<std::string>{"Qguide/sub/tables.html"});
  const auto stems = terms_of(doc, "Z");
  EXPECT_NE(std::find(stems.begin(), stems.end(), "Ztabl"), stems.end());
  EXPECT_NE(std::find(stems.begin(), stems.end(), "Zcreat"), stems.end());
  const auto words = terms_of(doc, "");
  for (const char* word : {"tables", "and", "views", "creating", "quickly", "data", "base", "sql"})
    EXPECT_NE(std::find(words.begin(), words.end(), word), words.end()) << word;
  // The stamp is in the data: a remote shard sends values one message each,
  // so the only values are the one excerpts are made from and the path that
  // orders equal weights.
  EXPECT_EQ(doc.values_count(), 2u);
  EXPECT_EQ(doc.get_value(backend::kValueOrderKey), "guide/sub/tables.html");
  const std::string value = doc.get_value(backend::kValueExcerpt);
  backend::ExcerptSource source;
  ASSERT_TRUE(backend::decode_excerpt_source(value, source));
  EXPECT_EQ(source.text, "Creating tables quickly");

  // Words keep their positions: "creating tables" are adjacent.
  Xapian::WritableDatabase db(std::string(), Xapian::DB_BACKEND_INMEMORY);
  db.add_document(doc);
  Xapian::Enquire enquire(db);
  auto phrase = [](const std::string& first, const std::string& second) {
    const Xapian::Query words[] = {Xapian::Query(first), Xapian::Query(second)};
    return Xapian::Query(Xapian::Query::OP_PHRASE, std::begin(words), std::end(words), 2);
  };
  enquire.set_query(phrase("creating", "tables"));
  EXPECT_EQ(enquire.get_mset(0, 10).size(), 1u);
  enquire.set_query(phrase("tables", "creating"));
  EXPECT_EQ(enquire.get_mset(0, 10).size(), 0u);

  // Documents at the top of the tree have no scope value.
  ExtractedDocument short_one;
  short_one.title = "T";
  short_one.text = "x";
  const auto top = builder.build({"top.txt", 1, 2, DocumentKind::kText}, short_one);
  EXPECT_TRUE(terms_of(top, "S").empty());
  EXPECT_EQ(backend::identifier_of(top.get_data()), "top.txt;T");
  EXPECT_EQ(backend::stamp_of(top.get_data()), "2 1");
}

// The builder stems each distinct word once; the result must be what the
// term generator gives when it stems every occurrence itself.
TEST(DocumentBuilder, StemsMatchTheTermGeneratorsOwn) {
  ExtractedDocument extracted;
  extracted.title = "Running runners run";
  extracted.keywords = {"Indexing"};
  extracted.text = "The runner runs; 42 runs, x86 and \xC3\xA9t\xC3\xA9s \xC3\xA9t\xC3\xA9. "
                   "Connection connections connected";
  DocumentBuilder builder;
  const Xapian::Document built = builder.build({"a.html", 1, 1, DocumentKind::kHtml}, extracted);

  Xapian::Document reference;
  Xapian::TermGenerator generator;
  generator.set_stemmer(Xapian::Stem(backend::kStemLanguage));
  generator.set_stemming_strategy(Xapian::TermGenerator::STEM_SOME);
  generator.set_document(reference);
  generator.index_text(extracted.title, kTitleWeight);
  generator.increase_termpos();
  generator.index_text(extracted.keywords[0], 1 + kHeadingBoost);  // keywords count more
  generator.increase_termpos();
  generator.index_text(extracted.text);

  std::map<std::string, Xapian::termcount> expected, got;
  for (auto it = reference.termlist_begin(); it != reference.termlist_end(); ++it)
    expected[*it] = it.get_wdf();
  for (auto it = built.termlist_begin(); it != built.termlist_end(); ++it)
    if (std::string("KSQX").find((*it)[0]) == std::string::npos) got[*it] = it.get_wdf();
  EXPECT_EQ(got, expected);
  EXPECT_EQ(got.at("Zrun"), 2u * kTitleWeight + 2);  // running, run; runs twice
}

TEST(DocumentTree, ListsDocumentsInByteOrderAndCountsTheRest) {
  testing_support::TempTree tree;
  for (const char* file : {"b.html", "a/x.htm", "a.b/y.TXT", "a/z.HTML", "other.pdf",
                           ".hidden/h.html", "a/.h.html", "semi;colon.html", "README"})
    tree.write(file, "x");
  tree.write("deep/" + std::string(250, 'd') + ".html", "x");
  TreeListing listing;
  std::string error;
  ASSERT_TRUE(list_document_tree(tree.path(), listing, error)) << error;
  std::vector<std::string> paths;
  for (const auto& file : listing.documents) paths.push_back(file.path);
  EXPECT_EQ(paths, (std::vector<std::string>{"a.b/y.TXT", "a/x.htm", "a/z.HTML", "b.html"}));
  EXPECT_EQ(listing.documents[0].kind, DocumentKind::kText);
  EXPECT_EQ(listing.documents[0].size, 1);
  EXPECT_EQ(listing.other_files, 2u);
  ASSERT_EQ(listing.warnings.size(), 2u);
  EXPECT_NE(listing.warnings[1].find("may not hold ';'"), std::string::npos);
  EXPECT_NE(listing.warnings[0].find("path longer than"), std::string::npos);

  EXPECT_FALSE(list_document_tree(tree.path("missing"), listing, error));
  EXPECT_FALSE(list_document_tree(tree.path("b.html"), listing, error));
  EXPECT_NE(error.find("not a directory"), std::string::npos);
}

}  // namespace
}  // namespace zeb::admin
