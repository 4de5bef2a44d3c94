// Shards with replicas on machines of their own (network namespaces): each
// primary runs the writable server with changesets and Xapian's replication
// server, each replica host Xapian's replication client and a read-only
// server over its copy. A primary killed, a replica cut off, a server
// frozen: the search gives the same pages while a live copy of every shard
// exists, never waits past the instance's timeouts, and zebadm refuses to
// write while a primary is down. Once the primary is back, an update goes
// through, the replicas catch up and `zebadm status` shows it.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "cgi/temp_dir.h"
#include "e2e/cgi_post.h"
#include "support/net_machines.h"
#include "support/shard_server.h"

namespace zeb::testing {
namespace {

constexpr const char* kReplicate = "/usr/bin/xapian-replicate";
constexpr const char* kReplicateServer = "/usr/bin/xapian-replicate-server";
constexpr unsigned kConnectMs = 300;
constexpr unsigned kSearchMs = 1000;
// Every copy of a shard tried once, each within both timeouts, with room
// for starting the process: a page that takes longer has hung.
constexpr int kCopies = 2;
constexpr int kPageBoundSeconds = 2 + kCopies * (kConnectMs + kSearchMs) / 1000 + 1;

class ShardReplicas : public ::testing::Test {
 protected:
  // Machines 0 and 1: the primaries of shards 1 and 2; 2 and 3: their replicas.
  static constexpr size_t kShards = 2;

