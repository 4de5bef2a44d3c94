#include "cgi/request_driver.h"

#include <cstdlib>
#include <memory>

#include "cgi/engine_fault_guard.h"
#include "cgi/field_passes.h"
#include "request/fixed_copy.h"
#include "cgi/form_decoder.h"
#include "cgi/page_frame.h"
#include "cgi/search_log.h"
#include "query/query_terms.h"
#include "engine/return_codes.h"
#include "query/request_echo.h"

namespace zeb {

namespace {

constexpr const char* kInvalidForm = "An invalid search form has been specified";
constexpr int32_t kRcIndexNotAccessible = 62;

struct EnginePhases {
  const SearchPhases& phases;
  SearchRequest& request;
  FILE* out;
  PhaseOutcome outcome = PhaseOutcome::kPageTail;
};

// The phases that call the search engine. Should the library crash on a
// damaged index, the page reports the index as not accessible, as a search
// that found the damage does, and goes on to its tail.
PhaseOutcome run_engine_phases(const SearchPhases& phases, SearchRequest& request, FILE* out) {
  EnginePhases run{phases, request, out};
  const auto body = [](void* context) {
    auto& run = *static_cast<EnginePhases*>(context);
    run.outcome = run.phases.run(run.request, run.out);
  };
  if (run_guarding_faults(body, &run)) return run.outcome;
  fprintf(out, "<p>%s\n", "Search processing error has occurred.");
  report_code(out, request.msgcat, kRcIndexNotAccessible);
  return PhaseOutcome::kPageTail;
}

// The release of the engine's objects, unless the library crashed: its
// objects cannot be trusted then, and the process ends soon after.
void release_engine_objects(const SearchPhases& phases, SearchRequest& request) {
  if (fault_taken_back()) return;
  const auto body = [](void* context) {
    auto& run = *static_cast<EnginePhases*>(context);
    run.phases.release(run.request);
  };
  EnginePhases run{phases, request, nullptr};
  run_guarding_faults(body, &run);
}

// Everything between the header template and the page tail.
PhaseOutcome run_page_body(FormTable& table, SearchRequest& request, FILE* out,
                           const SearchPhases& phases) {
  QueryOutcome fields = apply_query_options(table, request, out);
  check_stripes(request);
  if (fields == QueryOutcome::kEndPage) return PhaseOutcome::kPageTail;
  if (check_query_present(request, out) == QueryOutcome::kEndPage) return PhaseOutcome::kPageTail;
  echo_search_request(request, out);
  return run_engine_phases(phases, request, out);
}

}  // namespace

int run_request(FILE* in, FILE* out) { return run_request(in, out, SearchPhases{}); }

int run_request(FILE* in, FILE* out, const SearchPhases& phases) {
  const SearchLogStart log_start = start_search_log();
  auto request = std::make_unique<SearchRequest>();
  const char* script = getenv("SCRIPT_NAME");
  copy_cut(request->script_path, script != nullptr ? script : kDefaultScriptPath);

  fprintf(out, "Content-type: text/html%c%c\n", '\n', '\n');

  // The entries outlive every phase: the record points into their values.
  FormTable table;
  if (decode_form(table, in, out) == kFormRejected) {
    fprintf(out, "<P>%s!</HTML>\n", kInvalidForm);
    fclose(out);
    return 1;
  }
  apply_page_options(table, *request);
  print_header(*request, out);

  if (run_page_body(table, *request, out, phases) == PhaseOutcome::kExitNow) {
    fclose(out);
    return 0;
  }

  // Page tail. The page is closed first, so the web server sees its end
  // before any clean-up runs.
  print_footer(*request, out);
  fputs("</BODY></HTML>\n", out);
  fclose(out);
  write_search_log(log_start, *request);
  release_engine_objects(phases, *request);
  free_form_entries(table);
  return 0;
}

}  // namespace zeb
