#include "results/result_row.h"

#include <cstring>
#include <string>

#include "cgi/html_escape.h"
#include "results/document_link.h"
#include "results/star_level.h"

namespace zeb {

namespace {

constexpr const char* kLinkOpen = " <A HREF=\"";
constexpr const char* kLinkClose = "\">";

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
  const char* star = request.star_tags[level - 1];
  if (request.stripes) {
    const char* colour = walk.row_number % 2 == 1 ? request.odd_stripes : request.even_stripes;
    fprintf(out, "<p><tr BGCOLOR=\"%s\"><td>%s\n<td>%s%s%s",
            html_escape(colour).c_str(), star, kLinkOpen,
            html_escape(link).c_str(), kLinkClose);
  } else {
    fprintf(out, "<p><tr><td>%s\n<td>%s%s%s", star, kLinkOpen,
            html_escape(link).c_str(), kLinkClose);
  }
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
    fprintf(out, "<p>%s%s<td>%s%s%s", "<tr><td>", request.star_tags[0], kLinkOpen,
            html_escape(link).c_str(), kLinkClose);
    fprintf(out, "<b>%s</b>%s\n", html_escape(walk.document_id).c_str(), "</A>");
    return;
  }

  const std::string path(walk.document_id, static_cast<size_t>(semicolon - walk.document_id));
  make_document_link(location, path.c_str(), link);
  float shown = 0.0f;  // an unranked list has no rank values
  if (request.rank) {
    shown = write_ranked_start(walk, request, link, out);
  } else {
    fprintf(out, "<p><tr><td>%d<td>%s%s%s", walk.row_number, kLinkOpen,
            html_escape(link).c_str(), kLinkClose);
  }
  fprintf(out, "<b>%s</b>%s\n", html_escape(semicolon + 1).c_str(), "</A>");
  fprintf(out, "<br>(%4.4f)<br>\n", static_cast<double>(shown));
}

}  // namespace zeb
