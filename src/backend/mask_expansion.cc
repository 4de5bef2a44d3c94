#include "backend/mask_expansion.h"

#include <algorithm>
#include <iterator>

#include "backend/query_words.h"
#include "backend/return_codes.h"
#include "backend/shard_parallel.h"

namespace zeb::backend {

namespace {

constexpr char32_t kAny = static_cast<char32_t>(kMaskAny);
constexpr char32_t kOne = static_cast<char32_t>(kMaskOne);

// A mask ready for matching: its characters with runs of '*' made one (they
// mean no more than one, and each costs backtracking), and the literal text
// before its first masking character, which narrows the vocabulary to read.
struct CompiledMask {
  std::string literal;
  size_t literal_chars = 0;
  std::u32string chars;
};

CompiledMask compile(const std::string& pattern) {
  CompiledMask mask;
  mask.literal = pattern.substr(0, pattern.find_first_of("*?"));
  for (Xapian::Utf8Iterator it(pattern); it != Xapian::Utf8Iterator(); ++it) {
    const auto ch = static_cast<char32_t>(*it);
    if (ch == kAny && !mask.chars.empty() && mask.chars.back() == kAny) continue;
    if (mask.literal_chars == mask.chars.size() && ch != kAny && ch != kOne)
      ++mask.literal_chars;
    mask.chars += ch;
  }
  return mask;
}

// The characters of a word, read in place: bytes for a word of ASCII only
// (most words, read without decoding), code points for the others.
class AsciiCursor {
 public:
  explicit AsciiCursor(const std::string& word)
      : at_(word.data()), end_(word.data() + word.size()) {}
  bool at_end() const { return at_ == end_; }
  char32_t get() const { return static_cast<unsigned char>(*at_); }
  void advance() { ++at_; }

 private:
  const char* at_;
  const char* end_;
};

class Utf8Cursor {
 public:
  explicit Utf8Cursor(const std::string& word) : at_(word) {}
  bool at_end() const { return at_ == Xapian::Utf8Iterator(); }
  char32_t get() const { return static_cast<char32_t>(*at_); }
  void advance() { ++at_; }

