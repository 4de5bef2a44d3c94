// Reads the posted body entry by entry: the bytes up to a stop character
// ("&" for forms), which is consumed and not kept.
//
// How much is read: `length` bytes (CONTENT_LENGTH), or everything up to the
// end of input when `length` is negative. Reading always stops at the end of
// input, so an overstated length costs nothing.
//
// How much is kept, so that memory stays bounded whatever the body holds:
// at most kMaxEntryBytes of one entry and kMaxBodyKeptBytes over all entries
// that are kept; further bytes are read and dropped (the entry is cut).
// The input is read in blocks, never past `length`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace zeb {

constexpr size_t kMaxEntryBytes = size_t{1} << 20;      // 1 MiB
constexpr size_t kMaxBodyKeptBytes = size_t{16} << 20;  // 16 MiB
constexpr size_t kBodyBlockSize = 64 * 1024;

class BodyReader {
 public:
  BodyReader(FILE* in, int64_t length);
  BodyReader(const BodyReader&) = delete;
  BodyReader& operator=(const BodyReader&) = delete;

  // True once `length` bytes were read or the input has ended.
  bool done() const { return remaining_ == 0 || input_ended_; }

  // Reads one entry into `entry` (replacing its content), or skips it when
  // `entry` is null. The entry ends at the stop character, after the last
  // byte of `length`, or at the end of input. Returns the number of bytes
  // consumed, stop character included: 0 means the input had ended.
  size_t read_entry(char stop, std::string* entry);

 private:
  bool fill();  // false at the end of input

  FILE* in_;
  int64_t remaining_;  // bytes still to read; negative: up to the end of input
  bool input_ended_ = false;
  size_t kept_total_ = 0;
  char block_[kBodyBlockSize];
  size_t block_pos_ = 0;
  size_t block_end_ = 0;
};

}  // namespace zeb
