// One row of the result table.
//
// Ranked, with a title ("path;title"):
//   <p><tr[ BGCOLOR="colour"]><td>STAR\n<td> <A HREF="LINK"><b>TITLE</b></A>\n
//   <br>(RANK)<br>\n
// Unranked, with a title: the row number instead of the star, no colour,
// and the rank line shows 0.0000.
// Without ";": the level-1 star, the whole identifier as the title, no
// colour and no rank line.
// Links, titles and colours are escaped; star tags are markup already.
#pragma once

#include <cstdio>

#include "request/search_request.h"
#include "results/result_walk.h"

namespace zeb {

// Writes the row of the entry the walk holds; counts it in the row number.
void write_result_row(ResultWalk& walk, const SearchRequest& request, FILE* out);

}  // namespace zeb
