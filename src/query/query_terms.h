// The query fields of the posted form: query words with their connectors,
// free text, the new-search text with its operators, topics, scope values,
// spelling check, result limit, ranking and the linguistic switch. They are
// collected in the query part of the request record while the form entries
// are walked in posted order; a query that is too complex or contradictory
// is refused here, before any search engine object exists.
//
// Query words form a flat sequence t1 op2 t2 op3 t3 ...: a connector field
// sets the connector of the slot the next term will take, so empty words
// drop out together with their place. A term after the first that no
// connector field joined is joined with AND.
#pragma once

#include <cstdio>
#include <span>

#include "request/form_entry.h"
#include "request/search_request.h"

namespace zeb {

enum class QueryOutcome {
  kGoOn,     // next form entry
  kEndPage,  // a message was printed; go straight to the page tail
};

// Applies one form entry. Names that are not query fields are ignored, and
// so is a new-search text after the first (see retake_new_search_text).
// `value` must live as long as the request (it is kept by pointer).
QueryOutcome apply_query_field(SearchRequest& request, const char* name, const char* value,
                               FILE* out);

// The new-search text (1 to 1023 characters): splits off its "+" and "-"
// terms into the term list and keeps the rest as free text.
QueryOutcome take_new_search_text(SearchRequest& request, const char* value, FILE* out);

// A new-search text after an earlier one takes its place: the term list and
// the free text are rebuilt from the query words, connectors and free text
// of `earlier` (the entries posted before this one), as if no earlier
// new-search text had been posted, and then this text is taken. The terms
// of the earlier text pointed into the operator lists, which this text
// overwrites: none of them may stay.
QueryOutcome retake_new_search_text(SearchRequest& request, std::span<const FormEntry> earlier,
                                    const char* value, FILE* out);

// After the last entry: refuses a request with no free text, no query word
// and no new-search text.
QueryOutcome check_query_present(const SearchRequest& request, FILE* out);

}  // namespace zeb
