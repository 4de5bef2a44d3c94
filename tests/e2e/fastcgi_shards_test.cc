// One FastCGI process searching an index of three shard servers keeps its
// connections from one request to the next, sees an update made between
// two requests, and gets over a shard server that went down and came back.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "e2e/fastcgi_client.h"
#include "e2e/sharded_instance.h"

namespace zeb::testing {
namespace {

class FastcgiShards : public ShardedInstance {
 protected:
  void SetUp() override {
    ShardedInstance::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    for (const char* name : {"a", "b", "c", "d"})
      dir_.write("docs/" + std::string(name) + ".html",
                 "<title>Page " + std::string(name) + "</title><p>apples</p>");
    create_indexes();
    server_ = std::make_unique<FastcgiServer>(ZEB_BIN_DIR "/zebsrch", dir_.path() + "/zebsrch.sock");
  }

  void TearDown() override {
    if (server_) {
      EXPECT_EQ(server_->stop(), 0) << server_->err();
    }
  }

  // The page of a search through the long-lived process; it ends with the
  // page tail.
  std::string apples() {
    const std::string body =
        "SelectIndex=sharded&query_word0=apples&header=header.html&footer=footer.html";
    const FastcgiAnswer page = fastcgi_request(
        server_->socket(),
        {"REQUEST_METHOD=POST", "CONTENT_TYPE=application/x-www-form-urlencoded",
         "CONTENT_LENGTH=" + std::to_string(body.size()), "ZEBINSTSRV=" + instance(),
         "ZEBINST=SHARDS"},
        body);
    EXPECT_EQ(page.app_status, 0);
    EXPECT_NE(page.out.find("</BODY></HTML>\n"), std::string::npos) << page.out;
    return page.out;
  }

  // The local ports of the connections some process holds open to the
  // shard servers (the servers' own ends are left out).
  std::set<std::string> client_ports() const {
    std::set<std::string> remote_ports;
    for (const auto& shard : shards_) {
      std::ostringstream hex;
      hex << std::uppercase << std::hex << shard->port();
      remote_ports.insert(std::string(4 - hex.str().size(), '0') + hex.str());
    }
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);  // the heading
    std::set<std::string> ports;
    while (std::getline(table, line)) {
      std::istringstream fields(line);
      std::string slot, local, remote, state;
      fields >> slot >> local >> remote >> state;
      if (state == "01" && remote_ports.count(remote.substr(remote.find(':') + 1)))
        ports.insert(local.substr(local.find(':') + 1));
    }
    return ports;
  }

  static bool has(const std::string& page, const std::string& text) {
    return page.find(text) != std::string::npos;
  }

  std::unique_ptr<FastcgiServer> server_;
};

TEST_F(FastcgiShards, ConnectionsAreKeptAndFollowTheShards) {
  EXPECT_TRUE(has(apples(), "4 top document(s) returned"));
  const std::set<std::string> kept = client_ports();
  EXPECT_EQ(kept.size(), kShards);
  EXPECT_TRUE(has(apples(), "4 top document(s) returned"));
  EXPECT_EQ(client_ports(), kept);

  dir_.write("docs/e.html", "<title>Page e</title><p>apples</p>");
  const ProcessResult updated = admin({"update", "sharded"});
  ASSERT_EQ(updated.exit_status, 0) << updated.err;
  EXPECT_TRUE(has(apples(), "5 top document(s) returned"));

  shards_[1]->stop();
  EXPECT_TRUE(has(apples(), "The specified Vantora server is not available. (rc=33)"));
  shards_[1]->start();
  ASSERT_TRUE(shards_[1]->ready());
  EXPECT_TRUE(has(apples(), "5 top document(s) returned"));
  EXPECT_EQ(client_ports().size(), kShards);
}

}  // namespace
}  // namespace zeb::testing
