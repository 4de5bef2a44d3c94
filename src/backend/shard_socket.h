// The socket of Xapian's connection to a remote shard. Xapian keeps it to
// itself and asks a remote shard for one document per exchange; with the
// socket in hand, the documents of a result page are asked for all at once
// (remote_documents.h). It is found among the process's open sockets by the
// shard's address, right after Xapian has connected.
#pragma once

#include <sys/socket.h>

#include <string>
#include <vector>

namespace zeb::backend {

struct ShardSocket {
  int fd = -1;  // -1: not found; the shard is read through Xapian
  unsigned timeout_ms = 0;  // the wait for each answer, as Xapian's own
  // Both ends as found, so that a descriptor closed and reused since is
  // told from the connection it was.
  sockaddr_storage local{};
  sockaddr_storage peer{};
};

// The process's connected sockets at one moment. Without /proc, none: every
// shard is then read through Xapian.
struct OpenSocket {
  int fd;
  sockaddr_storage local;
  sockaddr_storage peer;
};
std::vector<OpenSocket> connected_sockets();

// The socket connected to each "host:port" of `addresses`, when exactly one
// of the process's sockets is and it is not among `before` (taken before
// the shards were opened: an older connection to the same server, still
// open, is not the new one's); any other address gets fd -1.
std::vector<ShardSocket> find_shard_sockets(const std::vector<std::string>& addresses,
                                            unsigned timeout_ms,
                                            const std::vector<OpenSocket>& before);

// Whether `socket` is still the connection it was found as.
bool still_connected(const ShardSocket& socket);

}  // namespace zeb::backend
