// The two passes over the form entry table that set the request record.
//
// First pass (before the header template): the page options msgcat,
// header, footer and stars1 to stars5. Second pass (after it): the display
// options ShowForm, FormName, SelectIndex, OddStripes and EvenStripes here;
// every other name goes to apply_query_field. Names are compared whole and
// case-sensitively; a name a pass does not know is ignored; a field given
// twice keeps its last value. Values are kept by pointer into the table.
#pragma once

#include <cstdio>

#include "request/form_entry.h"
#include "request/search_request.h"
#include "query/query_terms.h"

namespace zeb {

void apply_page_options(const FormTable& table, SearchRequest& request);

// Stops at the first entry that ends the page (its message is printed) and
// returns kEndPage; the remaining entries are not looked at.
QueryOutcome apply_query_options(FormTable& table, SearchRequest& request, FILE* out);

// After the second pass: stripes are drawn when both colours are given.
void check_stripes(SearchRequest& request);

}  // namespace zeb
