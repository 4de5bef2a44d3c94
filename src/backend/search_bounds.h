// What one search may ask for, and the budget that counts it. Past any of
// these bounds the search answers 22, "too complex", before the matcher
// runs: every request finishes in bounded processor time and memory,
// whatever the form or the index holds.
//
// The numbers were measured on an index of 10,000 documents holding a
// million distinct words (bench/bounds-bench), to keep every request under
// 1 s of processor time and 32 MiB of memory there:
// - reading a vocabulary costs about 0.1 s per million words, so a mask
//   without a leading literal (a pass over the whole vocabulary) takes 0.1 s
//   on such an index;
// - an open posting list of a frequent word holds about 20 KiB of blocks,
//   a list of a word in a few documents about 1.5 KiB; merging a thousand
//   lists of words found in every document takes about half a second;
// - a phrase word reads its positions as well: twice the memory, and up to
//   four times the processor time of a plain word when the phrases match
//   many documents.
// No form of a real site comes near them: a phrase is a few words, a mask
// matches hundreds of words at most.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zeb::backend {

// Words of one phrase: a term text with blanks, masked pieces included.
constexpr size_t kMaxPhraseWords = 32;

// Words one masked word may stand for, over all indexes of the search.
constexpr size_t kMaxMaskExpansion = 1000;

// Characters of one mask once runs of '*' are made one. The indexer keeps
// words of at most 64 bytes: a longer mask hardly matches one and makes
// every comparison dearer.
constexpr size_t kMaxMaskLength = 64;

// Xapian reads the vocabulary of a remote shard whole, into memory, before
// its first word (87 MB for a shard of a million words): a mask over one
// must begin with this many characters, which keep that reading to a small
// part of the vocabulary.
constexpr size_t kMinRemoteMaskLiteral = 2;

// Vocabulary words all masked words of one search may read, summed over the
// indexes (a word of an index of several shards counts once per shard):
// three passes over an index of a million words and some more, so that a
// leading '*' mask over three such indexes still answers. Identical masks
// are read once per search.
constexpr uint64_t kMaskScanBudget = uint64_t{3} << 20;  // 3,145,728

// Comparisons a mask may make with one word for the price of reading it; a
// mask that backtracks more pays one word more per this many.
constexpr uint64_t kMaskStepsPerWord = 64;

// Posting lists the matcher may open for one search: every word, topic,
// scope value and masked alternative counts once per shard of the search,
// a word of a phrase four times (its positions, and their checking).
constexpr uint64_t kMaxPostingLists = 768;
constexpr uint64_t kPhraseWordLists = 4;

// The spending of one search against those bounds. Tests may pass smaller
// limits.
class SearchBudget {
 public:
  SearchBudget() = default;
  SearchBudget(uint64_t scan_words, uint64_t posting_lists)
      : scan_limit_(scan_words), list_limit_(posting_lists) {}

  // Counts `words` vocabulary words read; false once the budget is spent.
  bool read_words(uint64_t words) {
    scanned_ += words;
    return scanned_ <= scan_limit_;
  }

  // Counts `lists` posting lists; false once there are too many.
  bool open_lists(uint64_t lists) {
    lists_ += lists;
    return lists_ <= list_limit_;
  }

  uint64_t words_read() const { return scanned_; }
  uint64_t lists_opened() const { return lists_; }

 private:
  uint64_t scan_limit_ = kMaskScanBudget;
  uint64_t list_limit_ = kMaxPostingLists;
  uint64_t scanned_ = 0;
  uint64_t lists_ = 0;
};

}  // namespace zeb::backend
