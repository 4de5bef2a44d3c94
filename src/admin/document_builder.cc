#include "admin/document_builder.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "backend/document_data.h"
#include "backend/excerpt_source.h"
#include "backend/index_schema.h"
#include "backend/title_key.h"

namespace zeb::admin {

namespace {

// Xapian refuses longer terms.
constexpr size_t kMaxTermBytes = 245;
// The stem cache starts again when it holds this many words.
constexpr size_t kMaxCachedStems = 200000;

// Words are stemmed when they start with a letter that is not upper case
// (digits, symbols and the prefixed terms are not).
bool takes_stem(const std::string& term) {
  const unsigned first = *Xapian::Utf8Iterator(term);
  switch (Xapian::Unicode::get_category(first)) {
    case Xapian::Unicode::LOWERCASE_LETTER:
    case Xapian::Unicode::TITLECASE_LETTER:
    case Xapian::Unicode::MODIFIER_LETTER:
    case Xapian::Unicode::OTHER_LETTER:
      return true;
    default:
      return false;
  }
}

// The prefixed terms (keywords so far) begin with a capital; words never do.
bool is_word(const std::string& term) { return !(term[0] >= 'A' && term[0] <= 'Z'); }

bool is_word_byte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c >= 0x80;
}

using WordCounts = std::vector<std::pair<std::string, Xapian::termcount>>;

// Adds `boost` to extra[i] for each word of `texts` that is words[i] (in
// term order). The words are cut more simply than the term generator cuts
// them, ASCII letters lower-cased: a field word the text does not hold as
// it is cut here ("9.4", "Été") stays without its boost, but no field ever
// brings a word of its own. Where inline markup joined a field to the text
// around it ("x<code>y</code>"), the text holds the longer word only.
void add_boost(const WordCounts& words, const std::vector<std::string>& texts,
               Xapian::termcount boost, std::vector<Xapian::termcount>& extra) {
  std::string word;
  for (const std::string& text : texts) {
    for (size_t i = 0; i < text.size();) {
      if (!is_word_byte(static_cast<unsigned char>(text[i]))) {
        ++i;
        continue;
      }
      word.clear();
      for (; i < text.size() && is_word_byte(static_cast<unsigned char>(text[i])); ++i)
        word += text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
      const auto at = std::lower_bound(
          words.begin(), words.end(), word,
          [](const auto& entry, const std::string& wanted) { return entry.first < wanted; });
      if (at != words.end() && at->first == word) extra[at - words.begin()] += boost;
    }
  }
}

void add_excerpt_source(Xapian::Document& doc, const ExtractedDocument& extracted) {
  std::vector<backend::ExcerptSection> sections;
  sections.reserve(extracted.sections.size());
  for (const Section& section : extracted.sections)
    sections.push_back({section.offset, section.anchor, section.heading});
  const backend::StoredExcerpt stored = backend::encode_excerpt_source(extracted.text, sections);
  doc.add_value(backend::kValueExcerpt, stored.head);
  if (!stored.tail.empty()) doc.add_value(backend::kValueExcerptTail, stored.tail);
}

}  // namespace

std::string path_term(const std::string& path) { return backend::prefixed_term(backend::kPathPrefix, path); }

std::string keyword_term(const std::string& keyword) {
  std::string term = backend::prefixed_term(
      backend::kKeywordPrefix, Xapian::Unicode::tolower(collapse_blanks(keyword, kMaxTermBytes)));
  return term.size() > kMaxTermBytes || term.size() == 1 ? std::string() : term;
}

DocumentBuilder::DocumentBuilder() : stemmer_(backend::kStemLanguage) {
  generator_.set_stemming_strategy(Xapian::TermGenerator::STEM_NONE);
}

const std::string& DocumentBuilder::stem(const std::string& word) {
  auto found = stems_.find(word);
  if (found != stems_.end()) return found->second;
  if (stems_.size() >= kMaxCachedStems) stems_.clear();
  return stems_.emplace(word, backend::prefixed_term(backend::kStemPrefix, stemmer_(word))).first->second;
}

Xapian::Document DocumentBuilder::build(const TreeFile& file, const ExtractedDocument& extracted) {
  Xapian::Document doc;
  doc.set_data(backend::document_data(file.path + ";" + extracted.title,
                                      backend::file_stamp(file.modified, file.size)));
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
  // The words of headings, keywords and names count more, and each word's
  // stem as often as the word: the document's words are collected first,
  // as adding terms while walking them is not allowed.
  WordCounts words;
  words.reserve(doc.termlist_count());
  for (auto it = doc.termlist_begin(); it != doc.termlist_end(); ++it) {
    std::string term = *it;  // a copy each time it is asked for
    if (is_word(term)) words.emplace_back(std::move(term), it.get_wdf());
  }
  std::vector<Xapian::termcount> extra(words.size());
  add_boost(words, extracted.headings, kHeadingBoost, extra);
  add_boost(words, extracted.keywords, kHeadingBoost, extra);
  add_boost(words, extracted.names, kNameBoost, extra);
  for (size_t i = 0; i < words.size(); ++i) {
    if (extra[i] != 0) doc.add_term(words[i].first, extra[i]);
    if (takes_stem(words[i].first)) doc.add_term(stem(words[i].first), words[i].second + extra[i]);
  }
  for (const auto& [term, count] : backend::title_start_terms(extracted.title, stemmer_))
    doc.add_term(term, count);
  const size_t slash = file.path.find('/');
  if (slash != std::string::npos && slash > 0)
    doc.add_boolean_term(backend::prefixed_term(backend::kScopePrefix, std::string_view(file.path).substr(0, slash)));
  doc.add_boolean_term(path_term(file.path));
  doc.add_value(backend::kValueOrderKey, file.path);  // equal weights: path order
  add_excerpt_source(doc, extracted);
  // The caller may hand the document to another thread: no handle stays here.
  generator_.set_document(Xapian::Document());
  return doc;
}

}  // namespace zeb::admin
