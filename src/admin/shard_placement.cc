#include "admin/shard_placement.h"

#include <cstdint>

namespace zeb::admin {

namespace {

constexpr uint64_t kFnvOffsetBasis = 14695981039346656037ULL;
constexpr uint64_t kFnvPrime = 1099511628211ULL;

}  // namespace

size_t shard_for_path(std::string_view path, size_t shard_count) {
  if (shard_count <= 1) return 0;
  uint64_t hash = kFnvOffsetBasis;
  for (char c : path) {
    hash ^= static_cast<unsigned char>(c);
    hash *= kFnvPrime;
  }
  return static_cast<size_t>(hash % shard_count);
}

}  // namespace zeb::admin
