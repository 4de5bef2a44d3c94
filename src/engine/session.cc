#include "engine/session.h"

#include <cstring>

#include "engine/ksv_api.h"
#include "engine/return_codes.h"

namespace zeb {

int build_session_request(SearchRequest& request, RequestBuffer& buffer) {
  buffer.reset(request.request_buffer);
  append_start(buffer, kItemSession);
  append_text(buffer, kItemServerName, kServerName);
  return append_end(buffer, kItemSession);
}

int start_session(SearchRequest& request, const RequestBuffer& buffer,
                  FILE* out) {
  const int32_t rc = KSVSTARTSESSION(buffer.length(), buffer.start,
                                     &request.session, &request.diag);
  if (rc == kRcOk) return 0;
  report_code(out, request.msgcat, rc);
  return 1;
}

void apply_scope_all(SearchRequest& request) {
  for (int32_t i = 0; i < request.scope_count; ++i) {
    if (request.scopes[i] != nullptr && std::strcmp(request.scopes[i], "ALL") == 0) {
      request.scope_count = 0;
      return;
    }
  }
}

int open_indexes(SearchRequest& request, FILE* out) {
  RequestBuffer buffer;
  for (int32_t i = 0; i < request.index_count && i < kMaxListEntries; ++i) {
    SelectedIndex& slot = request.indexes[i];
    if (!slot.present()) continue;
    buffer.reset(request.request_buffer);
    append_text(buffer, kItemIndexName, slot.name);
    const int32_t rc = KSVOPENINDEX(request.session, buffer.length(),
                                    buffer.start, &slot.handle, &request.diag);
    if (rc == kRcOk) {
      ++request.open_count;
      continue;
    }
    report_index_code(out, request.msgcat, slot.name, rc);
    slot.name = nullptr;
    slot.handle = 0;
  }
  if (request.open_count != 0) return 0;
  fprintf(out, "<p><b>%s</b>\n", "No target for search specified");
  return 1;
}

}  // namespace zeb
