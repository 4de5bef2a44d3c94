// Opens an index of the catalogue as one Xapian database: the local database
// in its data directory, or its remote shards (host:port, each served by
// xapian-tcpsrv) combined into one.
#pragma once

#include <xapian.h>

#include <string>

#include "backend/catalogue.h"

namespace zeb::backend {

// Milliseconds allowed for connecting to a shard and for each exchange.
constexpr unsigned kShardConnectTimeoutMs = 5000;
constexpr unsigned kShardTimeoutMs = 10000;

// 0 with the database; 62 when the files are missing or damaged or a shard
// address is malformed, 33 when a shard cannot be reached.
int open_index_database(const std::string& instance_dir,
                        const CatalogueEntry& entry, Xapian::Database& db);

// Splits "host:port" (the port after the last colon, 1 to 65535).
bool parse_shard_address(const std::string& address, std::string& host,
                         unsigned& port);

}  // namespace zeb::backend
