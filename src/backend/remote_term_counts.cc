#include "backend/remote_term_counts.h"

#include "backend/remote_messages.h"

namespace zeb::backend {

namespace {

constexpr unsigned char kMessageTermFrequency = 4;
constexpr unsigned char kReplyTermFrequency = 8;

}  // namespace

std::vector<std::vector<Xapian::doccount>> remote_term_counts(
    const std::vector<const ShardSocket*>& sockets, const std::vector<std::string>& terms) {
  std::vector<const ShardSocket*> connections = sockets;
  const auto socket_of = [](const ShardSocket* socket) { return socket; };
  std::string requests;
  for (const std::string& term : terms) append_message(requests, kMessageTermFrequency, term);
  on_every_connection(connections, socket_of,
                      [&](const ShardSocket* socket) { send_all(*socket, requests); });

  std::vector<std::vector<Xapian::doccount>> counts(sockets.size());
  size_t shard = 0;
  on_every_connection(connections, socket_of, [&](const ShardSocket* socket) {
    AnswerReader reader(*socket);
    std::string body;
    for (size_t t = 0; t < terms.size(); ++t) {
      const unsigned char type = reader.next(body);
      if (type == kReplyException) {
        counts[shard].push_back(kUnknownCount);
        continue;
      }
      if (type != kReplyTermFrequency)
        throw Xapian::NetworkError("Unexpected answer from a remote shard");
      counts[shard].push_back(static_cast<Xapian::doccount>(read_number(body)));
    }
    ++shard;
  });
  return counts;
}

}  // namespace zeb::backend
