// Which shard of a sharded index holds a document: a hash of its path
// (relative to the document tree) modulo the number of shards. The hash is
// FNV-1a over the path's bytes, written out here rather than std::hash, so
// that every build of zebadm, on any machine, puts a document on the same
// shard: an update looks a document up only there, and removes it from any
// other shard it is found on.
#pragma once

#include <cstddef>
#include <string_view>

#include "backend/catalogue.h"

namespace zeb::admin {

// Shards one index may have (the catalogue refuses more).
constexpr size_t kMaxShards = backend::kMaxShards;

// 0 to shard_count - 1; 0 when shard_count is 0 or 1.
size_t shard_for_path(std::string_view path, size_t shard_count);

}  // namespace zeb::admin
