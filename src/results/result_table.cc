#include "results/result_table.h"

#include "engine/ksv_api.h"
#include "engine/request_buffer.h"
#include "engine/return_codes.h"
#include "results/lookup_table.h"
#include "results/result_walk.h"

namespace zeb {

namespace {

// An entry has at most three items, so it ends within three answers even
// when each answer holds one of them: two answers in a row may complete none.
constexpr int kMaxIdleAnswers = 2;

}  // namespace

void write_result_table(SearchRequest& request, FILE* out) {
  fputs("<table border=0 cellpadding=8 cellspacing=0>\n", out);
  ResultWalk walk;
  load_document_locations(request, out);
  release_request_buffer(request);

  // The answers belong to the engine until its next call: never freed here.
  unsigned char* answer = nullptr;
  int idle_answers = 0;
  for (;;) {
    uint32_t length = 0;
    const int32_t code = KSVGETRESULTLIST(request.session, request.result_list,
                                          &length, &answer, &request.diag);
    if (code != kRcOk && code != kRcMoreEntries) {
      report_code(out, request.msgcat, code);
      break;
    }
    const int32_t seen = walk.document_count;
    if (answer != nullptr) walk_answer(walk, request, answer, length, out);
    // Entries past the limit give no rows: fetching them would only cost.
    if (code == kRcOk || walk_finished(walk, request.result_limit)) break;
    // Answers that say more follow but bring no entry make no progress:
    // asking on could keep the page waiting for ever.
    idle_answers = walk.document_count == seen ? idle_answers + 1 : 0;
    if (idle_answers > kMaxIdleAnswers) break;
  }
  fputs("</table>\n", out);
}

}  // namespace zeb
