// How many documents of each remote shard hold each of a few terms, in one
// round trip per shard: every question goes out on each shard's connection
// before any answer is awaited (remote_messages.h).
//
//   request  MSG_TERMFREQ (4)      body: the term
//   answer   REPLY_TERMFREQ (8)    body: the number of documents
//   or       REPLY_EXCEPTION (1)   the server could not tell
#pragma once

#include <xapian.h>

#include <string>
#include <vector>

#include "backend/shard_socket.h"

namespace zeb::backend {

// Stands for a count the shard could not tell.
constexpr Xapian::doccount kUnknownCount = Xapian::doccount(-1);

// counts[s][t]: the documents of the shard on `sockets[s]` that hold
// `terms[t]`, or kUnknownCount. Throws Xapian::NetworkError (NetworkTimeoutError after a
// socket's timeout) when a connection fails or an answer is not a count;
// every connection is then shut down.
std::vector<std::vector<Xapian::doccount>> remote_term_counts(
    const std::vector<const ShardSocket*>& sockets, const std::vector<std::string>& terms);

}  // namespace zeb::backend
