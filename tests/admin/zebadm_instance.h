// An instance that zebadm builds from a small document tree, searched in
// process through the engine interface: the indexer and the back end
// together, as ranking needs them.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "backend/engine_fixture.h"
#include "temp_tree.h"
#include "zebadm_runner.h"

namespace zeb::testing {

struct RankedEntry {
  std::string path;
  float rank = 0;
};

class ZebadmInstance : public EngineTest {
 protected:
  // Writes `files` below docs/, makes the instance and the index DOCS of
  // them, and starts a session on it.
  void build(const std::map<std::string, std::string>& files) {
    for (const auto& [path, bytes] : files) tree_.write("docs/" + path, bytes);
    ASSERT_EQ(admin({"init", "test"}).status, 0);
    const testing_support::AdminRun created = admin({"create", "DOCS", docs()});
    ASSERT_EQ(created.status, 0) << created.err;
    ::setenv("ZEBINSTSRV", instance_dir().c_str(), 1);
    ASSERT_EQ(start_session(), 0);
    docs_ = open_ok("DOCS");
  }

  testing_support::AdminRun admin(const std::vector<std::string>& args) {
    return testing_support::run_admin(args, instance_dir().c_str());
  }
  std::string instance_dir() const { return tree_.path("instance"); }
  std::string docs() const { return tree_.path("docs"); }
  std::string database_dir() const { return instance_dir() + "/data/DOCS/xapian"; }

  // The documents a search lists, in rank order, with their rank values.
  std::vector<RankedEntry> ranked(const Request& request) {
    const SearchOutcome outcome = search(docs_, request);
    EXPECT_TRUE(outcome.rc == 0 || outcome.rc == 10) << "rc " << outcome.rc;
    std::vector<RankedEntry> entries;
    if (outcome.result == 0) return entries;
    for (const ListedEntry& entry : list_all(outcome.result, true)) {
      EXPECT_TRUE(entry.has_rank);
      entries.push_back({entry.document_id.substr(0, entry.document_id.find(';')), entry.rank});
    }
    EXPECT_EQ(KSVDELETERESULT(session_, outcome.result, &diag_), 0);
    return entries;
  }
  std::vector<std::string> paths(const std::vector<RankedEntry>& entries) {
    std::vector<std::string> out;
    for (const RankedEntry& entry : entries) out.push_back(entry.path);
    return out;
  }

  static Request free_text(const std::string& text) {
    Request request;
    request.constants().flag(kItemRanking).free_text(text);
    return request;
  }
  // Words joined by AND, ranked.
  static Request ranked_words(std::initializer_list<std::string> words) {
    Request request;
    request.constants().flag(kItemRanking);
    bool first = true;
    for (const std::string& word : words) {
      if (!first) request.flag(kItemAnd);
      request.term(word);
      first = false;
    }
    return request;
  }

  testing_support::TempTree tree_;
  uint32_t docs_ = 0;
};

}  // namespace zeb::testing
