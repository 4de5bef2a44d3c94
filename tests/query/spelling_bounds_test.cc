// The look-up and the request's spelling resources against the file's
// real size: nothing past the file's end is read, and a large file is not
// read whole.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "cgi/cgi_test_support.h"
#include "query/spelling_file.h"
#include "query/spelling_resources.h"
#include "support/request_fixture.h"
#include "support/scripted_engine.h"
#include "support/spelling_files.h"

namespace zeb {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::engine;
using testing::first_variant;

// An image of exactly the file's bytes, nothing after them: a read past its
// end is a heap overflow that the sanitizer build reports.
class ExactImage {
 public:
  explicit ExactImage(const Bytes& bytes)
      : data_(new unsigned char[bytes.size()]), size_(bytes.size()) {
    std::copy(bytes.begin(), bytes.end(), data_.get());
  }
  const unsigned char* data() const { return data_.get(); }
  size_t size() const { return size_; }

 private:
  std::unique_ptr<unsigned char[]> data_;
  size_t size_;
};

TEST(SpellingLookupBounds, StringsThatRunToTheEndOfTheImageEndThere) {
  const Bytes whole = testing::spelling_file({{"color", {"colour", "kolor"}},
                                              {"dog", {"dgo", "doog"}}});
  for (size_t length = 0; length <= whole.size(); ++length) {
    const ExactImage image(Bytes(whole.begin(), whole.begin() + length));
    for (const char* word : {"color", "dog", "", "zzz", "doog"})
      first_variant(image.data(), image.size(), word);
  }
  const ExactImage cut(Bytes(whole.begin(), whole.end() - 3));
  char list[kVariantListSize];
  find_spelling_variants(cut.data(), cut.size(), "dog", list);
  EXPECT_STREQ(list, "dgo");
  EXPECT_STREQ(list + 4, "do");
  // A key cut short is compared as far as it goes.
  const Bytes keys = testing::spelling_file({{"dog", {"dgo"}}});
  const ExactImage key_cut(Bytes(keys.begin(), keys.begin() + 8 + 12 + 2));
  EXPECT_EQ(first_variant(key_cut.data(), key_cut.size(), "do"), "");
  EXPECT_EQ(first_variant(key_cut.data(), key_cut.size(), "dog"), "");
}

class SpellingResourcesMemory : public ::testing::Test {
 protected:
  void SetUp() override {
    engine().reset();
    env.set("ZEBINST", "demo");
    request->spelling = true;
    request.indexes({"DOCS"});
    engine().storage().data_path = dir.path();
  }
  void TearDown() override {
    release_spelling_image(*request);
    engine().reset();
  }

  testing::ScopedEnv env;
  testing::TempDir dir;
  testing::TestRequest request;
};

constexpr uint64_t kLargeFile = uint64_t{1} << 30;
constexpr uint64_t kMemorySlack = uint64_t{64} << 20;

// The process's private writable memory (heap, anonymous mappings), in bytes.
uint64_t private_memory() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmData:", 0) == 0) return std::stoull(line.substr(7)) * 1024;
  return 0;
}

// In a child process, whose private memory may grow by kMemorySlack only:
// the request's spelling file of 1 GiB must be usable all the same.
[[noreturn]] void use_large_file_in_little_memory(SearchRequest& request) {
  const uint64_t used = private_memory();
  if (used == 0) std::_Exit(3);
  const rlimit limit{used + kMemorySlack, RLIM_INFINITY};
  if (setrlimit(RLIMIT_DATA, &limit) != 0) std::_Exit(4);
  testing::PageSink page;
  if (prepare_spelling_resources(request, page.out()) != 0 || !request.spelling ||
      request.spelling_size != kLargeFile)
    std::_Exit(1);
  if (first_variant(request.spelling_image, request.spelling_size, "color") != "colour")
    std::_Exit(2);
  std::_Exit(0);  // no leak check: the child leaves everything to the parent
}

TEST_F(SpellingResourcesMemory, LargeFileIsNotReadWhole) {
  // Sparse: the table at the front, then zero bytes that take no disk.
  const std::string path = dir.write("ZEBCSREF.DAT", testing::sample_spelling_file());
  fs::resize_file(path, kLargeFile);
  EXPECT_EXIT(use_large_file_in_little_memory(*request), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace zeb
