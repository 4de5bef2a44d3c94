#include "backend/index_opener.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "backend/index_schema.h"
#include "backend/return_codes.h"
#include "backend/shard_identity.h"
#include "backend/shard_parallel.h"
#include "backend/shard_pool.h"

namespace zeb::backend {

bool parse_shard_address(const std::string& address, std::string& host,
                         unsigned& port) {
  const size_t colon = address.rfind(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == address.size())
    return false;
  const std::string digits = address.substr(colon + 1);
  if (digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const unsigned long value = std::strtoul(digits.c_str(), nullptr, 10);
  if (value == 0 || value > 65535) return false;
  host = address.substr(0, colon);
  port = static_cast<unsigned>(value);
  return true;
}

int open_shard(const std::string& address, const ShardTimeouts& timeouts, Xapian::Database& db,
               std::string& problem) {
  std::string host;
  unsigned port = 0;
  if (!parse_shard_address(address, host, port)) {
    problem = "not a HOST:PORT address";
    return kIndexNotAccessible;
  }
  try {
    db = Xapian::Remote::open(host, port, timeouts.search_ms, timeouts.connect_ms);
  } catch (const Xapian::NetworkError& e) {
    problem = e.get_description();
    return kServerUnavailable;
  } catch (const Xapian::Error& e) {
    problem = e.get_description();
    return kIndexNotAccessible;
  }
  return kOk;
}

int open_index_database(const std::string& instance_dir, const CatalogueEntry& entry,
                        const ShardTimeouts& timeouts, Xapian::Database& db,
                        std::string* failed_shard, std::vector<Xapian::Database>* parts,
                        std::vector<ShardSocket>* sockets) {
  if (entry.shards.empty()) {
    const std::string path =
        resolve_data_dir(instance_dir, entry) + "/" + kXapianDirName;
    try {
      db = Xapian::Database(path);
    } catch (const Xapian::Error&) {
      return kIndexNotAccessible;
    }
    if (parts != nullptr) *parts = {db};
    if (sockets != nullptr) *sockets = {ShardSocket{}};
    return kOk;
  }
  // Side by side: each server forks and opens its database for a new
  // connection, and a search waits for the slowest of them only. A kept
  // connection (shard_pool.h) is brought to the latest revision instead.
  const size_t count = entry.shards.size();
  std::vector<KeptShard> kept(count);
  std::vector<bool> reused(count);
  for (size_t i = 0; i < count; ++i) reused[i] = take_kept_shard(entry.shards[i], timeouts, kept[i]);
  const auto all_reused = [&] {
    return std::find(reused.begin(), reused.end(), false) == reused.end();
  };
  // The sockets open before the new connections, so that those can be told
  // apart; with every connection kept there are none to find.
  const std::vector<OpenSocket> before = sockets != nullptr && !all_reused()
                                             ? connected_sockets()
                                             : std::vector<OpenSocket>{};
  std::vector<Xapian::Database> shards(count);
  std::vector<int> codes(count, kOk);
  run_side_by_side(count, [&](size_t i) {
    if (reused[i]) {
      try {
        kept[i].db.reopen();
        shards[i] = kept[i].db;
        return;
      } catch (const Xapian::NetworkTimeoutError&) {
        codes[i] = kServerUnavailable;  // a stalled server: no second wait
        return;
      } catch (const Xapian::Error&) {
        reused[i] = false;  // closed by the server since: connect again
        kept[i] = KeptShard{};
      }
    }
    std::string problem;
    codes[i] = open_shard(entry.shards[i], timeouts, shards[i], problem);
    if (codes[i] == kOk) codes[i] = check_shard_identity(shards[i], entry.name, i, count);
  });
  Xapian::Database combined;
  for (size_t i = 0; i < shards.size(); ++i) {
    if (codes[i] != kOk) {
      if (failed_shard != nullptr) *failed_shard = entry.shards[i];
      return codes[i];
    }
    combined.add_database(shards[i]);
  }
  db = combined;
  if (parts != nullptr) *parts = std::move(shards);
  if (sockets != nullptr) {
    *sockets = all_reused() ? std::vector<ShardSocket>(count)
                            : find_shard_sockets(entry.shards, timeouts.search_ms, before);
    for (size_t i = 0; i < count; ++i)
      if (reused[i]) (*sockets)[i] = kept[i].socket;
  }
  return kOk;
}

}  // namespace zeb::backend
