// The star images of the rank column and the rank legend: five levels,
// level 1 the poorest match and level 5 the best. The form field starsN
// names an image under /icons/; from it the record keeps the image tag
//   <img src="/icons/NAME" alt="***">      (N asterisks)
// with NAME HTML-escaped, and the name itself, which the new-search form
// posts back.
#pragma once

#include "request/search_request.h"

namespace zeb {

constexpr int kStarLevels = 5;

// `level` 1 to 5. The name is cut to 63 characters; in the tag the escaped
// name is cut (never inside an entity) so that the whole tag fits its
// kStarTagSize buffer.
void set_star_image(SearchRequest& request, int level, const char* name);

}  // namespace zeb
