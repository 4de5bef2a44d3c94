// A damaged index never hangs a search: bytes of a real index's posting
// table are overwritten, and a search for a leading-'*' mask (which reads the
// whole vocabulary) must end with a code. Each search runs in a child
// process under a watchdog alarm, so a search that would never end fails the
// test instead of blocking the run.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "backend/engine_fixture.h"
#include "cgi/sanitizer_build.h"

namespace zeb::testing {
namespace {

namespace fs = std::filesystem;

constexpr unsigned kWatchdogSeconds = 10;
constexpr size_t kDamageBytes = 64;
constexpr int kDamagedPlaces = 4;

// Enough documents for a posting table of several levels: the damage must be
// able to hit branch blocks as well as leaves.
std::vector<TestDocument> many_documents() {
  std::vector<TestDocument> docs;
  uint32_t state = 12345;
  for (int d = 0; d < 400; ++d) {
    std::string text;
    for (int w = 0; w < 150; ++w) {
      state = state * 1103515245u + 12345u;
      const uint32_t n = (state >> 8) % 20000;
      text += " w";
      for (uint32_t k = n; k != 0; k /= 26) text += static_cast<char>('a' + k % 26);
    }
    docs.push_back({"d/" + std::to_string(d) + ".html", "Doc " + std::to_string(d), text, {}});
  }
  return docs;
}

// Overwrites kDamageBytes at kDamagedPlaces places of `file`, chosen by `seed`.
void damage(const std::string& file, uint32_t seed) {
  std::fstream bytes(file, std::ios::in | std::ios::out | std::ios::binary);
  ASSERT_TRUE(bytes.good()) << file;
  const auto size = static_cast<uint32_t>(fs::file_size(file));
  std::mt19937 random(seed);
  for (int place = 0; place < kDamagedPlaces; ++place) {
    bytes.seekp(random() % (size - kDamageBytes));
    for (size_t i = 0; i < kDamageBytes; ++i) bytes.put(static_cast<char>(random() & 0xFF));
  }
}

struct ChildEnd {
  bool exited = false;
  int code = -1;    // the search's return code when it exited
  int signal = 0;   // SIGALRM: the watchdog ended a search that did not end
};

// Damage on which a reading of the vocabulary that did not check the order
// of its terms went round in a circle for ever.
constexpr uint32_t kCirclingSeeds[] = {10, 35};

class DamagedIndexTest : public EngineTest {
 protected:
  // The index is written once; each test damages its own copy.
  static void SetUpTestSuite() {
    pristine_ = new TestInstance("PRISTINE");
    pristine_->add_index("DOCS", many_documents());
  }
  static void TearDownTestSuite() {
    delete pristine_;
    pristine_ = nullptr;
  }

  void SetUp() override {
    const std::string data = "data/DOCS";
    fs::create_directories(instance().dir() + "/" + data);
    fs::copy(pristine_->dir() + "/" + data, instance().dir() + "/" + data,
             fs::copy_options::recursive);
    instance().add_entry("DOCS", data, backend::IndexStatus::kActive, {});
  }

  std::string postings_file() {
    return instance().dir() + "/data/DOCS/" + backend::kXapianDirName + "/postlist.glass";
  }

  // Runs one search in a child process; its exit status carries the code.
  ChildEnd search_in_child(const std::string& mask) {
    fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
      alarm(kWatchdogSeconds);
      int32_t rc = start_session();
      uint32_t docs = 0;
      if (rc == 0) rc = open("DOCS", docs);
      if (rc == 0) {
        Request request;
        request.constants().term(mask);
        rc = search(docs, request).rc;
      }
      _exit(rc & 0xFF);
    }
    int status = 0;
    ChildEnd end;
    if (child < 0 || waitpid(child, &status, 0) != child) return end;
    end.exited = WIFEXITED(status);
    end.code = end.exited ? WEXITSTATUS(status) : -1;
    end.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return end;
  }

  static TestInstance* pristine_;
};

TestInstance* DamagedIndexTest::pristine_ = nullptr;

TEST_F(DamagedIndexTest, UndamagedIndexAnswersTheMask) {
  const ChildEnd end = search_in_child("*a");
  EXPECT_TRUE(end.exited);
  EXPECT_EQ(end.code, 0);
}

class DamageSeedTest : public DamagedIndexTest, public ::testing::WithParamInterface<uint32_t> {};

// Damage the reading does not meet leaves the answer as it was (0); damage
// it meets makes the index not accessible (62). Never a search that runs on.
TEST_P(DamageSeedTest, SearchOfDamagedIndexEnds) {
  // Xapian reads past its own buffers on some damaged tables, harmlessly in
  // a plain build; AddressSanitizer stops the process there.
  if (kAddressSanitizer) GTEST_SKIP() << "Xapian's reads of damaged tables trip AddressSanitizer";
  const uint32_t seed = GetParam();
  damage(postings_file(), seed);
  const ChildEnd end = search_in_child("*a");
  ASSERT_NE(end.signal, SIGALRM) << "the search did not end";
  ASSERT_TRUE(end.exited) << "signal " << end.signal;
  EXPECT_TRUE(end.code == 0 || end.code == 62) << end.code;
  const bool circling = std::find(std::begin(kCirclingSeeds), std::end(kCirclingSeeds),
                                  seed) != std::end(kCirclingSeeds);
  if (circling) {
    EXPECT_EQ(end.code, 62);
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, DamageSeedTest, ::testing::Range<uint32_t>(1, 41));

}  // namespace
}  // namespace zeb::testing
