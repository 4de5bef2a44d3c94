#include "results/result_table.h"

#include "engine/ksv_api.h"
#include "engine/request_buffer.h"
#include "engine/return_codes.h"
#include "results/lookup_table.h"
#include "results/result_walk.h"

namespace zeb {

void write_result_table(SearchRequest& request, FILE* out) {
  fputs("<table border=0 cellpadding=8 cellspacing=0>\n", out);
  ResultWalk walk;
  load_document_locations(request, out);
  release_request_buffer(request);

  // The answers belong to the engine until its next call: never freed here.
  unsigned char* answer = nullptr;
  for (;;) {
    uint32_t length = 0;
    const int32_t code = KSVGETRESULTLIST(request.session, request.result_list,
                                          &length, &answer, &request.diag);
    if (code != kRcOk && code != kRcMoreEntries) {
      report_code(out, request.msgcat, code);
      break;
    }
    if (answer != nullptr) walk_answer(walk, request, answer, length, out);
    // Entries past the limit give no rows: fetching them would only cost.
    if (code == kRcOk || walk_finished(walk, request.result_limit)) break;
  }
  fputs("</table>\n", out);
}

}  // namespace zeb
