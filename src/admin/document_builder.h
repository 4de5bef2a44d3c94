// Turns one extracted document into the Xapian document the back end
// searches, as backend/index_schema.h lays it down: data "path;title" and
// the file's stamp (backend/document_data.h), words with positions and
// their English stems, keyword, scope, path and title-start terms.
#pragma once

#include <xapian.h>

#include <string>
#include <unordered_map>

#include "admin/document_tree.h"
#include "admin/extracted_document.h"

namespace zeb::admin {

// Title words count this many times over body words in the ranking.
constexpr unsigned kTitleWeight = 3;
// A word of a heading or keyword counts this many times more, a word of a
// name (a table header or row label, code) this many more. Measured on the
// PostgreSQL manual's book index (bench/relevance), MRR@10 without the
// heading boost 0.857, without the name boost 0.851, with both 0.871;
// a heading boost of 5 or a name boost of 5 gives 0.868.
constexpr unsigned kHeadingBoost = 10;
constexpr unsigned kNameBoost = 3;

// The stems are added from the document's word list rather than by the term
// generator for every occurrence: a document repeats its words, and a whole
// tree repeats its vocabulary, so each word is stemmed once (the stems and
// their counts are the same).
class DocumentBuilder {
 public:
  DocumentBuilder();
  Xapian::Document build(const TreeFile& file, const ExtractedDocument& extracted);

 private:
  const std::string& stem(const std::string& word);

  Xapian::TermGenerator generator_;
  Xapian::Stem stemmer_;
  std::unordered_map<std::string, std::string> stems_;
};

// The term that names the document at `path`.
std::string path_term(const std::string& path);

// A keyword as its term holds it: lower case, blanks collapsed; empty when
// it would not fit a term.
std::string keyword_term(const std::string& keyword);

}  // namespace zeb::admin
