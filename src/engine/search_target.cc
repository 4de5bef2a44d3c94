#include "engine/search_target.h"

#include "engine/data_stream.h"
#include "engine/ksv_api.h"
#include "engine/return_codes.h"

namespace zeb {

namespace {

int create_index_group(SearchRequest& request, FILE* out) {
  RequestBuffer buffer;
  buffer.reset(request.request_buffer);
  for (int32_t i = 0; i < request.index_count && i < kMaxListEntries; ++i)
    if (request.indexes[i].present())
      append_text(buffer, kItemIndexName, request.indexes[i].name);
  const int32_t rc = KSVCREATEINDEXGROUP(request.session, buffer.length(),
                                         buffer.start, &request.index_group,
                                         &request.diag);
  if (rc != kRcOk) {
    report_code(out, request.msgcat, rc);
    return 1;
  }
  request.search_target = request.index_group;
  return 0;
}

int add_query_scope(SearchRequest& request, FILE* out) {
  RequestBuffer buffer;
  buffer.reset(request.request_buffer);
  append_start(buffer, kItemQueryScope);
  for (int32_t i = 0; i < request.index_count && i < kMaxListEntries; ++i) {
    if (!request.indexes[i].present()) continue;
    append_start(buffer, kItemIndexScope);
    append_text(buffer, kItemIndexName, request.indexes[i].name);
    for (int32_t s = 0; s < request.scope_count && s < kMaxListEntries; ++s)
      append_text(buffer, kItemScopeValue,
                  request.scopes[s] != nullptr ? request.scopes[s] : "");
    append_end(buffer, kItemIndexScope);
  }
  append_end(buffer, kItemQueryScope);
  const int32_t rc = KSVADDQUERYSCOPE(request.session, request.index_group,
                                      buffer.length(), buffer.start,
                                      &request.diag);
  if (rc == kRcOk) return 0;
  report_code(out, request.msgcat, rc);
  return 1;
}

}  // namespace

int set_search_target(SearchRequest& request, FILE* out) {
  if (request.open_count == 1) {
    for (int32_t i = 0; i < request.index_count && i < kMaxListEntries; ++i) {
      if (request.indexes[i].present()) {
        request.search_target = request.indexes[i].handle;
        break;
      }
    }
    return 0;
  }
  if (create_index_group(request, out) != 0) return 1;
  if (request.scope_count == 0) return 0;
  return add_query_scope(request, out);
}

}  // namespace zeb
