#include "query/search_request_builder.h"

#include <algorithm>
#include <cstring>

#include "engine/return_codes.h"
#include "query/spelling_display.h"

namespace zeb {

namespace {

const char* text_or_empty(const char* text) { return text != nullptr ? text : ""; }

constexpr int32_t kRcTooComplex = 22;

// Appends items and tells whether every one of them fitted: a stream with an
// item left out would be another query, or no query at all.
class Writer {
 public:
  explicit Writer(RequestBuffer& buffer) : buffer_(buffer) {}
  void start(uint16_t id) { note(append_start(buffer_, id)); }
  void end(uint16_t id) { note(append_end(buffer_, id)); }
  void flag(uint16_t id) { note(append_atomic(buffer_, id, nullptr, 0)); }
  void byte(uint16_t id, uint8_t value) { note(append_byte(buffer_, id, value)); }
  void u16(uint16_t id, uint16_t value) { note(append_u16(buffer_, id, value)); }
  void bytes(uint16_t id, const void* data, size_t length) {
    note(append_atomic(buffer_, id, data, length));
  }
  void text(uint16_t id, const char* text) { note(append_text(buffer_, id, text)); }
  bool all_fitted() const { return all_fitted_; }

 private:
  void note(int appended) { all_fitted_ = all_fitted_ && appended == 1; }

  RequestBuffer& buffer_;
  bool all_fitted_ = true;
};

uint8_t term_type(const SearchRequest& request) {
  return request.linguistic ? kTermTypeLinguistic : kTermTypeExact;
}

void show_variants(const SearchRequest& request, const char* text, FILE* out) {
  if (!request.spelling) return;
  show_spelling_variants(request.spelling_image, request.spelling_size, text,
                         text_or_empty(request.indexes[0].name), out);
}

uint16_t max_results(const SearchRequest& request) {
  if (request.scope_count == 0) return request.result_limit;
  const int64_t wanted =
      int64_t{request.result_limit} * request.scope_count * kScopeResultFactor;
  return static_cast<uint16_t>(std::min<int64_t>(kMaxResultsWithScope, wanted));
}

void write_topic(Writer& w, const char* topic) {
  // A longer topic is cut so that it fits between its markers.
  unsigned char framed[kTopicTextSize];
  const size_t length = std::min(std::strlen(topic), kMaxTopicLength);
  framed[0] = framed[1] = kTopicMarker;
  std::memcpy(framed + 2, topic, length);
  framed[length + 2] = framed[length + 3] = kTopicMarker;
  w.start(kItemTerm);
  w.byte(kItemTermType, kTermTypeExact);
  w.bytes(kItemText, framed, length + 4);
  w.end(kItemTerm);
}

void write_topics(const SearchRequest& request, Writer& w) {
  const int32_t count = std::min<int32_t>(request.topic_count, kMaxListEntries);
  if (count == 1) {
    write_topic(w, text_or_empty(request.topics[0]));
    return;
  }
  w.start(kItemBracket);
  for (int32_t i = 0; i < count; ++i) {
    if (i != 0) w.flag(kItemOr);
    write_topic(w, text_or_empty(request.topics[i]));
  }
  w.end(kItemBracket);
}

// The operator before a term after the first. A NOT between two terms is
// AND NOT; a term that was given no connector is ANDed.
void write_operator(Writer& w, uint16_t connector) {
  switch (connector) {
    case kConnectorOr:
      w.flag(kItemOr);
      return;
    case kConnectorNot:
      w.flag(kItemAnd);
      w.flag(kItemNot);
      return;
    default:
      w.flag(kItemAnd);
      return;
  }
}

void write_term(const SearchRequest& request, Writer& w, const char* text, FILE* out) {
  w.start(kItemTerm);
  const bool any = std::strchr(text, '*') != nullptr;
  const bool one = std::strchr(text, '?') != nullptr;
  if (any) w.byte(kItemMaskAny, '*');
  if (one) w.byte(kItemMaskOne, '?');
  if (!any && !one) {
    show_variants(request, text, out);
    w.byte(kItemTermType, term_type(request));
  }
  w.text(kItemText, text);
  w.end(kItemTerm);
}

void write_terms(SearchRequest& request, Writer& w, FILE* out) {
  const int32_t count = std::min<int32_t>(request.term_count, kMaxListEntries);
  const bool bracket = count >= 2 && request.topic_count >= 1;
  if (bracket) w.start(kItemBracket);
  for (int32_t i = 0; i < count; ++i) {
    if (i != 0) {
      write_operator(w, request.connectors[i]);
    } else if (request.leading_not) {
      w.flag(kItemNot);
      request.leading_not = false;
    }
    write_term(request, w, text_or_empty(request.terms[i]), out);
  }
  if (bracket) w.end(kItemBracket);
}

void write_free_text(SearchRequest& request, Writer& w, FILE* out) {
  show_variants(request, request.free_text, out);
  w.start(kItemFreeText);
  w.byte(kItemTermType, term_type(request));
  w.bytes(kItemText, request.free_text, strnlen(request.free_text, kFreeTextSize - 1));
  w.end(kItemFreeText);
  request.rank = true;  // a query with free text is always ranked and sorted
}

// What newer forms ask of the list: where it starts, excerpts, dates.
void write_row_requests(const SearchRequest& request, Writer& w) {
  if (request.first_number > 1) {
    const uint32_t skip = static_cast<uint32_t>(request.first_number - 1);
    const unsigned char bytes[4] = {static_cast<unsigned char>(skip >> 24),
                                    static_cast<unsigned char>(skip >> 16),
                                    static_cast<unsigned char>(skip >> 8),
                                    static_cast<unsigned char>(skip)};
    w.bytes(kItemFirstEntry, bytes, sizeof bytes);
  }
  if (request.excerpts) w.byte(kItemExcerpt, request.excerpt_words);
  if (request.show_date) w.flag(kItemRowDate);
  // The list need not go past the page: its rows' documents and extras
  // would be read for nothing.
  if (request.first_number != 0 || request.excerpts || request.show_date)
    w.u16(kItemRowsShown, request.result_limit);
}

}  // namespace

int build_search_request(SearchRequest& request, RequestBuffer& buffer, FILE* out) {
  buffer.reset(request.request_buffer);
  Writer w(buffer);
  if (request.free_text_flag || request.rank) w.flag(kItemRanking);
  // A page of a longer list counts every match: no cap then.
  if (request.free_text_flag && request.first_number == 0)
    w.u16(kItemMaxResults, max_results(request));
  write_row_requests(request, w);
  if (request.scope_count != 0 && request.open_count == 1) {
    w.start(kItemQueryScope);
    for (int32_t i = 0; i < request.scope_count && i < kMaxListEntries; ++i)
      w.text(kItemScopeValue, text_or_empty(request.scopes[i]));
    w.end(kItemQueryScope);
  }
  w.u16(kItemCodePage, request.code_page);
  w.u16(kItemLanguage, request.language);
  if (request.topic_count > 0) {
    write_topics(request, w);
    if (request.terms_flag) w.flag(kItemAnd);
  }
  if (request.terms_flag) write_terms(request, w, out);
  if (request.free_text_flag) write_free_text(request, w, out);
  if (w.all_fitted()) return 1;
  // The query is larger than the one request buffer can carry: the engine's
  // own answer to a query too large to run.
  report_code(out, request.msgcat, kRcTooComplex);
  return 0;
}

}  // namespace zeb
