#include "results/new_search_form.h"

namespace zeb {

void write_new_search_form(const SearchRequest&, FILE*) {}

}  // namespace zeb
