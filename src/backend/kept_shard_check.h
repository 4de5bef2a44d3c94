// The revision check of kept shard connections (shard_pool.h), sent to every
// shard before any answer is read, on the shards' own connections
// (remote_messages.h): no thread per shard, and a replica's revision comes
// in the same exchange.
//
// The server reopens its database and answers "done" when it was already at
// the latest revision: Xapian's own reopen would have changed nothing on
// our side either, and the connection serves the search as it is. When the
// server had a newer revision it answers with the new statistics, which
// Xapian keeps on its side of the connection and cannot be given from
// here: such a connection is replaced (once for each new revision).
#pragma once

#include <vector>

#include "backend/shard_socket.h"

namespace zeb::backend {

enum class KeptState {
  kUnchecked,  // no socket known: Xapian checks it (one exchange)
  kCurrent,    // at the latest revision: use it
  kChanged,    // a newer revision, or the connection failed: connect anew
  kStalled,    // no answer within the timeout: the shard fails its open
};

struct KeptProbe {
  const ShardSocket* socket = nullptr;
  bool wants_revision = false;  // a replica: read zebadm's revision too
  KeptState state = KeptState::kUnchecked;
  bool revision_read = false;
  unsigned long long revision = 0;
};

// Checks every probe's connection, all answers within one search timeout
// from the sending. A connection whose answers were not all read is shut
// down (its KeptShard must then be dropped).
void check_kept_shards(std::vector<KeptProbe>& probes);

}  // namespace zeb::backend
