// The new-search form: a free-text box that posts back to the script with the
// current request's options in hidden fields.
#pragma once

#include <cstdio>

#include "request/search_request.h"

namespace zeb {

// Writes the form when both the show-form flag and the new-free-text flag
// are set; nothing otherwise.
void write_new_search_form(const SearchRequest& request, FILE* out);

}  // namespace zeb
