#include "admin/duplicate_texts.h"

namespace zeb::admin {

namespace {

using u128 = unsigned __int128;

// FNV-1a over 128 bits: 64 bits would do for one tree, but a clash would
// silently drop a page, and the wider hash costs nothing that counts.
constexpr u128 kFnvOffset = (static_cast<u128>(0x6c62272e07bb0142ULL) << 64) | 0x62b821756295c58dULL;
constexpr u128 kFnvPrime = (static_cast<u128>(1) << 88) | 0x13b;

void mix(u128& hash, std::string_view bytes) {
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= kFnvPrime;
  }
}

}  // namespace

std::string content_term(const ExtractedDocument& doc) {
  u128 hash = kFnvOffset;
  mix(hash, doc.title);
  mix(hash, std::string_view("\0", 1));
  mix(hash, doc.text);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string term = kContentPrefix;
  for (int shift = 124; shift >= 0; shift -= 4) term += kHex[(hash >> shift) & 0xF];
  return term;
}

bool ContentClaims::claim(const std::string& term, const std::string& path, size_t run) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto [at, fresh] = holders_.try_emplace(term, Holder{path, run});
  if (fresh) return true;
  if (at->second.path < path) return false;
  displaced_.push_back({at->second.path, at->second.run});
  at->second = Holder{path, run};
  return true;
}

std::vector<ContentClaims::Displaced> ContentClaims::displaced() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return displaced_;
}

}  // namespace zeb::admin
