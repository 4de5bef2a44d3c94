#include "cgi/search_phases.h"

#include "engine/data_stream.h"
#include "engine/ksv_api.h"
#include "engine/request_buffer.h"
#include "engine/search.h"
#include "engine/search_target.h"
#include "engine/session.h"
#include "query/search_request_builder.h"
#include "query/spelling_resources.h"
#include "results/lookup_table.h"
#include "results/new_search_form.h"
#include "results/paging.h"
#include "results/result_table.h"

namespace zeb {

namespace {

// The phases from the session to the result list; false when the page ends.
bool search(SearchRequest& request, RequestBuffer& buffer, FILE* out) {
  if (start_session(request, buffer, out) != 0) return false;
  apply_scope_all(request);
  take_lookup_table(request);
  if (open_indexes(request, out) != 0) {
    release_request_buffer(request);
    return false;
  }
  if (request.spelling && prepare_spelling_resources(request, out) != 0) return false;
  if (set_search_target(request, out) != 0) return false;
  if (build_search_request(request, buffer, out) != 1) return false;
  if (run_search(request, buffer, out) != 0) return false;
  write_new_search_form(request, out);
  const int counted = request.first_number != 0 ? write_page_line(request, out)
                                                : write_result_count(request, out);
  if (counted != 0) return false;
  if (rank_result(request, out) != 0) return false;
  if (create_result_list(request, out) != 0) return false;
  return sort_result_list(request, out) == 0;
}

}  // namespace

PhaseOutcome run_search_phases(SearchRequest& request, FILE* out) {
  if (allocate_request_buffer(request) != 0) return PhaseOutcome::kExitNow;
  RequestBuffer buffer;
  if (build_session_request(request, buffer) != 1) {
    release_request_buffer(request);
    return PhaseOutcome::kExitNow;
  }
  if (search(request, buffer, out)) write_result_table(request, out);
  return PhaseOutcome::kPageTail;
}

void release_search_resources(SearchRequest& request) {
  // The codes of the release calls are of no use to anyone: the page is
  // already closed.
  int32_t* diag = &request.diag;
  if (request.result_list != 0) KSVDELETERESULTLIST(request.session, request.result_list, diag);
  if (request.result != 0) KSVDELETERESULT(request.session, request.result, diag);
  if (request.index_group != 0) KSVDELETEINDEXGROUP(request.session, request.index_group, diag);
  for (const SelectedIndex& slot : request.indexes)
    if (slot.handle != 0) KSVCLOSEINDEX(request.session, slot.handle, diag);
  if (request.session != 0) KSVENDSESSION(request.session, diag);
  request.result_list = request.result = request.index_group = 0;
  for (SelectedIndex& slot : request.indexes) slot.handle = 0;
  request.session = 0;
  release_spelling_image(request);
  release_request_buffer(request);
  release_lookup_table(request);
}

}  // namespace zeb
