// What the indexer makes of a document's title, headings, keywords and
// names: extra weight for their words and the title-start terms.
#include <gtest/gtest.h>
#include <xapian.h>

#include <map>

#include "admin/document_builder.h"
#include "backend/index_schema.h"
#include "backend/query_words.h"
#include "backend/title_key.h"

namespace zeb::admin {
namespace {

using Counts = std::map<std::string, Xapian::termcount>;

// The terms of `doc` starting with `prefix` with their counts; "" for the
// words (no capital first).
Counts counts_of(const Xapian::Document& doc, const std::string& prefix) {
  Counts counts;
  for (auto it = doc.termlist_begin(); it != doc.termlist_end(); ++it) {
    const std::string& term = *it;
    const bool prefixed = term[0] >= 'A' && term[0] <= 'Z';
    if (prefix.empty() ? !prefixed : term.rfind(prefix, 0) == 0) counts[term] = it.get_wdf();
  }
  return counts;
}

Xapian::Document build(const ExtractedDocument& extracted) {
  DocumentBuilder builder;
  return builder.build({"a.html", 1, 1, DocumentKind::kHtml}, extracted);
}

TEST(DocumentFields, WordsOfHeadingsKeywordsAndNamesCountMore) {
  ExtractedDocument plain;
  plain.title = "Guide";
  plain.text = "Vacuum reclaims storage; run vacuumdb or psql. lowerCase";
  plain.keywords = {"Storage"};
  ExtractedDocument fields = plain;
  fields.headings = {"Vacuum", "vacuum again"};  // "again" is no word of the text
  fields.names = {"psql", "lower", "nowhere"};  // "lower" is part of "lowerCase" in the text

  const Counts before = counts_of(build(plain), "");
  const Counts after = counts_of(build(fields), "");
  // The same words: a field brings no word the text does not have.
  ASSERT_EQ(after.size(), before.size());
  for (const auto& [word, count] : before) {
    Xapian::termcount extra = 0;
    if (word == "vacuum") extra = 2 * kHeadingBoost;
    if (word == "psql") extra = kNameBoost;
    EXPECT_EQ(after.at(word), count + extra) << word;
  }
  EXPECT_EQ(before.at("storage"), 2 + kHeadingBoost);  // text, keyword and its boost
  // Stems count what their words count.
  EXPECT_EQ(counts_of(build(fields), "Zvacuum").at("Zvacuum"), 1 + 2 * kHeadingBoost);
}

TEST(DocumentFields, TitleStartTermsForEachLeadingRunAndAfterASectionNumber) {
  ExtractedDocument doc;
  doc.title = "9.4. String Functions and Operators";
  EXPECT_EQ(counts_of(build(doc), backend::kTitleStartPrefix),
            (Counts{{"XT9.4", 1},
                    {"XT9.4 string", 1},
                    {"XT9.4 string function", 1},
                    {"XT9.4 string function and", 1},
                    {"XT9.4 string function and oper", 2},
                    {"XTstring", 1},
                    {"XTstring function", 1},
                    {"XTstring function and", 1},
                    {"XTstring function and oper", 2}}));
  doc.title = "F.21. ltree";
  EXPECT_EQ(counts_of(build(doc), backend::kTitleStartPrefix),
            (Counts{{"XTf", 1}, {"XTf 21", 1}, {"XTf 21 ltree", 2}, {"XTltree", 2}}));
  doc.title = "Release 15.13";  // nothing would be left after the number
  EXPECT_EQ(counts_of(build(doc), backend::kTitleStartPrefix),
            (Counts{{"XTreleas", 1}, {"XTreleas 15.13", 2}}));
  // Runs stop at the longest key; a longer title is never whole.
  doc.title = "one two three four five six seven eight nine";
  const Counts long_title = counts_of(build(doc), backend::kTitleStartPrefix);
  EXPECT_EQ(long_title.size(), backend::kMaxTitleKeyWords);
  for (const auto& [term, count] : long_title) EXPECT_EQ(count, 1u) << term;
  doc.title = "";
  EXPECT_TRUE(counts_of(build(doc), backend::kTitleStartPrefix).empty());
}

TEST(DocumentFields, QueryAndTitleAgreeOnTheKey) {
  const Xapian::Stem stemmer(backend::kStemLanguage);
  auto key = [&](const std::string& text) {
    return backend::title_key(backend::split_words(text), stemmer);
  };
  EXPECT_EQ(key("create tables"), "creat tabl");
  EXPECT_EQ(key("CREATE TABLE"), key("create tables"));
  EXPECT_NE(key("create table as"), key("create table"));  // stop words count
  EXPECT_EQ(key("pg_dump 15"), "pg_dump 15");
  EXPECT_EQ(key(""), "");
  EXPECT_EQ(key("a b c d e f g h"), "a b c d e f g h");
  EXPECT_EQ(key("a b c d e f g h i"), "");
  EXPECT_EQ(key(std::string(300, 'x')), "");  // too long for a term
}

}  // namespace
}  // namespace zeb::admin
