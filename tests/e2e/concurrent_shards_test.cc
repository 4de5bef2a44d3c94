// Searches of an index of shard servers while zebadm writes it and while
// the shards change under a persistent process's kept connections.
//
// An update commits shard after shard: between two commits a search sees
// each shard as of its own last commit, so each document once, either as it
// was or as it is now, never twice and never missing. The persistent
// process keeps its connections within the pool's bound, follows new shard
// timeouts, never lists a shard that a restarted server replaced with
// another index's, and on SIGUSR1 ends its request whole before it ends.
// Each test counts the process's descriptors before and after.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>

#include "cgi/temp_dir.h"
#include "e2e/concurrent_runs.h"

namespace zeb::testing {
namespace {

constexpr int kPages = 60;

class ShardsAgainstChanges : public ShardedInstance {
 protected:
  void SetUp() override {
    ShardedInstance::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    write_pages("one");
    create_indexes();
    server_ =
        std::make_unique<FastcgiServer>(ZEB_BIN_DIR "/zebsrch", dir_.path() + "/zebsrch.sock");
  }

  void write_pages(const std::string& version) {
    for (int i = 0; i < kPages; ++i) {
      const std::string path =
          "part" + std::to_string(i % 3) + "/page" + std::to_string(i) + ".html";
      dir_.write("docs/" + path, "<title>Page " + std::to_string(i) +
                                     "</title><p>common words, version " + version + "</p>");
      known_.insert("file://" + docs() + "/" + path);
    }
  }

  static std::string form(const std::string& index, const std::string& word) {
    return "SelectIndex=" + index + "&query_word0=" + word +
           "&limit_number=5000&header=header.html&footer=footer.html";
  }
  std::string persistent(const std::string& body) const {
    const FastcgiAnswer answer =
        fastcgi_request(server_->socket(), form_env(instance(), "SHARDS", body), body);
    EXPECT_EQ(answer.app_status, 0);
    return answer.out;
  }
  std::string cgi(const std::string& body) const {
    return run_process(ZEB_BIN_DIR "/zebsrch", {}, form_env(instance(), "SHARDS", body), body,
                       kPageBoundSeconds)
        .out;
  }
  // The count of both kinds of search, which must agree.
  long both(const std::string& word) const {
    const std::string body = form("sharded", word);
    const long by_cgi = count_line(cgi(body));
    EXPECT_EQ(count_line(persistent(body)), by_cgi) << word;
    return by_cgi;
  }

  ino_t commit_mark(size_t shard) const {
    struct stat st;
    return ::stat((shard_dir(shard) + "/iamglass").c_str(), &st) == 0 ? st.st_ino : 0;
  }

