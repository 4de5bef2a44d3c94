// The fields of an HTML document that say what it is about more strongly
// than its running text, collected while the extractor walks the markup:
//
//   headings  h1 to h3 (what a section is about) and dt (the term a
//             definition list defines)
//   names     th and the first cell of a table row (what a row or column
//             is about), and code, kbd, samp, tt and var (identifiers)
//
// h4 and deeper name details, and so does the rest of a table. A field's
// text is the document text appended between its start and end tags; one
// left open ends where the next field of its kind starts or at the end of
// the document.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "admin/extracted_document.h"

namespace zeb::admin {

class FieldCapture {
 public:
  // Fills doc.headings and doc.names from doc.text as it grows.
  explicit FieldCapture(ExtractedDocument& doc) : doc_(doc) { open_.fill(kClosed); }

  // A start or end tag (name lower case), reported before the extractor
  // appends anything for it.
  void tag(const std::string& name, bool end);

  // Ends the fields still open; call once, at the end of the document.
  void finish();

 private:
  // Fields of one kind do not nest; fields of different kinds do
  // (<th><code>x</code></th>).
  enum Kind { kHeading, kDefinition, kCell, kCode, kKinds };
  static constexpr size_t kClosed = std::string::npos;

  void start(Kind kind);
  void end(Kind kind);
  // th, td, tr or table: table cells and what ends them.
  void cell(std::string_view name, bool end_tag);

  ExtractedDocument& doc_;
  std::array<size_t, kKinds> open_;  // where each open field starts in doc.text
  bool first_cell_ = false;          // the next td is a row's first cell
};

// The text of a field: blanks collapsed and, past kMaxFieldBytes, cut after
// the last whole word that fits. `complete` tells whether `raw` ends where
// the field ends (its last word is whole).
std::string field_text(std::string_view raw, bool complete);

}  // namespace zeb::admin
