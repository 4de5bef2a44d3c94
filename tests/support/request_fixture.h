// A SearchRequest for tests of the engine client, with storage for the texts
// the form would have given it (index names are changed in place, so they
// need storage of their own).
#pragma once

#include <deque>
#include <initializer_list>
#include <memory>
#include <string>

#include "request/search_request.h"
#include "engine/request_buffer.h"

namespace zeb::testing {

class TestRequest {
 public:
  TestRequest() : request_(std::make_unique<SearchRequest>()) {}
  ~TestRequest() { release_request_buffer(*request_); }

  SearchRequest& operator*() { return *request_; }
  SearchRequest* operator->() { return request_.get(); }

  // A text that lives as long as the request.
  char* keep(std::string text) {
    texts_.push_back(std::move(text));
    return texts_.back().data();
  }
  // Selects indexes, as the form's SelectIndex values (already upper case).
  TestRequest& indexes(std::initializer_list<const char*> names) {
    for (const char* name : names)
      request_->indexes[request_->index_count++].name = keep(name);
    return *this;
  }
  // Adds a query term with its connector code (ignored for the first term).
  TestRequest& term(const char* text, uint16_t connector = kConnectorNone) {
    request_->connectors[request_->term_count] = connector;
    request_->terms[request_->term_count++] = keep(text);
    request_->terms_flag = true;
    return *this;
  }
  TestRequest& topic(const char* text) {
    request_->topics[request_->topic_count++] = keep(text);
    return *this;
  }
  TestRequest& scope(const char* text) {
    request_->scopes[request_->scope_count++] = keep(text);
    return *this;
  }
  TestRequest& free_text(const std::string& text) {
    request_->free_text[text.copy(request_->free_text, kFreeTextSize - 1)] = '\0';
    request_->free_text_flag = true;
    return *this;
  }

 private:
  std::unique_ptr<SearchRequest> request_;
  std::deque<std::string> texts_;
};

}  // namespace zeb::testing
