// Shards that fail: one that is down or hangs costs a search no more than
// the instance's shard timeouts, the page says so with the engine's code
// and still ends with its tail, and the other selected indexes are
// searched; a shard that fails during zebadm update leaves the index
// searchable once it is back, and the next update completes the work.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "e2e/sharded_instance.h"

namespace zeb::testing {
namespace {

class ShardFaults : public ShardedInstance {
 protected:
  void write_pages(int count, const std::string& version) {
    for (int i = 0; i < count; ++i)
      dir_.write("docs/part" + std::to_string(i % 10) + "/page" + std::to_string(i) + ".html",
                 "<title>Page " + std::to_string(i) + "</title><p>common retrieval, version " +
                     version + ", page " + std::to_string(i) + "</p>");
  }

  // Identity of a shard's version file, which each commit replaces.
  ino_t commit_mark(size_t shard) const {
    struct stat st;
    const std::string file = shard_dir(shard) + "/iamglass";
    return ::stat(file.c_str(), &st) == 0 ? st.st_ino : 0;
  }

  long count(const std::string& fields) { return count_line(search(fields)); }
};

TEST_F(ShardFaults, AShardDownOrHungDropsItsIndexAndTheOthersAreSearched) {
  write_pages(30, "one");
  create_indexes();
  const long all = count("SelectIndex=local&query_word0=retrieval");
  ASSERT_EQ(all, 30);
  const std::string failure =
      "SHARDED, The specified Vantora server is not available. (rc=33)\n";
  const struct {
    const char* fault;
    void (ShardServer::*make)();
    void (ShardServer::*mend)();
  } faults[] = {{"down", &ShardServer::stop, &ShardServer::start},
                {"hung", &ShardServer::pause, &ShardServer::resume}};
  for (const auto& fault : faults) {
    (shards_[1].get()->*fault.make)();
    const std::string alone = search("SelectIndex=sharded&query_word0=retrieval");
    EXPECT_NE(alone.find(failure), std::string::npos) << fault.fault << "\n" << alone;
    EXPECT_NE(alone.find("No target for search specified"), std::string::npos) << alone;
    const std::string grouped =
        search("SelectIndex=sharded&SelectIndex=local&query_word0=retrieval");
    EXPECT_NE(grouped.find(failure), std::string::npos) << fault.fault << "\n" << grouped;
    EXPECT_EQ(count_line(grouped), all) << grouped;
    EXPECT_EQ(page_rows(grouped).size(), size_t(all));

    (shards_[1].get()->*fault.mend)();
    ASSERT_TRUE(fault.make != &ShardServer::stop || shards_[1]->ready());
    EXPECT_EQ(count("SelectIndex=sharded&query_word0=retrieval"), all) << fault.fault;
    EXPECT_EQ(count("SelectIndex=sharded&SelectIndex=local&query_word0=retrieval"), 2 * all);
  }
}

TEST_F(ShardFaults, WithPartialAnswersTheShardsThatAnswerAreSearchedAndThePageSaysSo) {
  write_pages(30, "one");
  create_indexes();
  const std::string form = "SelectIndex=sharded&query_word0=retrieval";
  const std::string whole = search(form);
  const ProcessResult set = admin({"answers", "sharded", "partial"});
  ASSERT_EQ(set.exit_status, 0) << set.err;
  EXPECT_EQ(set.out, "index SHARDED: partial answers\n");
  // While every shard answers, the page is the one without the setting.
  EXPECT_EQ(search(form), whole);

  shards_[1]->stop();
  const std::string partial = search(form);
  EXPECT_NE(partial.find("top document(s) returned</font></b><p>\n<p><font size=-1>2 of 3 "
                         "parts of the index answered.</font><p>\n"),
            std::string::npos) << partial;
  const std::vector<PageRow> rows = page_rows(partial);
  EXPECT_EQ(long(rows.size()), count_line(partial));
  EXPECT_GT(rows.size(), 0u);
  EXPECT_LT(rows.size(), 30u);
  for (const PageRow& row : rows) EXPECT_NE(whole.find(row.link), std::string::npos) << row.link;

  ASSERT_EQ(admin({"answers", "sharded", "whole"}).exit_status, 0);
  EXPECT_NE(search(form).find("SHARDED, The specified Vantora server is not available. (rc=33)"),
            std::string::npos);
}

TEST_F(ShardFaults, AShardKilledDuringAnUpdateLeavesTheIndexToTheNextUpdate) {
  constexpr int kPages = 1800;  // several commit batches on every shard
  write_pages(kPages, "one");
  create_indexes();
  write_pages(kPages, "two, changed");

  // Stop the third shard as soon as the first has committed a batch.
  const ino_t before = commit_mark(0);
  const pid_t pid =
      start_process(ZEB_BIN_DIR "/zebadm", {"update", "sharded"}, {"ZEBINSTSRV=" + instance()});
  ASSERT_GT(pid, 0);
  int status = 0;
  bool exited = false;
  // A bound only so that a broken build cannot hang the test.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(5);
  while (commit_mark(0) == before && std::chrono::steady_clock::now() < give_up) {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      exited = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  shards_[2]->stop();
  if (!exited) waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 1) << "the update ended before the shard was stopped";

  // With the shard back, every page is found, as of one version or the other.
  shards_[2]->start();
  ASSERT_TRUE(shards_[2]->ready());
  EXPECT_EQ(count("SelectIndex=sharded&query_word0=common"), kPages);
  const long two = count("SelectIndex=sharded&query_word0=changed");
  const long one = count("SelectIndex=sharded&query_word0=one");
  EXPECT_GT(two, 0);
  EXPECT_LT(two, kPages);
  EXPECT_EQ(one + two, kPages);

  const ProcessResult updated = admin({"update", "sharded"});
  ASSERT_EQ(updated.exit_status, 0) << updated.err;
  EXPECT_NE(updated.out.find(std::to_string(kPages - two) + " documents indexed, " +
                             std::to_string(two) + " unchanged"),
            std::string::npos) << updated.out;
  EXPECT_EQ(count("SelectIndex=sharded&query_word0=changed"), kPages);
  EXPECT_EQ(count("SelectIndex=sharded&query_word0=one"), -1);
}

}  // namespace
}  // namespace zeb::testing