  std::set<std::string> known_;
  std::unique_ptr<FastcgiServer> server_;
};

// The update is held still right after the first shard's commit: its
// connections to the other shards are stopped.
TEST_F(ShardsAgainstChanges, BetweenShardCommitsEachDocumentIsSeenOnceAsOfItsShard) {
  ASSERT_EQ(both("common"), kPages);
  const size_t before = open_descriptors(server_->pid());
  write_pages("two");
  const ino_t first = commit_mark(0);
  std::vector<ino_t> marks = {commit_mark(0), commit_mark(1), commit_mark(2)};
  // The persistent process's connections, which must go on answering.
  std::vector<std::vector<pid_t>> kept;
  for (const auto& shard : shards_) kept.push_back(shard->connections());
  auto update = start_zebadm(instance(), {"update", "sharded"});
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (commit_mark(0) == first && std::chrono::steady_clock::now() < give_up)
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  std::vector<pid_t> held;
  for (size_t shard = 1; shard < kShards; ++shard)
    for (pid_t connection : shards_[shard]->connections()) {
      if (std::count(kept[shard].begin(), kept[shard].end(), connection)) continue;
      ::kill(connection, SIGSTOP);
      held.push_back(connection);
    }
  size_t committed = 1;
  for (size_t shard = 1; shard < kShards; ++shard) committed += commit_mark(shard) != marks[shard];
  if (committed < kShards) {
    // Between commits: the committed shards' documents are new, the others'
    // old; together every document, once.
    const long two = both("two"), one = both("one");
    EXPECT_GT(two, 0);
    EXPECT_GT(one, 0);
    EXPECT_EQ(one + two, kPages);
    EXPECT_EQ(both("common"), kPages);
    const std::string page = persistent(form("sharded", "common"));
    EXPECT_EQ(judge_page(page, known_), "listed");
  } else {
    std::cout << "every shard had committed before the update could be held\n";
  }
  for (pid_t connection : held) ::kill(connection, SIGCONT);
  const ProcessResult updated = update.get();
  ASSERT_EQ(updated.exit_status, 0) << updated.err;
  EXPECT_EQ(both("two"), kPages);
  EXPECT_EQ(both("one"), -1);
  EXPECT_EQ(open_descriptors(server_->pid()), before);
  EXPECT_EQ(server_->stop(), 0) << server_->err();
}

// `timeouts` against searches running: each page whole, and the kept
// connections follow the new values (made anew, the old ones closed).
TEST_F(ShardsAgainstChanges, NewTimeoutsReachKeptConnectionsAndNoneIsLeftOpen) {
  ASSERT_EQ(both("common"), kPages);
  const size_t before = open_descriptors(server_->pid());
  {
    SearchLoop loop({[&] { return cgi(form("sharded", "common")); },
                     [&] { return persistent(form("sharded", "common")); }},
                    &known_);
    for (const char* connect : {"1000", "2000", "500"}) {
      const ProcessResult r = run_zebadm(instance(), {"timeouts", connect, "4000"});
      ASSERT_EQ(r.exit_status, 0) << r.err;
      EXPECT_EQ(both("common"), kPages);
    }
    loop.stop();
    EXPECT_GT(loop.kinds()["listed"], 0);
  }
  EXPECT_EQ(open_descriptors(server_->pid()), before);
  // A hung shard now fails the search within the new search timeout: the
  // kept connection waits no longer than that.
  ASSERT_EQ(run_zebadm(instance(), {"timeouts", "500", "1000"}).exit_status, 0);
  EXPECT_EQ(both("common"), kPages);
  shards_[1]->pause();
  const auto start = std::chrono::steady_clock::now();
  const std::string page = persistent(form("sharded", "common"));
  const double waited =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  shards_[1]->resume();
  EXPECT_NE(page.find("(rc=33)"), std::string::npos) << page;
  EXPECT_LT(waited, kTestSearchMs / 1000.0) << "the old search timeout was waited for";
  EXPECT_EQ(both("common"), kPages);
  EXPECT_EQ(open_descriptors(server_->pid()), before);
  const ProcessResult shown = run_zebadm(instance(), {"timeouts"});
  EXPECT_NE(shown.out.find("connect timeout: 500 ms\nsearch timeout:  1000 ms"), std::string::npos)
      << shown.out;
  expect_sound_instance(instance(), {"SHARDED"});
  EXPECT_EQ(server_->stop(), 0) << server_->err();
}

// A shard server restarted on another index's shard: the index is not
// accessible until its own shard is back, and the other's documents are
// never listed, by a new process or over a kept connection.
TEST_F(ShardsAgainstChanges, AShardRestartedOnAnotherIndexsShardIsNotListed) {
  ShardServer other_shard(dir_.path() + "/other-shard", ShardServer::kWritable);
  ASSERT_TRUE(other_shard.ready());
  dir_.write("other/stranger.html", "<title>Stranger</title><p>common words</p>");
  ASSERT_EQ(run_zebadm(instance(), {"create", "other", dir_.path() + "/other", "--shard",
                                    other_shard.address()})
                .exit_status,
            0);
  ASSERT_EQ(both("common"), kPages);
  const size_t before = open_descriptors(server_->pid());
  const std::string kept = shard_dir(1) + ".kept";
  shards_[1]->stop();
  std::filesystem::rename(shard_dir(1), kept);
  other_shard.stop();
  std::filesystem::copy(dir_.path() + "/other-shard", shard_dir(1));
  shards_[1]->start();
  ASSERT_TRUE(shards_[1]->ready());
  for (const std::string& page :
       {cgi(form("sharded", "common")), persistent(form("sharded", "common"))}) {
    EXPECT_EQ(page.find("Stranger"), std::string::npos) << page;
    EXPECT_NE(page.find("SHARDED, The index is not accessible. (rc=62)"), std::string::npos)
        << page;
  }
  // Its own shard back.
  shards_[1]->stop();
  std::filesystem::remove_all(shard_dir(1));
  std::filesystem::rename(kept, shard_dir(1));
  shards_[1]->start();
  ASSERT_TRUE(shards_[1]->ready());
  EXPECT_EQ(both("common"), kPages);
  EXPECT_EQ(open_descriptors(server_->pid()), before);
  EXPECT_EQ(server_->stop(), 0) << server_->err();
}

// SIGUSR1 while a request waits for a stopped shard: the request ends with
// its whole page once the shard answers, then the process ends.
TEST_F(ShardsAgainstChanges, SigusrOneEndsTheRequestWholeThenTheProcess) {
  ASSERT_EQ(both("common"), kPages);
  shards_[2]->pause();
  const std::string body = form("sharded", "common");
  FastcgiConnection request(server_->socket());
  request.begin(form_env(instance(), "SHARDS", body));
  request.send_body(body);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ::kill(server_->pid(), SIGUSR1);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  shards_[2]->resume();
  const FastcgiAnswer answer = request.read_answer();
  EXPECT_EQ(answer.app_status, 0);
  EXPECT_EQ(judge_page(answer.out, known_), "listed");
  EXPECT_EQ(count_line(answer.out), kPages) << answer.out;
  const int status = server_->wait();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << server_->err();
}

// More shard connections than the pool keeps: two indexes of 33 shards
// each. The process holds at most the pool's bound, the oldest closed
// first, and every page is whole and right.
TEST(KeptShardConnections, NoMoreThanThePoolBoundStayOpen) {
  if (!shard_server_installed()) GTEST_SKIP() << "xapian-tcpsrv not installed";
  constexpr size_t kShardsEach = 33;  // 66 connections in all, 64 kept
  TempDir dir;
  const std::string instance = dir.path() + "/instance";
  ASSERT_EQ(run_zebadm(instance, {"init", "pool"}).exit_status, 0);
  std::vector<std::unique_ptr<ShardServer>> servers;
  std::filesystem::create_directories(dir.path() + "/shards");
  for (const char* index : {"big1", "big2"}) {
    for (int i = 0; i < 100; ++i)
      dir.write(std::string(index) + "/page" + std::to_string(i) + ".html",
                "<title>" + std::string(index) + " " + std::to_string(i) + "</title>common");
    std::vector<std::string> create = {"create", index, dir.path() + "/" + index};
    for (size_t i = 0; i < kShardsEach; ++i) {
      servers.push_back(std::make_unique<ShardServer>(
          dir.path() + "/shards/" + index + "-" + std::to_string(i), ShardServer::kWritable));
      ASSERT_TRUE(servers.back()->ready());
      create.push_back("--shard");
      create.push_back(servers.back()->address());
    }
    const ProcessResult r = run_zebadm(instance, create);
    ASSERT_EQ(r.exit_status, 0) << r.err;
  }
  FastcgiServer server(ZEB_BIN_DIR "/zebsrch", dir.path() + "/zebsrch.sock");
  const auto search = [&](const std::string& index) {
    const std::string body = "SelectIndex=" + index +
                             "&query_word0=common&limit_number=5000"
                             "&header=header.html&footer=footer.html";
    return count_line(fastcgi_request(server.socket(), form_env(instance, "POOL", body), body).out);
  };
  // The servers' connections, once those the process closed have ended.
  const auto connections = [&] {
    size_t count = 0;
    for (int wait = 0; wait < 200; ++wait) {
      count = 0;
      for (const auto& shard : servers) count += shard->connections().size();
      if (count <= 64) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return count;
  };
  ASSERT_EQ(search("big1"), 100);
  const size_t base = open_descriptors(server.pid()) - kShardsEach;
  for (const char* index : {"big2", "big1", "big2", "big1"}) {
    EXPECT_EQ(search(index), 100) << index;
    EXPECT_EQ(open_descriptors(server.pid()), base + 64) << index;
    EXPECT_EQ(connections(), 64u) << index;
  }
  EXPECT_EQ(server.stop(), 0) << server.err();
}

}  // namespace
}  // namespace zeb::testing
