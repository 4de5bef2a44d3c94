#include "admin/spelling_variants.h"

#include <xapian.h>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <functional>
#include <string_view>
#include <thread>
#include <utility>

namespace zeb::admin {

namespace {

struct Word {
  std::string utf8;
  std::u32string letters;
  unsigned documents;
};

bool is_letter(unsigned ch) {
  switch (Xapian::Unicode::get_category(ch)) {
    case Xapian::Unicode::LOWERCASE_LETTER:
    case Xapian::Unicode::UPPERCASE_LETTER:
    case Xapian::Unicode::TITLECASE_LETTER:
    case Xapian::Unicode::MODIFIER_LETTER:
    case Xapian::Unicode::OTHER_LETTER:
      return true;
    default:
      return false;
  }
}

bool take_word(const VocabularyWord& in, Word& out) {
  if (in.word.size() > kSpellingWordMaxBytes) return false;
  out.letters.clear();
  for (Xapian::Utf8Iterator it(in.word); it != Xapian::Utf8Iterator(); ++it) {
    if (!is_letter(*it)) return false;
    out.letters.push_back(*it);
  }
  if (out.letters.size() < kMinWordLetters || out.letters.size() > kMaxWordLetters) return false;
  out.utf8 = in.word;
  out.documents = in.documents;
  return true;
}

size_t allowed_edits(size_t letters) { return letters >= kLongWordLetters ? 2 : 1; }

// Equal hashes only make two words candidates; the edit distance decides.
uint32_t hash_of(const std::u32string& s) {
  const uint64_t h = std::hash<std::u32string>{}(s);
  return static_cast<uint32_t>(h ^ (h >> 32));
}

// Calls `visit` with the hash of every string made by deleting at most
// `depth` letters from `s` (s itself included); repeats are possible.
template <typename Visit>
void for_each_deletion(std::u32string& s, size_t depth, size_t from, Visit& visit) {
  visit(hash_of(s));
  if (depth == 0) return;
  for (size_t i = from; i < s.size(); ++i) {
    const char32_t removed = s[i];
    s.erase(i, 1);
    for_each_deletion(s, depth - 1, i, visit);
    s.insert(s.begin() + static_cast<std::ptrdiff_t>(i), removed);
  }
}

// The deletion neighbourhood of the keys: entries hash << 32 | key index,
// sorted, with an index of where each run of hashes sharing their top
// kBucketBits bits starts, so that a probe looks at a few entries rather
// than searching millions.
class Neighbourhood {
 public:
  static constexpr unsigned kBucketBits = 20;

  explicit Neighbourhood(std::vector<uint64_t> entries) : entries_(std::move(entries)) {
    std::sort(entries_.begin(), entries_.end());
    entries_.erase(std::unique(entries_.begin(), entries_.end()), entries_.end());
    starts_.assign((size_t{1} << kBucketBits) + 1, 0);
    for (uint64_t entry : entries_) ++starts_[bucket(static_cast<uint32_t>(entry >> 32)) + 1];
    for (size_t b = 1; b < starts_.size(); ++b) starts_[b] += starts_[b - 1];
  }

  using Ranges = std::vector<std::pair<uint32_t, uint32_t>>;

  // Appends the index of every key with an entry of one of `hashes`
  // (`ranges` is scratch). The tables are far larger than the caches and
  // each probe lands anywhere in them, so the probes of a word are read in
  // steps, each step's memory asked for ahead for all of them: the waits
  // overlap instead of adding up.
  void keys_of(const std::vector<uint32_t>& hashes, Ranges& ranges,
               std::vector<uint32_t>& keys) const {
    for (uint32_t h : hashes) __builtin_prefetch(&starts_[bucket(h)]);
    ranges.clear();
    for (uint32_t h : hashes) {
      const uint32_t b = bucket(h);
      ranges.emplace_back(starts_[b], starts_[b + 1]);
      __builtin_prefetch(entries_.data() + starts_[b]);
    }
    for (size_t k = 0; k < hashes.size(); ++k)
      for (uint32_t i = ranges[k].first; i < ranges[k].second; ++i)
        if (static_cast<uint32_t>(entries_[i] >> 32) == hashes[k])
          keys.push_back(static_cast<uint32_t>(entries_[i]));
  }

 private:
  static uint32_t bucket(uint32_t h) { return h >> (32 - kBucketBits); }

