// The whole life of one search request: the HTTP header line, form decoding,
// both field passes around the header template, the stripe and emptiness
// checks, the echo, the search phases and the page tail (footer template,
// closing tags, output closed, search engine objects released, form entries
// freed). Reads the CGI environment; returns the process exit status: 1 when
// the form is rejected, 0 on every other way out.
#pragma once

#include <cstdio>

#include "request/search_request.h"
#include "cgi/search_phases.h"

namespace zeb {

// The phases from the request buffer on, and their release in the page
// tail. Tests put their own in place of the engine's.
struct SearchPhases {
  PhaseOutcome (*run)(SearchRequest&, FILE*) = run_search_phases;
  void (*release)(SearchRequest&) = release_search_resources;
};

// `out` is closed on every way out: by the page tail before the search
// engine objects are released, and at once on the early ends.
int run_request(FILE* in, FILE* out);
int run_request(FILE* in, FILE* out, const SearchPhases& phases);

}  // namespace zeb
