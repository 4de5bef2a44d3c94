#include "admin/spelling_file.h"

#include <algorithm>
#include <map>

#include "admin/atomic_file.h"

namespace zeb::admin {

namespace {

void put_u32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

bool fits_word(const std::string& s) {
  return !s.empty() && s.size() <= kSpellingWordMaxBytes && s.find('\0') == std::string::npos;
}

}  // namespace

std::string encode_spelling_file(std::vector<SpellingGroup> groups) {
  // Keep what fits; a variant list of one group needs its final empty string.
  std::vector<SpellingGroup> kept;
  for (auto& group : groups) {
    if (!fits_word(group.key)) continue;
    SpellingGroup fitted{std::move(group.key), {}};
    size_t used = 0;
    for (auto& variant : group.variants) {
      if (!fits_word(variant) || variant == fitted.key) continue;
      if (used + variant.size() + 1 > kSpellingVariantListBytes - 1) break;
      used += variant.size() + 1;
      fitted.variants.push_back(std::move(variant));
    }
    if (!fitted.variants.empty()) kept.push_back(std::move(fitted));
  }
  if (kept.empty()) return {};
  std::sort(kept.begin(), kept.end(),
            [](const SpellingGroup& a, const SpellingGroup& b) { return a.key < b.key; });
  // One group per key: a key given twice keeps its first group.
  kept.erase(std::unique(kept.begin(), kept.end(),
                         [](const SpellingGroup& a, const SpellingGroup& b) { return a.key == b.key; }),
             kept.end());

  // Keys first, in order, so that the first key lies at offset 0.
  std::string strings;
  std::map<std::string, uint32_t> offsets;
  auto intern = [&](const std::string& s) {
    auto [it, added] = offsets.emplace(s, static_cast<uint32_t>(strings.size()));
    if (added) strings.append(s).push_back('\0');
    return it->second;
  };
  for (const auto& group : kept) intern(group.key);

  std::string entries;
  uint32_t count = 0;
  for (const auto& group : kept) {
    const uint32_t key = offsets.at(group.key);
    for (const auto& variant : group.variants) {
      put_u32(entries, intern(variant));
      put_u32(entries, key);
      put_u32(entries, 0);
      ++count;
    }
  }
  std::string file;
  file.reserve(kSpellingHeaderBytes + entries.size() + strings.size());
  put_u32(file, count);
  put_u32(file, 0);
  file += entries;
  file += strings;
  return file;
}

bool write_spelling_file(const std::string& path, const std::vector<SpellingGroup>& groups,
                         std::string& error) {
  return write_file_atomically(path, encode_spelling_file(groups), error);
}

}  // namespace zeb::admin
