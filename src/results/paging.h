// Paging, for forms that send `first_number`: the line that says which rows
// of how many the page shows (in place of the count line), and the fields
// and buttons that the new-search form then carries so that the same search
// can go to the neighbouring pages.
#pragma once

#include <cstdio>

#include "request/search_request.h"

namespace zeb {

// The engine counts matches exactly below this; a count this large may be
// an estimate, and the line says "about".
constexpr uint32_t kExactCountBound = 65535;

// "Documents 51-100 of 1,234" and its kin; 1 (and "No matching documents
// found") when nothing was found, as the count line.
int write_page_line(const SearchRequest& request, FILE* out);

// Inside the new-search form: the paging and row fields of this request
// (so that a new search keeps them and starts at the first row), its scope
// values and topics, and "Previous" and "Next" where those pages exist.
void write_paging_fields(const SearchRequest& request, FILE* out);

}  // namespace zeb
