#include "admin/spelling_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "admin/spelling_variants.h"
#include "temp_tree.h"

namespace zeb::admin {
namespace {

uint32_t u32_at(const std::string& file, size_t offset) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(file[offset + i]);
  return value;
}

// The search's look-up, written down independently: scan from the first
// entry (whose key is the string at offset 0) while the key is less than
// the word; on an equal key, collect the variants of the entries with the
// same key offset.
std::vector<std::string> look_up(const std::string& file, const std::string& word) {
  if (file.size() < kSpellingHeaderBytes) return {};
  const uint32_t count = u32_at(file, 0);
  const char* strings = file.data() + kSpellingHeaderBytes + kSpellingEntryBytes * count;
  auto entry_field = [&](uint32_t i, int field) {
    return u32_at(file, kSpellingHeaderBytes + kSpellingEntryBytes * i + 4 * field);
  };
  uint32_t i = 0;
  const char* key = strings;
  while (std::strcmp(key, word.c_str()) < 0 && i + 1 < count) key = strings + entry_field(++i, 1);
  if (word != key) return {};
  std::vector<std::string> variants;
  const uint32_t key_offset = entry_field(i, 1);
  for (; i < count && entry_field(i, 1) == key_offset; ++i)
    variants.emplace_back(strings + entry_field(i, 0));
  return variants;
}

// Checks the invariants the search relies on; returns every group.
std::map<std::string, std::vector<std::string>> check_layout(const std::string& file) {
  std::map<std::string, std::vector<std::string>> groups;
  if (file.empty()) return groups;
  const uint32_t count = u32_at(file, 0);
  const size_t area = kSpellingHeaderBytes + kSpellingEntryBytes * count;
  EXPECT_GE(file.size(), area);
  EXPECT_EQ(file.back(), '\0');
  EXPECT_EQ(u32_at(file, kSpellingHeaderBytes + 4), 0u) << "first key not at offset 0";
  std::string previous_key;
  uint32_t previous_offset = UINT32_MAX;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t at = kSpellingHeaderBytes + kSpellingEntryBytes * i;
    const uint32_t variant = u32_at(file, at), key = u32_at(file, at + 4);
    EXPECT_EQ(u32_at(file, at + 8), 0u);
    EXPECT_LT(area + variant, file.size());
    EXPECT_LT(area + key, file.size());
    const std::string key_text = file.c_str() + area + key;
    if (key != previous_offset) {
      EXPECT_TRUE(groups.find(key_text) == groups.end()) << "group split: " << key_text;
      if (i > 0) {
        EXPECT_LT(previous_key, key_text) << "keys out of order";
      }
    }
    groups[key_text].emplace_back(file.c_str() + area + variant);
    previous_key = key_text;
    previous_offset = key;
  }
  return groups;
}

TEST(SpellingFile, TheSmallestFileIsByteExact) {
  const std::string expected(
      "\x02\0\0\0\0\0\0\0"
      "\x06\0\0\0\0\0\0\0\0\0\0\0"
      "\x0D\0\0\0\0\0\0\0\0\0\0\0"
      "color\0colour\0kolor\0",
      51);
  EXPECT_EQ(encode_spelling_file({{"color", {"colour", "kolor"}}}), expected);
  EXPECT_EQ(look_up(expected, "color"), (std::vector<std::string>{"colour", "kolor"}));
  EXPECT_TRUE(look_up(expected, "Color").empty());
  EXPECT_TRUE(look_up(expected, "colors").empty());
}

TEST(SpellingFile, EveryKeyIsFoundWithItsGroupInOrder) {
  std::vector<SpellingGroup> groups = {
      {"zebra", {"zebar"}},
      {"apple", {"aple", "appel", "apply"}},
      {"m\xC3\xBCnchen", {"munchen"}},
      {"retrieval", {"retreival", "retrival"}},
      {"colour", {"color"}},  // a key that is another group's variant
      {"color", {"colour"}},
  };
  const std::string file = encode_spelling_file(groups);
  const auto read_back = check_layout(file);
  EXPECT_EQ(read_back.size(), groups.size());
  for (const auto& group : groups) {
    EXPECT_EQ(look_up(file, group.key), group.variants) << group.key;
    EXPECT_EQ(read_back.at(group.key), group.variants) << group.key;
  }
  for (const char* absent : {"", "a", "applf", "zzz", "colo", "zebras", "retrievals"})
    EXPECT_TRUE(look_up(file, absent).empty()) << absent;
}

TEST(SpellingFile, WhatTheSearchCannotHoldIsLeftOut) {
  std::vector<std::string> many;
  for (int i = 0; i < 100; ++i) many.push_back("variant" + std::to_string(100 + i));  // 11 bytes
  const std::string long_word(kSpellingWordMaxBytes + 1, 'x');
  const std::string file = encode_spelling_file({
      {"word", many},
      {long_word, {"short"}},
      {"other", {long_word, "", "other", "fine"}},
      {"empty", {}},
  });
  const auto groups = check_layout(file);
  ASSERT_EQ(groups.size(), 2u);
  // Each variant with its zero byte, and the list's final empty string.
  const auto& kept = groups.at("word");
  EXPECT_EQ(kept.size(), (kSpellingVariantListBytes - 1) / 11);
  EXPECT_EQ(kept.front(), "variant100");
  EXPECT_EQ(groups.at("other"), (std::vector<std::string>{"fine"}));
}

TEST(SpellingFile, NoGroupsMakeAnEmptyFileWrittenWhole) {
  EXPECT_EQ(encode_spelling_file({}), "");
  EXPECT_EQ(encode_spelling_file({{"lonely", {}}}), "");

  testing_support::TempTree dir;
  std::string error;
  ASSERT_TRUE(write_spelling_file(dir.path("ZEBCSREF.DAT"), {{"color", {"colour"}}}, error))
      << error;
  EXPECT_EQ(look_up(dir.read("ZEBCSREF.DAT"), "color"), std::vector<std::string>{"colour"});
  EXPECT_FALSE(dir.exists("ZEBCSREF.DAT.tmp"));
  EXPECT_FALSE(write_spelling_file(dir.path("missing/ZEBCSREF.DAT"), {}, error));
  EXPECT_NE(error.find("missing"), std::string::npos);
}

}  // namespace
}  // namespace zeb::admin
