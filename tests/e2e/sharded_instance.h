// The instance of the sharded end-to-end tests: three writable xapian-tcpsrv
// on 127.0.0.1, and zebadm and zebsrch run as processes against an instance
// that holds the same document tree twice, as the index SHARDED spread over
// the three servers and as the local index LOCAL.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cgi/temp_dir.h"
#include "e2e/cgi_post.h"
#include "support/shard_server.h"

namespace zeb::testing {

// The waits the instance allows its shards, in milliseconds: short, so that
// the fault tests are quick, and far from the bound run_process puts on a
// page (kPageBoundSeconds), so that a search that would hang is told apart.
constexpr unsigned kTestConnectMs = 500;
constexpr unsigned kTestSearchMs = 3000;
constexpr int kPageBoundSeconds = 60;

// One row of a result page.
struct PageRow {
  std::string link, title, rank;  // rank: the "(0.8500)" text, empty when unranked
};

inline std::vector<PageRow> page_rows(const std::string& page) {
  std::vector<PageRow> rows;
  const std::string anchor = "<A HREF=\"";
  for (size_t at = page.find(anchor); at != std::string::npos; at = page.find(anchor, at + 1)) {
    const size_t link_end = page.find('"', at + anchor.size());
    PageRow row;
    row.link = page.substr(at + anchor.size(), link_end - at - anchor.size());
    if (row.link.rfind("searchit?", 0) == 0) continue;  // a spelling table's link
    const size_t title = page.find("<b>", link_end) + 3;
    const size_t title_end = page.find("</b>", title);
    row.title = page.substr(title, title_end - title);
    const size_t rank = page.find("<br>(", title_end);
    if (rank != std::string::npos && rank < page.find(anchor, title_end))
      row.rank = page.substr(rank + 5, page.find(')', rank) - rank - 5);
    rows.push_back(row);
  }
  return rows;
}

class ShardedInstance : public ::testing::Test {
 protected:
  static constexpr size_t kShards = 3;

  void SetUp() override {
    if (!shard_server_installed()) GTEST_SKIP() << "xapian-tcpsrv not installed";
    std::filesystem::create_directories(dir_.path() + "/shards");
    for (size_t i = 0; i < kShards; ++i) {
      shards_.push_back(std::make_unique<ShardServer>(
          dir_.path() + "/shards/" + std::to_string(i), ShardServer::kWritable));
      ASSERT_TRUE(shards_.back()->ready());
    }
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"init", "shards"},
             {"timeouts", std::to_string(kTestConnectMs), std::to_string(kTestSearchMs)}}) {
      const ProcessResult r = admin(args);
      ASSERT_EQ(r.exit_status, 0) << args[0] << ": " << r.err;
    }
  }

  // Indexes the tree under docs() as SHARDED and LOCAL.
  void create_indexes() {
    std::vector<std::string> sharded = {"create", "sharded", docs()};
    for (const auto& shard : shards_) {
      sharded.push_back("--shard");
      sharded.push_back(shard->address());
    }
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             sharded, {"create", "local", docs()}}) {
      const ProcessResult r = admin(args);
      ASSERT_EQ(r.exit_status, 0) << args[1] << ": " << r.err;
    }
  }

  std::string instance() const { return dir_.path() + "/instance"; }
  std::string docs() const { return dir_.path() + "/docs"; }
  std::string shard_dir(size_t i) const { return dir_.path() + "/shards/" + std::to_string(i); }

  ProcessResult admin(const std::vector<std::string>& args) const {
    return run_process(ZEB_BIN_DIR "/zebadm", args, {"ZEBINSTSRV=" + instance()}, "");
  }

  // The page for a posted form, which must end with the page tail.
  std::string search(const std::string& fields) const {
    const std::string body = fields + "&limit_number=5000&header=header.html&footer=footer.html";
    const ProcessResult r =
        run_process(ZEB_BIN_DIR "/zebsrch", {},
                    {"REQUEST_METHOD=POST", "CONTENT_TYPE=application/x-www-form-urlencoded",
                     "CONTENT_LENGTH=" + std::to_string(body.size()), "ZEBINSTSRV=" + instance(),
                     "ZEBINST=SHARDS"},
                    body, kPageBoundSeconds);
    EXPECT_EQ(r.exit_status, 0) << fields << "\n" << r.err;
    const std::string tail = "</BODY></HTML>\n";
    EXPECT_TRUE(r.out.size() >= tail.size() &&
                r.out.compare(r.out.size() - tail.size(), tail.size(), tail) == 0)
        << fields << "\n" << r.out;
    return r.out;
  }

  TempDir dir_;
  std::vector<std::unique_ptr<ShardServer>> shards_;
};

}  // namespace zeb::testing