  void SetUp() override {
    if (!shard_server_installed() || ::access(kReplicate, X_OK) != 0)
      GTEST_SKIP() << "xapian-tools not installed";
    net_ = std::make_unique<NetMachines>(2 * kShards);
    if (!net_->available()) GTEST_SKIP() << net_->why_not();
    for (int i = 0; i < 30; ++i)
      dir_.write("docs/part" + std::to_string(i % 4) + "/page" + std::to_string(i) + ".html",
                 "<title>Page " + std::to_string(i) + "</title><p>common retrieval" +
                     std::string(i % 3 == 0 ? " rare" : "") + ", page " + std::to_string(i) +
                     "</p>");
    for (size_t s = 0; s < kShards; ++s) {
      std::filesystem::create_directories(machine_dir(s));
      start_primary(s);
    }
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"init", "replicas"},
             {"timeouts", std::to_string(kConnectMs), std::to_string(kSearchMs)},
             {"create", "local", docs()},
             {"create", "sharded", docs(), "--shard", copies(0), "--shard", copies(1)}}) {
      const ProcessResult r = admin(args);
      ASSERT_EQ(r.exit_status, 0) << args[0] << ": " << r.err;
    }
    for (size_t s = 0; s < kShards; ++s) ASSERT_TRUE(start_replica(s)) << "replica " << s;
  }

  std::string docs() const { return dir_.path() + "/docs"; }
  std::string instance() const { return dir_.path() + "/instance"; }
  std::string machine_dir(size_t machine) const {
    return dir_.path() + "/machine" + std::to_string(machine);
  }
  std::string server(size_t machine) const { return net_->address(machine) + ":7401"; }
  std::string copies(size_t shard) const {
    return server(shard) + "," + server(shard + kShards);
  }

  // The primary of `shard`: its writable server keeps changesets, and the
  // replication server hands them out.
  void start_primary(size_t shard) {
    const std::string address = net_->address(shard);
    primary_[shard] = net_->start(
        shard, {kShardServerProgram, "--quiet", "--writable", "--interface", address, "--port",
                "7401", machine_dir(shard) + "/db"},
        {"XAPIAN_MAX_CHANGESETS=100"});
    feed_[shard] = net_->start(
        shard, {kReplicateServer, "--interface", address, "--port", "7501", machine_dir(shard)},
        {});
    wait_for_port(shard, 7401);
  }

  // The replica of `shard`: the replication client polls the primary every
  // second, and a read-only server serves the copy once it is there.
  bool start_replica(size_t shard) {
    const size_t machine = shard + kShards;
    const std::string copy = machine_dir(machine) + "/db";
    std::filesystem::create_directories(machine_dir(machine));
    net_->start(machine, {kReplicate, "--host", net_->address(shard), "--port", "7501",
                          "--master", "db", "--interval", "1", "--reader-time", "0", "--quiet",
                          copy},
                {});
    struct stat st;
    for (int i = 0; i < 1000 && ::stat((copy + "/XAPIANDB").c_str(), &st) != 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    net_->start(machine, {kShardServerProgram, "--quiet", "--interface", net_->address(machine),
                          "--port", "7401", copy},
                {});
    return wait_for_port(machine, 7401);
  }

  bool wait_for_port(size_t machine, int port) {
    for (int i = 0; i < 500; ++i) {
      const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in to{};
      to.sin_family = AF_INET;
      to.sin_port = htons(static_cast<uint16_t>(port));
      ::inet_pton(AF_INET, net_->address(machine).c_str(), &to.sin_addr);
      const bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
      ::close(fd);
      if (up) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  ProcessResult admin(const std::vector<std::string>& args) const {
    return run_process(ZEB_BIN_DIR "/zebadm", args, {"ZEBINSTSRV=" + instance()}, "", 120);
  }

  // The page of a form, which must come within the bound and end whole.
  std::string search(const std::string& fields) const {
    const std::string body = fields + "&header=header.html&footer=footer.html";
    const ProcessResult r =
        run_process(ZEB_BIN_DIR "/zebsrch", {},
                    {"REQUEST_METHOD=POST", "CONTENT_TYPE=application/x-www-form-urlencoded",
                     "CONTENT_LENGTH=" + std::to_string(body.size()), "ZEBINSTSRV=" + instance(),
                     "ZEBINST=REPLICAS"},
                    body, kPageBoundSeconds);
    EXPECT_EQ(r.signal, 0) << fields << ": no page within " << kPageBoundSeconds << " s";
    EXPECT_NE(r.out.find("</BODY></HTML>"), std::string::npos) << fields << "\n" << r.out;
    return r.out;
  }

  // Each form's page, searched several times so that every copy serves some.
  void expect_pages(const std::vector<std::string>& pages, const char* when) {
    for (int round = 0; round < 4; ++round)
      for (size_t q = 0; q < kForms.size(); ++q)
        EXPECT_EQ(search(kForms[q]), pages[q]) << when << ": " << kForms[q];
  }

  const std::vector<std::string> kForms = {
      "SelectIndex=sharded&query_word0=rare",
      "SelectIndex=sharded&free_text=common+retrieval&rank=Y",
      "SelectIndex=sharded&SelectIndex=local&query_word0=page&limit_number=100",
  };
  TempDir dir_;
  std::unique_ptr<NetMachines> net_;
  pid_t primary_[kShards] = {};
  pid_t feed_[kShards] = {};
};

TEST_F(ShardReplicas, SearchesGoOnWhileALiveCopyOfEveryShardIsLeft) {
  std::vector<std::string> pages;
  for (const std::string& form : kForms) pages.push_back(search(form));
  EXPECT_EQ(count_line(pages[0]), 10) << pages[0];
  EXPECT_EQ(count_line(pages[2]), 60) << pages[2];

  // The first primary's machine dies: its replica answers for it, and
  // zebadm writes nothing, so the new page waits in the tree.
  net_->signal(primary_[0], SIGKILL);
  net_->signal(feed_[0], SIGKILL);
  expect_pages(pages, "primary 1 killed");
  dir_.write("docs/part0/late.html", "<title>Late</title><p>rare late arrival</p>");
  const ProcessResult refused = admin({"update", "sharded"});
  EXPECT_EQ(refused.exit_status, 1);
  EXPECT_NE(refused.err.find("cannot write to shard " + server(0)), std::string::npos)
      << refused.err;
  EXPECT_NE(refused.err.find("nothing was written"), std::string::npos) << refused.err;

  // The second shard's replica is cut off: its primary answers.
  ASSERT_TRUE(net_->set_link(3, false));
  expect_pages(pages, "replica 2 cut off");

  // The second primary freezes too: no copy of shard 2 is left, and the
  // index answers as any index that cannot be opened.
  net_->signal(primary_[1], SIGSTOP);
  const std::string none = search(kForms[0]);
  EXPECT_NE(none.find("SHARDED, The specified Vantora server is not available. (rc=33)"),
            std::string::npos) << none;

  // Its replica comes back while the primary is still frozen.
  ASSERT_TRUE(net_->set_link(3, true));
  expect_pages(pages, "primary 2 frozen");

  // Everything back: the update goes through and the replicas follow.
  net_->signal(primary_[1], SIGCONT);
  start_primary(0);
  const ProcessResult updated = admin({"update", "sharded"});
  ASSERT_EQ(updated.exit_status, 0) << updated.err;
  EXPECT_NE(updated.out.find("1 documents indexed"), std::string::npos) << updated.out;
  std::string status;
  for (int i = 0; i < 200; ++i) {
    status = admin({"status", "sharded"}).out;
    if (status.find("lag 0") != std::string::npos &&
        status.find("lag 0", status.find("lag 0") + 1) != std::string::npos)
      break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  for (size_t s = 0; s < kShards; ++s)
    EXPECT_NE(status.find("replica " + std::to_string(s + 1) + ".1: " + server(s + kShards) +
                          "  answers"),
              std::string::npos) << status;
  EXPECT_NE(status.find("documents:  31"), std::string::npos) << status;
  const size_t first = status.find("lag 0");
  EXPECT_NE(status.find("lag 0", first + 1), std::string::npos) << status;
  // With the primaries stopped, the replicas alone serve the new page.
  net_->signal(primary_[0], SIGKILL);
  net_->signal(primary_[1], SIGKILL);
  for (int round = 0; round < 3; ++round)
    EXPECT_EQ(count_line(search(kForms[0])), 11);
}

}  // namespace
}  // namespace zeb::testing
