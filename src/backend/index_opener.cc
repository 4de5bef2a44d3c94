#include "backend/index_opener.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "backend/index_schema.h"
#include "backend/kept_shard_check.h"
#include "backend/return_codes.h"
#include "backend/shard_identity.h"
#include "backend/shard_copies.h"
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

namespace {

// Opens shard `shard` of `entry` on the first of `copies` that answers and,
// for a replica, is current (shard_copies.h). `kept`, when it holds a
// connection, is the first copy's, kept from an earlier session, and
// `check` what its revision check found (kept_shard_check.h). Copies that
// failed are added to `failed`; `chosen` gets the copy opened.
int open_live_copy(const CatalogueEntry& entry, size_t shard,
                   const std::vector<std::string>& copies, const ShardTimeouts& timeouts,
                   const std::vector<unsigned long long>& record, KeptShard& kept, bool& reused,
                   KeptState check, Xapian::Database& db, std::string& chosen,
                   std::vector<std::string>& failed) {
  int code = kServerUnavailable;
  for (size_t k = 0; k < copies.size(); ++k) {
    const std::string& copy = copies[k];
    db = Xapian::Database{};
    code = kServerUnavailable;
    bool stalled = false;
    if (k == 0 && reused) {
      stalled = check == KeptState::kStalled;  // no second wait on it
      if (check == KeptState::kUnchecked) {
        try {
          kept.db.reopen();
          db = kept.db;
          code = kOk;
        } catch (const Xapian::NetworkTimeoutError&) {
          stalled = true;
        } catch (const Xapian::Error&) {
        }
      }
      if (code != kOk) {
        reused = false;  // a newer revision, or closed by the server since: connect again
        kept = KeptShard{};
      }
    }
    std::string problem;
    bool wrong_shard = false;  // the server holds another shard: try the next copy
    if (code != kOk && !stalled) {
      code = open_shard(copy, timeouts, db, problem);
      if (code == kOk) {
        code = check_shard_identity(db, entry.name, shard, entry.shards.size());
        wrong_shard = code == kIndexNotAccessible;
      }
    }
    if (code == kOk && copy != entry.shards[shard] && shard < record.size()) {
      try {
        if (!replica_current(counted_revision(db), record[shard])) code = kServerUnavailable;
      } catch (const Xapian::Error&) {
        code = kServerUnavailable;
      }
      if (code != kOk && k == 0) {
        reused = false;
        kept = KeptShard{};
      }
    }
    if (code == kOk) {
      chosen = copy;
      return kOk;
    }
    failed.push_back(copy);
    // A malformed address: no copy mends it.
    if (code == kIndexNotAccessible && !wrong_shard) return code;
  }
  db = Xapian::Database{};
  return code;
}

}  // namespace

int open_index_database(const std::string& instance_dir, const CatalogueEntry& entry,
                        const ShardTimeouts& timeouts, Xapian::Database& db,
                        std::string* failed_shard, std::vector<Xapian::Database>* parts,
                        std::vector<ShardSocket>* sockets, std::vector<std::string>* copies,
                        size_t* answered) {
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
    if (copies != nullptr) copies->clear();
    if (answered != nullptr) *answered = 1;
    return kOk;
  }
  // Side by side: each server forks and opens its database for a new
  // connection, and a search waits for the slowest of them only. A kept
  // connection (shard_pool.h) is brought to the latest revision instead.
  const size_t count = entry.shards.size();
  std::vector<unsigned long long> record;
  if (entry.has_replicas()) read_revision_record(resolve_data_dir(instance_dir, entry), record);
  const uint64_t spread = next_copy_spread();
  std::vector<std::vector<std::string>> order(count);
  std::vector<KeptShard> kept(count);
  std::vector<char> reused(count);  // written by the threads: no packed bits
  std::vector<KeptProbe> probes;
  std::vector<size_t> probed;
  for (size_t i = 0; i < count; ++i) {
    order[i] = copies_in_order(entry, i, spread);
    reused[i] = take_kept_shard(order[i].front(), timeouts, kept[i]);
    if (!reused[i] || kept[i].socket.fd < 0) continue;
    KeptProbe probe;
    probe.socket = &kept[i].socket;
    probe.wants_revision = order[i].front() != entry.shards[i] && i < record.size();
    probes.push_back(probe);
    probed.push_back(i);
  }
  // The kept connections' revision checks in one exchange with each shard.
  check_kept_shards(probes);
  std::vector<KeptState> checks(count, KeptState::kUnchecked);
  std::vector<size_t> pending;  // the shards still to open, side by side
  for (size_t j = 0, next = 0; j < count; ++j) {
    if (next < probed.size() && probed[next] == j) {
      const KeptProbe& probe = probes[next++];
      checks[j] = probe.state;
      // A replica too far behind fails as a copy that cannot be read.
      if (checks[j] == KeptState::kCurrent && probe.wants_revision &&
          !(probe.revision_read && replica_current(probe.revision, record[j])))
        checks[j] = KeptState::kStalled;
      if (checks[j] == KeptState::kCurrent) continue;
    }
    pending.push_back(j);
  }
  const auto all_reused = [&] {
    return std::find(reused.begin(), reused.end(), 0) == reused.end();
  };
  // The sockets open before the new connections, so that those can be told
  // apart; with every kept connection current there are none to find.
  const std::vector<OpenSocket> before = sockets != nullptr && !pending.empty()
                                             ? connected_sockets()
                                             : std::vector<OpenSocket>{};
  std::vector<Xapian::Database> shards(count);
  std::vector<std::string> chosen(count);
  std::vector<std::vector<std::string>> failed(count);
  std::vector<int> codes(count, kOk);
  for (size_t i = 0; i < count; ++i) {
    if (checks[i] != KeptState::kCurrent) continue;
    shards[i] = kept[i].db;
    chosen[i] = order[i].front();
  }
  run_side_by_side(pending.size(), [&](size_t j) {
    const size_t i = pending[j];
    bool reuse = reused[i];
    codes[i] = open_live_copy(entry, i, order[i], timeouts, record, kept[i], reuse, checks[i],
                              shards[i], chosen[i], failed[i]);
    reused[i] = reuse;
  });
  for (const std::vector<std::string>& copies_failed : failed)
    for (const std::string& copy : copies_failed) mark_copy_failed(copy);
  const size_t live = static_cast<size_t>(std::count(codes.begin(), codes.end(), kOk));
  const bool leave_out = entry.partial_answers && live > 0;
  Xapian::Database combined;
  for (size_t i = 0, kept_at = 0; i < count; ++i) {
    if (codes[i] != kOk) {
      if (!leave_out) {
        if (failed_shard != nullptr) *failed_shard = entry.shards[i];
        return codes[i];
      }
      reused[i] = false;
      continue;
    }
    combined.add_database(shards[i]);
    shards[kept_at] = shards[i];
    chosen[kept_at] = chosen[i];
    kept[kept_at] = kept[i];
    reused[kept_at++] = reused[i];
  }
  if (answered != nullptr) *answered = live;
  shards.resize(live);
  chosen.resize(live);
  kept.resize(live);
  reused.resize(live);
  db = combined;
  if (parts != nullptr) *parts = std::move(shards);
  if (sockets != nullptr) {
    *sockets = all_reused() ? std::vector<ShardSocket>(live)
                            : find_shard_sockets(chosen, timeouts.search_ms, before);
    for (size_t i = 0; i < live; ++i)
      if (reused[i]) (*sockets)[i] = kept[i].socket;
  }
  if (copies != nullptr) *copies = std::move(chosen);
  return kOk;
}

}  // namespace zeb::backend
