#include "cgi/body_reader.h"

#include <algorithm>
#include <cstring>

namespace zeb {

BodyReader::BodyReader(FILE* in, int64_t length)
    : in_(in), remaining_(length < 0 ? -1 : length) {}

bool BodyReader::fill() {
  size_t want = sizeof block_;
  if (remaining_ >= 0) want = static_cast<size_t>(std::min<int64_t>(remaining_, want));
  size_t got = want > 0 ? fread(block_, 1, want, in_) : 0;
  block_pos_ = 0;
  block_end_ = got;
  if (got == 0) input_ended_ = true;
  return got > 0;
}

size_t BodyReader::read_entry(char stop, std::string* entry) {
  if (entry != nullptr) entry->clear();
  size_t consumed = 0;
  while (remaining_ != 0) {
    if (block_pos_ == block_end_ && !fill()) break;
    const char* start = block_ + block_pos_;
    size_t available = block_end_ - block_pos_;
    if (remaining_ > 0) available = static_cast<size_t>(std::min<int64_t>(remaining_, available));
    const char* found = static_cast<const char*>(memchr(start, stop, available));
    size_t run = found != nullptr ? static_cast<size_t>(found - start) : available;
    size_t taken = found != nullptr ? run + 1 : run;

    if (entry != nullptr) {
      size_t room = std::min(kMaxEntryBytes - entry->size(), kMaxBodyKeptBytes - kept_total_);
      size_t keep = std::min(run, room);
      entry->append(start, keep);
      kept_total_ += keep;
    }
    block_pos_ += taken;
    consumed += taken;
    if (remaining_ > 0) remaining_ -= static_cast<int64_t>(taken);
    if (found != nullptr) break;
  }
  return consumed;
}

}  // namespace zeb
