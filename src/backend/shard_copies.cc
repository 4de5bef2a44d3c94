#include "backend/shard_copies.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>

namespace zeb::backend {

namespace {

using Clock = std::chrono::steady_clock;

struct FailedCopies {
  std::mutex lock;
  std::map<std::string, Clock::time_point> until;
};

// Never destroyed: threads of a search may still ask while the process ends.
FailedCopies& failed_copies() {
  static auto* copies = new FailedCopies;
  return *copies;
}

// A 64-bit mix (splitmix64's finaliser): neighbouring inputs pick unrelated
// copies.
uint64_t mix(uint64_t value) {
  value ^= value >> 30;
  value *= 0xbf58476d1ce4e5b9ULL;
  value ^= value >> 27;
  value *= 0x94d049bb133111ebULL;
  return value ^ (value >> 31);
}

}  // namespace

unsigned long long counted_revision(const Xapian::Database& db) {
  return std::strtoull(db.get_metadata(kRevisionKey).c_str(), nullptr, 10);
}

bool read_revision_record(const std::string& data_dir,
                          std::vector<unsigned long long>& revisions) {
  revisions.clear();
  const std::string path = data_dir + "/" + kRevisionRecordName;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string text(kMaxRevisionRecordBytes + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  if (text.size() > kMaxRevisionRecordBytes) return false;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find('\n', at);
    const std::string line = text.substr(at, end == std::string::npos ? end : end - at);
    // A torn last line (no line feed) makes the record unreadable too.
    if (end == std::string::npos || line.empty() || line.size() > 20 ||
        line.find_first_not_of("0123456789") != std::string::npos) {
      revisions.clear();
      return false;
    }
    revisions.push_back(std::strtoull(line.c_str(), nullptr, 10));
    at = end + 1;
  }
  return !revisions.empty();
}

std::string revision_record_text(const std::vector<unsigned long long>& revisions) {
  std::string text;
  for (unsigned long long revision : revisions) text += std::to_string(revision) + '\n';
  return text;
}

uint64_t next_copy_spread() {
  static uint64_t openings = 0;
  return mix((static_cast<uint64_t>(::getpid()) << 32) ^ ++openings);
}

std::vector<std::string> copies_in_order(const CatalogueEntry& entry, size_t shard,
                                         uint64_t spread) {
  std::vector<std::string> copies = {entry.shards[shard]};
  const std::vector<std::string>& replicas = entry.replicas_of(shard);
  copies.insert(copies.end(), replicas.begin(), replicas.end());
  std::rotate(copies.begin(), copies.begin() + mix(spread + shard) % copies.size(),
              copies.end());
  std::stable_partition(copies.begin(), copies.end(),
                        [](const std::string& copy) { return !copy_skipped(copy); });
  return copies;
}

void mark_copy_failed(const std::string& address) {
  FailedCopies& copies = failed_copies();
  std::lock_guard<std::mutex> held(copies.lock);
  copies.until[address] = Clock::now() + std::chrono::seconds(kCopySkipSeconds);
}

bool copy_skipped(const std::string& address) {
  FailedCopies& copies = failed_copies();
  std::lock_guard<std::mutex> held(copies.lock);
  const auto found = copies.until.find(address);
  if (found == copies.until.end()) return false;
  if (found->second > Clock::now()) return true;
  copies.until.erase(found);
  return false;
}

void forget_failed_copies() {
  FailedCopies& copies = failed_copies();
  std::lock_guard<std::mutex> held(copies.lock);
  copies.until.clear();
}

}  // namespace zeb::backend
