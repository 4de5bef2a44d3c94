#include "query/request_echo.h"

#include "request/html_escape.h"

namespace zeb {

namespace {

constexpr const char* kSearchRequest = "Search request:";

// The word printed before a term for its connector code.
const char* connector_word(uint16_t code) {
  switch (code) {
    case kConnectorAnd: return "AND ";
    case kConnectorOr: return "OR ";
    case kConnectorNot: return "AND_NOT ";
    default: return "";
  }
}

void echo_text(const char* text, FILE* out) {
  fprintf(out, "<p>%s \"<STRONG>%s</STRONG>\"\n", kSearchRequest, html_escape(text).c_str());
}

void echo_terms(const SearchRequest& request, FILE* out) {
  if (!request.free_text_flag) fprintf(out, "<p>%s\n", kSearchRequest);
  fputs("<strong>\"", out);
  for (int32_t i = 0; i < request.term_count; ++i) {
    fputs(connector_word(request.connectors[i]), out);
    fprintf(out, "<STRONG>%s</STRONG> ", html_escape(request.terms[i]).c_str());
  }
  fputs("\"</strong>", out);
}

}  // namespace

void echo_search_request(const SearchRequest& request, FILE* out) {
  if (request.new_free_text_flag) {
    // The new-search text as typed already shows its terms.
    echo_text(request.free_text_echo, out);
  } else {
    if (request.free_text_flag) echo_text(request.free_text, out);
    if (request.terms_flag && request.free_text_flag) {
      fprintf(out, "<br>&nbsp;&nbsp;  %s ", "additonal qualifiers:");
    }
    if (request.terms_flag) echo_terms(request, out);
  }
  fputs("\n", out);

  if (request.rank || request.free_text_flag) {
    fputs("<font size=-2>", out);
    fprintf(out, "<p><strong>%s:</strong>%s = %s, %s = %s\n", "Rank", request.star_tags[4],
            "good match", request.star_tags[0], "poor match");
    fputs("</font>", out);
  }
  fputs("<hr>", out);
}

}  // namespace zeb
