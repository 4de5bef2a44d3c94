// Placeholder until the engine client lands: the driver goes from the echo
// straight to the page tail.
#include "engine/search_phases.h"

namespace zeb {

PhaseOutcome run_search_phases(SearchRequest&, FILE*) {
  return PhaseOutcome::kPageTail;
}

void release_search_resources(SearchRequest&) {}

}  // namespace zeb
