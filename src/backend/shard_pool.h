// Connections to shard servers kept from one session to the next.
//
// Each new connection costs its xapian-tcpsrv a fork and the opening of its
// database, which is most of what a search of a remote shard costs. A
// process that serves request after request (the persistent mode) keeps
// the connections of the indexes its sessions closed and reuses them for
// the same shard: before use a kept connection must still be the socket it
// was, with nothing waiting to be read, and is then checked for the shard's
// latest revision (one exchange, kept_shard_check.h). A connection that
// fails that, or whose shard has a newer revision, is dropped
// and a new one made, but a shard whose kept connection times out is not
// tried again: it fails its open as a stalled server does.
//
// A connection is kept only when no engine call failed since its index was
// opened: after a timeout or a lost connection its state is not known.
#pragma once

#include <xapian.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "backend/catalogue.h"
#include "backend/shard_socket.h"

namespace zeb::backend {

// Connections kept at most; the oldest goes first.
constexpr size_t kMaxKeptShardConnections = 64;

struct KeptShard {
  Xapian::Database db;
  ShardSocket socket;
};

// Takes the kept connection to `address` made with `timeouts`, when there
// is one that looks alive; false when there is none.
bool take_kept_shard(const std::string& address, const ShardTimeouts& timeouts,
                     KeptShard& out);

// Keeps the connection to `address` for a later session.
void keep_shard(const std::string& address, const ShardTimeouts& timeouts, KeptShard shard);

// Drops every kept connection.
void drop_kept_shards();

// Engine calls that failed so far in this process (call_guard.h counts them).
uint64_t engine_failures();
void count_engine_failure();

}  // namespace zeb::backend
