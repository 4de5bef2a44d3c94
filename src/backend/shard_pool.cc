#include "backend/shard_pool.h"

#include <poll.h>

#include <list>
#include <utility>

namespace zeb::backend {

namespace {

struct PoolEntry {
  std::string address;
  ShardTimeouts timeouts;
  KeptShard shard;
};

// Never destroyed: at the process's end its connections close with it.
std::list<PoolEntry>& pool() {
  static auto* entries = new std::list<PoolEntry>;
  return *entries;
}

uint64_t failures = 0;

// Whether a kept connection is idle as it was left: the same socket, with
// no answer waiting and not closed by the server.
bool looks_idle(const ShardSocket& socket) {
  if (socket.fd < 0) return true;  // unknown: reopening it tells
  if (!still_connected(socket)) return false;
  pollfd waiting{socket.fd, POLLIN, 0};
  return ::poll(&waiting, 1, 0) == 0;
}

}  // namespace

bool take_kept_shard(const std::string& address, const ShardTimeouts& timeouts,
                     KeptShard& out) {
  auto& entries = pool();
  for (auto it = entries.begin(); it != entries.end();) {
    if (it->address != address) {
      ++it;
      continue;
    }
    // Made with the timeouts the instance had before: never to be taken
    // again, it would hold its socket and its server process to the end.
    if (!(it->timeouts == timeouts)) {
      it = entries.erase(it);
      continue;
    }
    KeptShard shard = std::move(it->shard);
    entries.erase(it);
    if (!looks_idle(shard.socket)) return false;
    out = std::move(shard);
    return true;
  }
  return false;
}

void keep_shard(const std::string& address, const ShardTimeouts& timeouts, KeptShard shard) {
  auto& entries = pool();
  if (entries.size() >= kMaxKeptShardConnections) entries.pop_front();
  entries.push_back({address, timeouts, std::move(shard)});
}

void drop_kept_shards() { pool().clear(); }

uint64_t engine_failures() { return failures; }
void count_engine_failure() { ++failures; }

}  // namespace zeb::backend
