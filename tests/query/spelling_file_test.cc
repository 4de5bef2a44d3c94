#include "query/spelling_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cgi/cgi_test_support.h"
#include "support/spelling_files.h"

namespace zeb {
namespace {

using testing::Bytes;
using testing::Image;

std::vector<std::string> variants_of(const unsigned char* image, size_t size,
                                     const std::string& word) {
  char list[kVariantListSize];
  std::memset(list, 'X', sizeof list);  // the look-up must clear it
  find_spelling_variants(image, size, word.c_str(), list);
  std::vector<std::string> out;
  size_t at = 0;
  while (true) {
    const size_t length = strnlen(list + at, kVariantListSize - at);
    if (at + length >= kVariantListSize) {
      ADD_FAILURE() << "variant list does not end inside its buffer";
      break;
    }
    if (length == 0) break;
    out.emplace_back(list + at, length);
    at += length + 1;
  }
  return out;
}

std::vector<std::string> variants_of(const Image& image, const std::string& word) {
  return variants_of(image.data(), image.size(), word);
}

using Words = std::vector<std::string>;

TEST(SpellingLookup, SampleFileKnowsColor) {
  ASSERT_EQ(testing::sample_spelling_file().size(), 51u);
  const Image image(testing::sample_spelling_file());
  EXPECT_EQ(variants_of(image, "color"), (Words{"colour", "kolor"}));
  EXPECT_EQ(variants_of(image, "Color"), Words{});
  EXPECT_EQ(variants_of(image, "colors"), Words{});
  EXPECT_EQ(variants_of(image, "colo"), Words{});
  EXPECT_EQ(variants_of(image, ""), Words{});
}

TEST(SpellingLookup, GroupsAreFoundWhereverTheyStand) {
  const Image image(testing::spelling_file({{"apple", {"aple", "appel"}},
                                            {"big", {"bigg"}},
                                            {"zoo", {"zo", "zooo", "sou"}}}));
  EXPECT_EQ(variants_of(image, "apple"), (Words{"aple", "appel"}));
  EXPECT_EQ(variants_of(image, "big"), Words{"bigg"});
  EXPECT_EQ(variants_of(image, "zoo"), (Words{"zo", "zooo", "sou"}));  // ends with the last entry
  EXPECT_EQ(variants_of(image, "zzz"), Words{});                       // beyond every key
  EXPECT_EQ(variants_of(image, "aaa"), Words{});                       // before every key
  EXPECT_EQ(variants_of(image, "bigg"), Words{});                      // a variant is no key
}

TEST(SpellingLookup, KeysCompareAsUnsignedBytes) {
  const Image image(testing::spelling_file({{"abc", {"x"}}, {"\xE9t\xE9", {"ete"}}}));
  EXPECT_EQ(variants_of(image, "\xE9t\xE9"), Words{"ete"});
}

TEST(SpellingLookup, NoImageFindsNothing) {
  EXPECT_EQ(variants_of(nullptr, 0, "color"), Words{});
}

TEST(SpellingLookup, WordsOfMoreThanSixtyThreeCharactersAreNotLookedUp) {
  const std::string w63(63, 'w');
  const std::string w64(64, 'w');
  const Image image(testing::spelling_file({{w63, {"a"}}, {w64, {"b"}}}));
  EXPECT_EQ(variants_of(image, w63), Words{"a"});
  EXPECT_EQ(variants_of(image, w64), Words{});
}

TEST(SpellingLookup, GroupTooLongForTheListIsCutAtTheLastVariantThatFits) {
  // Ten variants of 40 characters: six fit (246 bytes), the seventh not.
  std::vector<std::string> many;
  for (char c = 'a'; c < 'a' + 10; ++c) many.push_back(std::string(40, c));
  const Image image(testing::spelling_file({{"key", many}}));
  const Words found = variants_of(image, "key");
  ASSERT_EQ(found.size(), 6u);
  EXPECT_EQ(found.back(), std::string(40, 'f'));
}

TEST(SpellingLookup, ListKeepsRoomForItsEnd) {
  // A variant and its zero byte may take 255 bytes: the last byte stays
  // the zero that ends the list.
  const Image fits(testing::spelling_file({{"k", {std::string(254, 'v')}}}));
  EXPECT_EQ(variants_of(fits, "k"), Words{std::string(254, 'v')});
  const Image over(testing::spelling_file({{"k", {std::string(255, 'v')}}}));
  EXPECT_EQ(variants_of(over, "k"), Words{});
  const Image second(testing::spelling_file({{"k", {std::string(253, 'v'), "w"}}}));
  EXPECT_EQ(variants_of(second, "k"), Words{std::string(253, 'v')});
}

TEST(SpellingLookup, EveryTruncationOfTheFileStaysInsideTheImage) {
  const Bytes whole = testing::spelling_file({{"color", {"colour", "kolor"}},
                                              {"dog", {"dgo", "doog"}}});
  for (size_t length = 0; length <= whole.size(); ++length) {
    const Image image(Bytes(whole.begin(), whole.begin() + length));
    for (const char* w : {"color", "dog", "", "zzz"}) variants_of(image, w);
  }
  // Cut inside the string area: what is there is still found, the rest ends
  // at the image's closing zero bytes.
  const Image cut(Bytes(whole.begin(), whole.end() - 3));
  EXPECT_EQ(variants_of(cut, "dog"), (Words{"dgo", "do"}));
}

TEST(SpellingLookup, CountThatDoesNotFitTheFileFindsNothing) {
  Bytes bytes = testing::sample_spelling_file();
  for (int32_t count : {-1, INT32_MIN, INT32_MAX, 0x15555555, 4, 3}) {
    testing::put_i32(bytes, 0, count);
    const Image image(bytes);
    EXPECT_EQ(variants_of(image, "color"), Words{}) << count;
  }
}

TEST(SpellingLookup, OffsetsOutsideTheStringAreaArePassedOver) {
  const Bytes good = testing::spelling_file({{"a", {"a1", "a2"}}, {"b", {"b1", "b2"}}});
  const size_t area = good.size() - 8 - 48;  // bytes of the string area
  struct Case {
    size_t field;
    int32_t value;
    Words a, b;
  };
  const Case cases[] = {
      {8, -1, {"a2"}, {"b1", "b2"}},                                  // variant of entry 0
      {8, static_cast<int32_t>(area) + 1, {"a2"}, {"b1", "b2"}},
      {8, INT32_MAX, {"a2"}, {"b1", "b2"}},
      {8, static_cast<int32_t>(area), {}, {"b1", "b2"}},              // the image's zero byte
      {32, INT32_MIN, {"a1", "a2"}, {"b2"}},                          // variant of entry 2
      {36, -7, {"a1", "a2"}, {"b2"}},                                 // key of entry 2
      {48, static_cast<int32_t>(area) + 9, {"a1", "a2"}, {"b1"}},     // key of entry 3
  };
  for (const Case& c : cases) {
    Bytes bytes = good;
    testing::put_i32(bytes, c.field, c.value);
    const Image image(bytes);
    EXPECT_EQ(variants_of(image, "a"), c.a) << c.field << " = " << c.value;
    EXPECT_EQ(variants_of(image, "b"), c.b) << c.field << " = " << c.value;
  }
}

class SpellingLoad : public ::testing::Test {
 protected:
  int load(const std::string& path) {
    testing::PageSink page;
    const int rc = load_spelling_file(path.c_str(), page.out(), &image, &size);
    page_text = page.text();
    return rc;
  }
  void TearDown() override { std::free(image); }

