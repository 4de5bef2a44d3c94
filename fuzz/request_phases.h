// The whole request as the request driver runs it, for the request fuzz
// targets: the body posted with its exact length, the page written to a
// memory sink and checked for its frame.
#pragma once

#include <string>
#include <string_view>

#include "cgi/request_driver.h"
#include "fuzz_support.h"

namespace zeb::fuzz {

// The engine's own phases. Where the program would end at once (the process
// exit frees everything), what the request holds is released here, so that
// the next input starts clean and nothing counts as leaked.
inline PhaseOutcome run_phases_then_release_on_exit(SearchRequest& request, FILE* out) {
  const PhaseOutcome outcome = run_search_phases(request, out);
  if (outcome == PhaseOutcome::kExitNow) release_search_resources(request);
  return outcome;
}

inline void run_whole_request(std::string_view body) {
  setenv("CONTENT_LENGTH", std::to_string(body.size()).c_str(), 1);
  FILE* in = stream_of(reinterpret_cast<const uint8_t*>(body.data()), body.size());
  PageSink page;
  page.closed_by_callee();  // the driver closes the page on every way out
  const int status =
      run_request(in, page.out(),
                  SearchPhases{run_phases_then_release_on_exit, release_search_resources});
  fclose(in);
  ZEB_FUZZ_CHECK(status == 0);  // the method and type are right: never rejected
  ZEB_FUZZ_CHECK(page.text().starts_with("Content-type: text/html\n\n\n"));
}

}  // namespace zeb::fuzz
