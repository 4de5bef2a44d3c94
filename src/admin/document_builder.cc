#include "admin/document_builder.h"

#include "backend/index_schema.h"

namespace zeb::admin {

namespace {

// Xapian refuses longer terms.
constexpr size_t kMaxTermBytes = 245;

}  // namespace

std::string path_term(const std::string& path) { return backend::kPathPrefix + path; }

std::string keyword_term(const std::string& keyword) {
  std::string term = backend::kKeywordPrefix +
                     Xapian::Unicode::tolower(collapse_blanks(keyword, kMaxTermBytes));
  return term.size() > kMaxTermBytes || term.size() == 1 ? std::string() : term;
}

DocumentBuilder::DocumentBuilder() {
  generator_.set_stemmer(Xapian::Stem(backend::kStemLanguage));
  generator_.set_stemming_strategy(Xapian::TermGenerator::STEM_SOME);
}

Xapian::Document DocumentBuilder::build(const TreeFile& file, const ExtractedDocument& extracted) {
  Xapian::Document doc;
  doc.set_data(file.path + ";" + extracted.title);
  generator_.set_document(doc);
  generator_.index_text(extracted.title, kTitleWeight);
  generator_.increase_termpos();
  for (const auto& keyword : extracted.keywords) {
    generator_.index_text(keyword);
    generator_.increase_termpos();
    const std::string term = keyword_term(keyword);
    if (!term.empty()) doc.add_boolean_term(term);
  }
  generator_.index_text(extracted.text);
  const size_t slash = file.path.find('/');
  if (slash != std::string::npos && slash > 0)
    doc.add_boolean_term(backend::kScopePrefix + file.path.substr(0, slash));
  doc.add_boolean_term(path_term(file.path));
  doc.add_value(backend::kValueModified, std::to_string(file.modified));
  doc.add_value(backend::kValueSize, std::to_string(file.size));
  return doc;
}

}  // namespace zeb::admin