 private:
  Xapian::Utf8Iterator at_;
};

// Iterative glob match: on a mismatch, the last '*' takes one more
// character. Never recursive; `steps` counts the comparisons, which a
// backtracking mask makes many of (at worst mask length times word length).
template <typename Cursor>
bool glob_matches(const std::u32string& mask, Cursor word, uint64_t& steps) {
  size_t m = 0;
  size_t star = std::u32string::npos;
  Cursor star_word = word;
  while (!word.at_end()) {
    ++steps;
    if (m < mask.size() && mask[m] == kAny) {
      star = m++;
      star_word = word;
    } else if (m < mask.size() && (mask[m] == kOne || mask[m] == word.get())) {
      ++m;
      word.advance();
    } else if (star != std::u32string::npos) {
      m = star + 1;
      star_word.advance();
      word = star_word;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == kAny) ++m;
  return m == mask.size();
}

bool is_ascii(const std::string& word) {
  return std::all_of(word.begin(), word.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool matches(const CompiledMask& mask, const std::string& word, uint64_t& steps) {
  if (is_ascii(word)) return glob_matches(mask.chars, AsciiCursor(word), steps);
  return glob_matches(mask.chars, Utf8Cursor(word), steps);
}

// Prefixed terms (stems, keywords, paths, scopes) begin with a capital
// letter; the words of the vocabulary never do.
bool is_prefixed(const std::string& term) {
  return !term.empty() && term[0] >= 'A' && term[0] <= 'Z';
}

// Calls visit(word) for each word of `db` that begins with `prefix`, in term
// order, until it returns other than 0; the prefixed terms are jumped over.
template <typename Visit>
int read_vocabulary(const Xapian::Database& db, const std::string& prefix, Visit visit) {
  std::string previous;
  auto term = db.allterms_begin(prefix);
  const auto end = db.allterms_end(prefix);
  for (bool first = true; term != end; first = false) {
    std::string word = *term;
    // Terms come in ascending order. One that does not come after the one
    // before is a damaged index, which could lead the reading round in a
    // circle for ever.
    if (!first && word <= previous) return kIndexNotAccessible;
    if (is_prefixed(word)) {
      // All prefixed terms sort together between 'A' and 'Z': skip them whole.
      previous = std::move(word);
      term.skip_to("[");
      continue;
    }
    if (int rc = visit(word); rc != kOk) return rc;
    previous = std::move(word);
    ++term;
  }
  return kOk;
}

// Appends `word` to `words` when it matches. Each word compared costs one
// word of the budget per shard of its vocabulary, more when the mask
// backtracks much on it.
int compare_word(const CompiledMask& mask, const std::string& word, uint64_t shards,
                 SearchBudget& budget, std::vector<std::string>& words) {
  uint64_t steps = 0;
  if (matches(mask, word, steps)) {
    if (words.size() == kMaxMaskExpansion) return kQueryTooComplex;
    words.push_back(word);
  }
  if (!budget.read_words(shards * (1 + steps / kMaskStepsPerWord))) return kQueryTooComplex;
  return kOk;
}

// Appends the matching words of one vocabulary, in term order.
int scan_vocabulary(const Vocabulary& vocabulary, const CompiledMask& mask,
                    SearchBudget& budget, std::vector<std::string>& words) {
  const uint64_t shards = std::max<uint64_t>(vocabulary.db.size(), 1);
  auto compare = [&](const std::string& word) {
    return compare_word(mask, word, shards, budget, words);
  };
  if (!vocabulary.remote || vocabulary.shards.size() < 2)
    return read_vocabulary(vocabulary.db, mask.literal, compare);
  // A remote shard sends all its words of the prefix at once, whatever the
  // budget: read them side by side, then compare their union in order.
  const size_t count = vocabulary.shards.size();
  std::vector<std::vector<std::string>> lists(count);
  std::vector<int> codes(count, kOk);
  run_side_by_side(count, [&](size_t i) {
    codes[i] = read_vocabulary(vocabulary.shards[i], mask.literal, [&](const std::string& word) {
      lists[i].push_back(word);
      return kOk;
    });
  });
  std::vector<std::string> merged, next;
  for (size_t i = 0; i < count; ++i) {
    if (codes[i] != kOk) return codes[i];
    next.clear();
    std::set_union(merged.begin(), merged.end(), lists[i].begin(), lists[i].end(),
                   std::back_inserter(next));
    merged.swap(next);
  }
  for (const std::string& word : merged)
    if (int rc = compare(word); rc != kOk) return rc;
  return kOk;
}

}  // namespace

bool mask_matches(const std::string& pattern, const std::string& word) {
  uint64_t steps = 0;
  return matches(compile(pattern), word, steps);
}

int expand_mask(const std::vector<Vocabulary>& vocabularies,
                const std::string& pattern, SearchBudget& budget,
                std::vector<std::string>& words) {
  words.clear();
  const CompiledMask mask = compile(pattern);
  if (mask.chars.size() > kMaxMaskLength) return kQueryTooComplex;
  // Each index is read alone: a merged vocabulary reads several times
  // slower than its parts one after another.
  std::vector<std::string> found;
  std::vector<std::string> merged;
  for (const Vocabulary& vocabulary : vocabularies) {
    if (vocabulary.remote && mask.literal_chars < kMinRemoteMaskLiteral)
      return kQueryTooComplex;
    found.clear();
    if (int rc = scan_vocabulary(vocabulary, mask, budget, found); rc != kOk) return rc;
    merged.clear();
    std::set_union(words.begin(), words.end(), found.begin(), found.end(),
                   std::back_inserter(merged));
    words.swap(merged);
    if (words.size() > kMaxMaskExpansion) return kQueryTooComplex;
  }
  return kOk;
}

}  // namespace zeb::backend
