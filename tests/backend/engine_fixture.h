// A fixture that drives the engine interface against a test instance: a
// session, index handles, searches and whole result lists read back.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "backend/test_index.h"
#include "engine/ksv_api.h"

namespace zeb::testing {

struct ListedEntry {
  std::string document_id;
  std::string index_name;
  bool has_rank = false;
  float rank = 0.0f;
};

struct SearchOutcome {
  int32_t rc = -1;
  uint32_t result = 0;
  uint32_t found = 0;
};

// Reads the entries of one answer; false when the answer breaks the entry
// order (106, 60, then 536 when ranked).
inline bool read_answer(const unsigned char* answer, uint32_t length,
                        std::vector<ListedEntry>& entries) {
  StreamWalker walker(answer, length);
  StreamItem item;
  while (walker.next(item)) {
    if (item.type != kAtomicItem) return false;
    if (item.id == kItemDocumentId) {
      entries.push_back({std::string(reinterpret_cast<const char*>(item.data),
                                     item.data_length), "", false, 0.0f});
    } else if (item.id == kItemIndexName && !entries.empty()) {
      entries.back().index_name.assign(reinterpret_cast<const char*>(item.data),
                                       item.data_length);
    } else if (item.id == kItemRankValue && item.data_length == 4 && !entries.empty()) {
      const uint32_t bits = item.data[0] | (item.data[1] << 8) | (item.data[2] << 16) |
                            (static_cast<uint32_t>(item.data[3]) << 24);
      std::memcpy(&entries.back().rank, &bits, sizeof bits);
      entries.back().has_rank = true;
    } else {
      return false;
    }
  }
  return !walker.broken();
}

class EngineTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (session_ != 0) KSVENDSESSION(session_, &diag_);
  }

  TestInstance& instance() {
    if (!instance_) instance_ = std::make_unique<TestInstance>();
    return *instance_;
  }

  static Request session_request(const std::string& server = "SERVER") {
    Request request;
    request.start(kItemSession).text(kItemServerName, server).end(kItemSession);
    return request;
  }

  int32_t start_session() {
    const Request request = session_request();
    return KSVSTARTSESSION(request.length(), request.data(), &session_, &diag_);
  }

  int32_t open(const std::string& name, uint32_t& index) {
    Request request;
    request.text(kItemIndexName, name);
    return KSVOPENINDEX(session_, request.length(), request.data(), &index, &diag_);
  }

  uint32_t open_ok(const std::string& name) {
    uint32_t index = 0;
    EXPECT_EQ(open(name, index), 0) << name;
    return index;
  }

  SearchOutcome search(uint32_t target, const Request& request) {
    SearchOutcome out;
    out.rc = KSVSEARCH(session_, target, request.length(), request.data(), &out.result,
                       &out.found, &diag_);
    return out;
  }

  // The whole result list: ranked first when `rank`, then every answer;
  // `answers` receives the code of each KSVGETRESULTLIST call.
  std::vector<ListedEntry> list_all(uint32_t result, bool rank,
                                    std::vector<int32_t>* answers = nullptr) {
    std::vector<ListedEntry> entries;
    if (rank) {
      EXPECT_EQ(KSVRANK(session_, result, &diag_), 0);
    }
    uint32_t list = 0, value = 0;
    EXPECT_EQ(KSVCREATERESULTLIST(session_, result, &list, &value, &diag_), 0);
    for (int call = 0; call < 1000; ++call) {
      uint32_t length = 0;
      unsigned char* answer = nullptr;
      const int32_t rc = KSVGETRESULTLIST(session_, list, &length, &answer, &diag_);
      if (answers) answers->push_back(rc);
      if (rc != 0 && rc != 1) break;
      EXPECT_TRUE(read_answer(answer, length, entries));
      if (rc == 0) break;
    }
    EXPECT_EQ(KSVDELETERESULTLIST(session_, list, &diag_), 0);
    return entries;
  }

  // The document paths a search finds, in list order.
  std::vector<std::string> paths_found(uint32_t target, const Request& request) {
    const SearchOutcome outcome = search(target, request);
    EXPECT_TRUE(outcome.rc == 0 || outcome.rc == 10) << "rc " << outcome.rc;
    std::vector<std::string> paths;
    if (outcome.result == 0) return paths;
    for (const ListedEntry& entry : list_all(outcome.result, false))
      paths.push_back(entry.document_id.substr(0, entry.document_id.find(';')));
    EXPECT_EQ(KSVDELETERESULT(session_, outcome.result, &diag_), 0);
    return paths;
  }

  std::unique_ptr<TestInstance> instance_;
  uint32_t session_ = 0;
  int32_t diag_ = 0;
};

}  // namespace zeb::testing
