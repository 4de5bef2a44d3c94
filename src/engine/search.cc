#include "engine/search.h"

#include <algorithm>

#include "engine/ksv_api.h"
#include "engine/return_codes.h"

namespace zeb {

namespace {

constexpr uint8_t kSortItemValue = 1;  // items 502 and 500 always carry 1

// Warnings of a search: shown, and the result is used as it is.
bool is_search_warning(int32_t rc) {
  return rc == 8 || rc == 10 || rc == 22 || rc == 72 || rc == kRcEmptyRequest;
}

}  // namespace

int run_search(SearchRequest& request, const RequestBuffer& buffer, FILE* out) {
  const int32_t rc =
      KSVSEARCH(request.session, request.search_target, buffer.length(),
                buffer.start, &request.result, &request.found, &request.diag);
  if (rc == kRcOk || rc == kRcNoDictionary) return 0;
  if (is_search_warning(rc)) {
    report_code(out, request.msgcat, rc);
    return 0;
  }
  fprintf(out, "<p>%s\n", "Search processing error has occurred.");
  report_code(out, request.msgcat, rc);
  return request.found == 0 ? 1 : 0;
}

int write_result_count(const SearchRequest& request, FILE* out) {
  if (request.found == 0) {
    fprintf(out, "<p>%s<hr>\n", "No matching documents found");
    return 1;
  }
  const uint32_t shown = std::min<uint32_t>(request.result_limit, request.found);
  // The count is printed as the signed number it is held as.
  fprintf(out, "<p><b><font size=-1>%d %s</font></b><p>\n",
          static_cast<int32_t>(shown), "top document(s) returned");
  // Only an index whose catalogue entry allows partial answers can have
  // parts that did not answer; the line holds numbers only.
  uint32_t answered = 0, parts = 0;
  int32_t diag = 0;
  if (KSVRESULTPARTS(request.session, request.result, &answered, &parts, &diag) == kRcOk &&
      answered < parts)
    fprintf(out, "<p><font size=-1>%u of %u parts of the index answered.</font><p>\n", answered,
            parts);
  return 0;
}

int rank_result(SearchRequest& request, FILE* out) {
  if (!request.rank) return 0;
  const int32_t rc = KSVRANK(request.session, request.result, &request.diag);
  if (rc == kRcOk) return 0;
  report_code(out, request.msgcat, rc);
  if (rc != kRcNoRankingData) return 1;
  request.rank = false;
  return 0;
}

int create_result_list(SearchRequest& request, FILE* out) {
  const int32_t rc =
      KSVCREATERESULTLIST(request.session, request.result, &request.result_list,
                          &request.list_value, &request.diag);
  if (rc == kRcOk) return 0;
  report_code(out, request.msgcat, rc);
  return 1;
}

int sort_result_list(SearchRequest& request, FILE* out) {
  if (!request.rank) return 0;
  RequestBuffer buffer;
  buffer.reset(request.request_buffer);
  append_start(buffer, kItemSort);
  append_byte(buffer, kItemSortOrder, kSortItemValue);
  append_byte(buffer, kItemSortKey, kSortItemValue);
  append_end(buffer, kItemSort);
  const int32_t rc = KSVSORT(request.session, request.result_list,
                             buffer.length(), buffer.start, &request.diag);
  if (rc == kRcOk) return 0;
  report_code(out, request.msgcat, rc);
  return 1;
}

}  // namespace zeb
