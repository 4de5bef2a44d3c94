#include "results/result_row.h"

#include <cstring>
#include <string_view>

#include "cgi/html_escape.h"
#include "results/document_link.h"
#include "results/rank_text.h"
#include "results/star_level.h"

namespace zeb {

namespace {

// A row is written piece by piece straight into the page: fixed markup by
// its known length, form and engine texts through the escaper.
template <size_t N>
void put_markup(FILE* out, const char (&markup)[N]) {
  fwrite(markup, 1, N - 1, out);
}

void put_link(FILE* out, const char* link) {
  put_markup(out, " <A HREF=\"");
  put_html(out, link);
  put_markup(out, "\">");
}

void put_title(FILE* out, const char* title) {
  put_markup(out, "<b>");
  put_html(out, title);
  put_markup(out, "</b></A>\n");
}

void put_rank_line(FILE* out, float shown) {
  put_markup(out, "<br>(");
  put_rank_value(out, shown);
  put_markup(out, ")<br>\n");
}

// Ranked rows start with the star of the rank value, and with the row's
// colour while stripes are on. Returns the value for the rank line: in
// percent mode the percent as a fraction.
float write_ranked_start(const ResultWalk& walk, const SearchRequest& request,
                         const char* link, FILE* out) {
  int level;
  float shown = walk.rank;
  if (request.free_text_flag) {
    level = star_level_percent(walk.rank);
    shown = walk.rank / 100.0f;
  } else {
    level = star_level_fraction(walk.rank);
  }
  if (request.stripes) {
    const char* colour = walk.row_number % 2 == 1 ? request.odd_stripes : request.even_stripes;
    put_markup(out, "<p><tr BGCOLOR=\"");
    put_html(out, colour);
    put_markup(out, "\"><td>");
  } else {
    put_markup(out, "<p><tr><td>");
  }
  fputs(request.star_tags[level - 1], out);
  put_markup(out, "\n<td>");
  put_link(out, link);
  return shown;
}

}  // namespace

void write_result_row(ResultWalk& walk, const SearchRequest& request, FILE* out) {
  ++walk.row_number;
  const char* location =
      walk.current_index >= 0 ? request.locations[walk.current_index] : nullptr;
  char link[kLinkSize];

  const char* semicolon = strchr(walk.document_id, ';');
  if (semicolon == nullptr) {
    make_document_link(location, walk.document_id, link);
    put_markup(out, "<p><tr><td>");
    fputs(request.star_tags[0], out);
    put_markup(out, "<td>");
    put_link(out, link);
    put_title(out, walk.document_id);
    return;
  }

  make_document_link(location, walk.document_id,
                     static_cast<size_t>(semicolon - walk.document_id), link);
  float shown = 0.0f;  // an unranked list has no rank values
  if (request.rank) {
    shown = write_ranked_start(walk, request, link, out);
  } else {
    fprintf(out, "<p><tr><td>%d<td>", walk.row_number);
    put_link(out, link);
  }
  put_title(out, semicolon + 1);
  put_rank_line(out, shown);
}

}  // namespace zeb
