#include "admin/index_databases.h"

#include <algorithm>

#include "admin/index_check.h"
#include "admin/index_sync.h"
#include "admin/shard_stamp.h"
#include "backend/index_opener.h"

namespace zeb::admin {

namespace {

enum class Purpose { kExisting, kNew, kDelete };

// A shard as zebadm found it before writing.
struct FoundShard {
  std::string stamp;
  Xapian::doccount documents = 0;
};

// Opens every shard; false after naming the first one that cannot be
// opened for writing. Each is first asked for its stamp over a read-only
// connection, within the instance's shard timeouts, so that a shard that
// stalls is named as soon as a search would give up on it, not after the
// long wait of a writing exchange.
bool connect_all(const AdminContext& context, const OpenedInstance& instance,
                 const std::string& name, const std::vector<std::string>& addresses,
                 IndexDatabases& databases, std::vector<FoundShard>& found) {
  const backend::ShardTimeouts& timeouts = instance.catalogue.shard_timeouts;
  for (const std::string& address : addresses) {
    std::string host, problem;
    unsigned port = 0;
    Xapian::Database probe;
    try {
      if (backend::open_shard(address, timeouts, probe, problem) == 0) {
        found.push_back({probe.get_metadata(kShardStampKey), probe.get_doccount()});
        backend::parse_shard_address(address, host, port);
        databases.shards.push_back(Xapian::Remote::open_writable(
            host, port, std::max(kWritingExchangeMs, timeouts.search_ms), timeouts.connect_ms));
        continue;
      }
    } catch (const Xapian::Error& e) {
      problem = e.get_description();
    }
    report_error(context, "index %s: cannot write to shard %s: %s; nothing was written",
                 name.c_str(), address.c_str(), problem.c_str());
    return false;
  }
  databases.addresses = addresses;
  return true;
}

// Whether shard `i` as found may be written as that shard of `name`;
// `leftover` tells that it holds what a stopped create left.
bool acceptable(const AdminContext& context, const OpenedInstance& instance,
                const std::string& name, const IndexDatabases& databases,
                const std::vector<FoundShard>& found, size_t i, Purpose purpose,
                bool& leftover) {
  const std::string expected =
      shard_stamp(instance.catalogue.instance_name, name, i, found.size());
  leftover = purpose == Purpose::kNew && found[i].stamp == expected;
  if (found[i].stamp == expected || (found[i].stamp.empty() && found[i].documents == 0) ||
      purpose == Purpose::kDelete)
    return true;
  const std::string held =
      found[i].stamp.empty()
          ? std::to_string(found[i].documents) + " documents that zebadm did not place there"
          : "shard " + found[i].stamp;
  report_error(context, "index %s: shard %s holds %s, not shard %s; nothing was written",
               name.c_str(), databases.addresses[i].c_str(), held.c_str(), expected.c_str());
  return false;
}

bool open_shards(const AdminContext& context, const OpenedInstance& instance,
                 const std::string& name, const std::vector<std::string>& addresses,
                 Purpose purpose, IndexDatabases& databases) {
  std::vector<FoundShard> found;
  if (!connect_all(context, instance, name, addresses, databases, found)) return false;
  std::vector<bool> leftover(found.size());
  for (size_t i = 0; i < found.size(); ++i) {
    bool cleared = false;
    if (!acceptable(context, instance, name, databases, found, i, purpose, cleared)) return false;
    leftover[i] = cleared;
  }
  for (size_t i = 0; i < found.size(); ++i)
    databases.owned.push_back(
        found[i].stamp == shard_stamp(instance.catalogue.instance_name, name, i, found.size()));
  if (purpose == Purpose::kDelete) return true;
  // Every shard answered and is the right one: now the writing begins.
  for (size_t i = 0; i < found.size(); ++i) {
    Xapian::WritableDatabase& db = databases.shards[i];
    if (leftover[i]) clear_index(db);
    if (found[i].stamp.empty()) {
      db.set_metadata(kShardStampKey, shard_stamp(instance.catalogue.instance_name, name, i,
                                                  found.size()));
      commit_counted(db);
    }
  }
  return true;
}

}  // namespace

Xapian::Database IndexDatabases::combined() const {
  Xapian::Database all;
  for (const Xapian::WritableDatabase& shard : shards) all.add_database(shard);
  return all;
}

void IndexDatabases::close() {
  for (Xapian::WritableDatabase& shard : shards) shard.close();
  shards.clear();
}

bool open_index_databases(const AdminContext& context, const OpenedInstance& instance,
                          const backend::CatalogueEntry& entry, IndexDatabases& databases) {
  if (!entry.shards.empty())
    return open_shards(context, instance, entry.name, entry.shards, Purpose::kExisting,
                       databases);
  const std::string data_dir = instance.data_dir(entry);
  if (!index_sound_for_writing(context, entry.name, data_dir)) return false;
  databases.shards.emplace_back(index_database_dir(data_dir), Xapian::DB_OPEN);
  return true;
}

bool open_shards_to_delete(const AdminContext& context, const OpenedInstance& instance,
                           const backend::CatalogueEntry& entry, IndexDatabases& databases) {
  return open_shards(context, instance, entry.name, entry.shards, Purpose::kDelete, databases);
}

bool open_new_shards(const AdminContext& context, const OpenedInstance& instance,
                     const std::string& name, const std::vector<std::string>& addresses,
                     IndexDatabases& databases) {
  return open_shards(context, instance, name, addresses, Purpose::kNew, databases);
}

}  // namespace zeb::admin
