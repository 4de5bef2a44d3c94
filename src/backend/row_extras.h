// What a result row may show beside its identifier, when the search asked
// for it: an excerpt with the search's words marked, the section it comes
// from, the date of the document's file.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "backend/excerpt_maker.h"
#include "backend/excerpt_terms.h"

namespace zeb::backend {

struct RowExtrasWanted {
  unsigned excerpt_words = 0;  // 0: no excerpt (nor section)
  bool date = false;
  std::shared_ptr<ExcerptTerms> terms;  // set with excerpt_words

  bool any() const { return excerpt_words != 0 || date; }
};

struct RowExtras {
  std::string excerpt;  // with marks (excerpt_maker.h); empty: none
  std::string section;  // "anchor\0heading"; empty: none
  std::string date;     // "YYYY-MM-DD"; empty: none
};

// The extras of one document from its stamp (document_data.h), the value
// of its excerpt slot (empty for a document made before they were kept) and
// what reads more of it when the excerpt needs it.
void make_row_extras(const RowExtrasWanted& wanted, std::string_view stamp,
                     std::string_view excerpt_value, const ExcerptReader& reader,
                     RowExtras& out);

// The date (UTC) of a stamp's modification time; empty when it has none.
std::string stamp_date(std::string_view stamp);

}  // namespace zeb::backend
