#include "results/result_row.h"

#include <cstring>
#include <string_view>

#include "results/document_link.h"
#include "results/row_extras.h"
#include "results/row_text.h"
#include "results/star_level.h"

namespace zeb {

namespace {

void put_link(RowText& row, const char* link) {
  row.markup(" <A HREF=\"");
  row.html(link);
  row.markup("\">");
}

void put_title(RowText& row, const char* title) {
  row.markup("<b>");
  row.html(title);
  row.markup("</b></A>\n");
}

// Ranked rows start with the star of the rank value, and with the row's
// colour while stripes are on. Returns the value for the rank line: in
// percent mode the percent as a fraction.
float write_ranked_start(const ResultWalk& walk, const SearchRequest& request,
                         const char* link, RowText& row) {
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
    row.markup("<p><tr BGCOLOR=\"");
    row.html(colour);
    row.markup("\"><td>");
  } else {
    row.markup("<p><tr><td>");
  }
  row.markup_text(request.star_tags[level - 1]);
  row.markup("\n<td>");
  put_link(row, link);
  return shown;
}

}  // namespace

void write_result_row(ResultWalk& walk, const SearchRequest& request, FILE* out) {
  ++walk.row_number;
  const char* location =
      walk.current_index >= 0 ? request.locations[walk.current_index] : nullptr;
  char plain_link[kLinkSize];
  char anchored[kAnchoredLinkSize];
  RowText row(out);

  const char* semicolon = strchr(walk.document_id, ';');
  if (semicolon == nullptr) {
    const char* link =
        anchored_link(request, walk, make_document_link(location, walk.document_id, plain_link),
                      anchored);
    row.markup("<p><tr><td>");
    row.markup_text(request.star_tags[0]);
    row.markup("<td>");
    put_link(row, link);
    put_title(row, walk.document_id);
    write_row_extras(request, walk, row);
    return;
  }

  const char* link = anchored_link(
      request, walk,
      make_document_link(location, walk.document_id,
                         static_cast<size_t>(semicolon - walk.document_id), plain_link),
      anchored);
  float shown = 0.0f;  // an unranked list has no rank values
  if (request.rank) {
    shown = write_ranked_start(walk, request, link, row);
  } else {
    row.markup("<p><tr><td>");
    // On a later page the rows go on from the pages before.
    row.number(request.first_number > 1 ? walk.row_number + request.first_number - 1
                                        : walk.row_number);
    row.markup("<td>");
    put_link(row, link);
  }
  put_title(row, semicolon + 1);
  write_row_extras(request, walk, row);
  row.markup("<br>(");
  row.rank(shown);
  row.markup(")<br>\n");
}

}  // namespace zeb