  std::vector<uint64_t> entries_;
  std::vector<uint32_t> starts_;
};

// The (key, variant) pairs of the candidates [begin, end). A candidate
// shorter than kLongWordLetters within two edits of a longer key differs
// from it by at least one letter the key has over it, so one deletion on
// the candidate's side suffices.
void find_variants(const std::vector<Word>& words, const Neighbourhood& neighbourhood,
                   uint32_t begin, uint32_t end,
                   std::vector<std::pair<uint32_t, uint32_t>>& found) {
  const Xapian::Stem stemmer("english");
  std::vector<uint32_t> hashes, keys;
  Neighbourhood::Ranges ranges;
  for (uint32_t c = begin; c < end; ++c) {
    const Word& candidate = words[c];
    const size_t depth = allowed_edits(candidate.letters.size());
    keys.clear();
    hashes.clear();
    std::u32string letters = candidate.letters;
    auto collect = [&](uint32_t h) { hashes.push_back(h); };
    for_each_deletion(letters, depth, 0, collect);
    neighbourhood.keys_of(hashes, ranges, keys);
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    std::string candidate_stem;
    for (uint32_t k : keys) {
      const Word& key = words[k];
      if (uint64_t{candidate.documents} * kRarityFactor > key.documents) continue;
      const size_t limit = allowed_edits(key.letters.size());
      if (edit_distance(key.letters, candidate.letters, limit) > limit) continue;
      if (candidate_stem.empty()) candidate_stem = stemmer(candidate.utf8);
      if (stemmer(key.utf8) == candidate_stem) continue;
      found.emplace_back(k, c);
    }
  }
}

}  // namespace

size_t edit_distance(const std::u32string& a, const std::u32string& b, size_t limit) {
  const size_t n = a.size(), m = b.size();
  if ((n > m ? n - m : m - n) > limit) return limit + 1;
  // Three rows of the optimal-string-alignment table.
  std::vector<size_t> before(m + 1), previous(m + 1), current(m + 1);
  for (size_t j = 0; j <= m; ++j) previous[j] = j;
  for (size_t i = 1; i <= n; ++i) {
    current[0] = i;
    size_t row_min = current[0];
    for (size_t j = 1; j <= m; ++j) {
      const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      size_t d = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d = std::min(d, before[j - 2] + 1);
      current[j] = d;
      row_min = std::min(row_min, d);
    }
    if (row_min > limit) return limit + 1;
    std::swap(before, previous);
    std::swap(previous, current);
  }
  return std::min(previous[m], limit + 1);
}

std::vector<SpellingGroup> find_misspellings(const std::vector<VocabularyWord>& vocabulary) {
  std::vector<Word> words;
  words.reserve(vocabulary.size());
  Word word;
  for (const auto& entry : vocabulary)
    if (take_word(entry, word)) words.push_back(word);
  std::sort(words.begin(), words.end(),
            [](const Word& a, const Word& b) { return a.utf8 < b.utf8; });
  words.erase(std::unique(words.begin(), words.end(),
                          [](const Word& a, const Word& b) { return a.utf8 == b.utf8; }),
              words.end());

  std::vector<uint64_t> entries;
  for (uint32_t k = 0; k < words.size(); ++k) {
    if (words[k].documents < kMinKeyDocuments) continue;
    std::u32string letters = words[k].letters;
    auto add = [&](uint32_t h) { entries.push_back(uint64_t{h} << 32 | k); };
    for_each_deletion(letters, allowed_edits(letters.size()), 0, add);
  }
  const Neighbourhood neighbourhood(std::move(entries));

  // The candidates are looked up in two halves, one on a thread of its own:
  // the look-ups are independent and most of the work.
  std::vector<std::pair<uint32_t, uint32_t>> found_low, found_high;
  const uint32_t half = static_cast<uint32_t>(words.size() / 2);
  std::exception_ptr low_failure;
  std::jthread low([&] {
    try {
      find_variants(words, neighbourhood, 0, half, found_low);
    } catch (...) {
      low_failure = std::current_exception();
    }
  });
  find_variants(words, neighbourhood, half, static_cast<uint32_t>(words.size()), found_high);
  low.join();
  if (low_failure) std::rethrow_exception(low_failure);
  std::vector<std::vector<uint32_t>> variants_of(words.size());
  for (const auto* found : {&found_low, &found_high})
    for (const auto& [k, c] : *found) variants_of[k].push_back(c);

  std::vector<SpellingGroup> groups;
  for (uint32_t k = 0; k < words.size(); ++k) {
    auto& found = variants_of[k];
    if (found.empty()) continue;
    std::sort(found.begin(), found.end(), [&](uint32_t a, uint32_t b) {
      if (words[a].documents != words[b].documents) return words[a].documents > words[b].documents;
      return words[a].utf8 < words[b].utf8;
    });
    SpellingGroup group{words[k].utf8, {}};
    for (uint32_t v : found) group.variants.push_back(words[v].utf8);
    groups.push_back(std::move(group));
  }
  return groups;
}

}  // namespace zeb::admin
