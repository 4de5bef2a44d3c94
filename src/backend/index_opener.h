// Opens an index of the catalogue as one Xapian database: the local database
// in its data directory, or its remote shards (host:port, each served by
// xapian-tcpsrv) combined into one.
//
// Every wait on a shard is bounded by the instance's shard timeouts: making
// the connection by the connect timeout, the server's greeting and every
// later exchange (a search, a result document) by the search timeout. A
// shard that is down or refuses fails at once; one that accepts and then
// stalls fails after at most connect + search timeout while opening, after
// the search timeout once open.
#pragma once

#include <xapian.h>

#include <string>
#include <vector>

#include "backend/catalogue.h"
#include "backend/shard_socket.h"

namespace zeb::backend {

// 0 with the database; 62 when the files are missing or damaged, a shard
// address is malformed or a shard is stamped as another one
// (shard_identity.h), 33 when a shard cannot be reached. On 33,
// `failed_shard` (when given) names the shard. `parts` (when given) gets
// the shards one by one, in the order `db` holds them (a local index: `db`),
// and `sockets` (when given) their connections (shard_socket.h), `copies`
// (when given) the address of the copy each was opened on.
// The shards are opened side by side (shard_parallel.h), over connections
// kept from earlier sessions where there are any (shard_pool.h), each on a
// live copy where it has replicas (shard_copies.h): 33 only when no copy of
// a shard can be opened. Every copy tried is bounded by the timeouts.
// An index that allows partial answers (catalogue.h) is opened over the
// shards that can be, when any can: `answered` (when given) gets how many,
// and `parts`, `sockets` and `copies` hold those only.
int open_index_database(const std::string& instance_dir, const CatalogueEntry& entry,
                        const ShardTimeouts& timeouts, Xapian::Database& db,
                        std::string* failed_shard = nullptr,
                        std::vector<Xapian::Database>* parts = nullptr,
                        std::vector<ShardSocket>* sockets = nullptr,
                        std::vector<std::string>* copies = nullptr,
                        size_t* answered = nullptr);

// One shard, read-only: 0, 62 for a malformed address, 33 when it cannot
// be reached (`problem` then tells why).
int open_shard(const std::string& address, const ShardTimeouts& timeouts, Xapian::Database& db,
               std::string& problem);

// Splits "host:port" (the port after the last colon, 1 to 65535).
bool parse_shard_address(const std::string& address, std::string& host,
                         unsigned& port);

}  // namespace zeb::backend