  testing::TempDir dir;
  unsigned char* image = nullptr;
  size_t size = 0;
  std::string page_text;
};

TEST_F(SpellingLoad, WholeFileWithTwoZeroBytes) {
  const Bytes file = testing::sample_spelling_file();
  ASSERT_EQ(load(dir.write("ZEBCSREF.DAT", file)), 0);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(size, 51u);
  EXPECT_EQ(Bytes(image, image + 51), file);
  EXPECT_EQ(image[51], 0);
  EXPECT_EQ(image[52], 0);
  EXPECT_EQ(page_text, "");
}

TEST_F(SpellingLoad, LastStringWithoutZeroIsEndedByTheImage) {
  Bytes file = testing::sample_spelling_file();
  file.pop_back();
  ASSERT_EQ(load(dir.write("f", file)), 0);
  char list[kVariantListSize];
  find_spelling_variants(image, size, "color", list);
  EXPECT_STREQ(list + 7, "kolor");
}

TEST_F(SpellingLoad, MissingFileFails) {
  EXPECT_NE(load(dir.path() + "/none"), 0);
  EXPECT_EQ(image, nullptr);
}

TEST_F(SpellingLoad, EmptyFileGivesNoImageAndNoFailure) {
  EXPECT_EQ(load(dir.write("f", {})), 0);
  EXPECT_EQ(image, nullptr);
}

TEST_F(SpellingLoad, FileShorterThanItsHeaderFails) {
  for (size_t length = 1; length < 8; ++length) {
    EXPECT_NE(load(dir.write("f", Bytes(length, 0))), 0) << length;
    EXPECT_EQ(image, nullptr);
  }
  EXPECT_EQ(load(dir.write("f", Bytes(8, 0))), 0);
  EXPECT_NE(image, nullptr);
}

// A directory is a file that cannot be opened: no image, and nothing in the
// page. A pipe opens, but is nothing that can be read as the file.
TEST_F(SpellingLoad, ADirectoryFailsQuietlyAPipeIsAReadError) {
  const std::string sub = dir.path() + "/sub";
  ASSERT_TRUE(std::filesystem::create_directory(sub));
  EXPECT_NE(load(sub), 0);
  EXPECT_EQ(image, nullptr);
  EXPECT_EQ(page_text, "");

  const std::string pipe = dir.path() + "/pipe";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_NE(load(pipe), 0);
  EXPECT_EQ(image, nullptr);
  EXPECT_EQ(page_text, "Error reading from input!\n");
}

}  // namespace
}  // namespace zeb
