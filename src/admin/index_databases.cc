#include "admin/index_databases.h"

#include <algorithm>

#include "admin/atomic_file.h"
#include "admin/index_check.h"
#include "admin/index_sync.h"
#include "admin/shard_stamp.h"
#include "backend/index_opener.h"

namespace zeb::admin {

namespace {

enum class Purpose { kExisting, kNew };

// A shard as zebadm found it before writing.
struct FoundShard {
  std::string stamp;
  Xapian::doccount documents = 0;
};

// Reaches one shard: its stamp and document count over a read-only
// connection, within the instance's shard timeouts (so that a shard that
// stalls is named as soon as a search would give up on it, not after the
// long wait of a writing exchange), then a writable connection. False with
// the problem.
bool reach_shard(const std::string& address, const backend::ShardTimeouts& timeouts,
                 FoundShard& found, Xapian::WritableDatabase& db, std::string& problem) {
  try {
    Xapian::Database probe;
    if (backend::open_shard(address, timeouts, probe, problem) != 0) return false;
    found = {probe.get_metadata(kShardStampKey), probe.get_doccount()};
    std::string host;
    unsigned port = 0;
    backend::parse_shard_address(address, host, port);
    db = Xapian::Remote::open_writable(host, port, std::max(kWritingExchangeMs, timeouts.search_ms),
                                       timeouts.connect_ms);
    return true;
  } catch (const Xapian::Error& e) {
    problem = e.get_description();
    return false;
  }
}

// Reaches every shard; false after naming the first one that cannot be
// reached.
bool connect_all(const AdminContext& context, const OpenedInstance& instance,
                 const std::string& name, const std::vector<std::string>& addresses,
                 IndexDatabases& databases, std::vector<FoundShard>& found) {
  for (const std::string& address : addresses) {
    std::string problem;
    found.emplace_back();
    databases.shards.emplace_back();
    if (!reach_shard(address, instance.catalogue.shard_timeouts, found.back(),
                     databases.shards.back(), problem)) {
      report_error(context, "index %s: cannot write to shard %s: %s; nothing was written",
                   name.c_str(), address.c_str(), problem.c_str());
      return false;
    }
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
  if (found[i].stamp == expected || (found[i].stamp.empty() && found[i].documents == 0))
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

bool IndexDatabases::close(std::string& error) {
  std::vector<unsigned long long> revisions;
  if (!addresses.empty())
    for (Xapian::WritableDatabase& shard : shards) {
      shard.commit();
      revisions.push_back(counted_revision(shard));
    }
  for (Xapian::WritableDatabase& shard : shards) shard.close();
  shards.clear();
  if (revisions.empty() || record_dir.empty()) return true;
  return write_file_atomically(record_dir + "/" + backend::kRevisionRecordName,
                               backend::revision_record_text(revisions), error);
}

bool open_index_databases(const AdminContext& context, const OpenedInstance& instance,
                          const backend::CatalogueEntry& entry, IndexDatabases& databases) {
  databases.record_dir = instance.data_dir(entry);
  if (!entry.shards.empty())
    return open_shards(context, instance, entry.name, entry.shards, Purpose::kExisting,
                       databases);
  const std::string data_dir = instance.data_dir(entry);
  if (!index_sound_for_writing(context, entry.name, data_dir)) return false;
  try {
    databases.shards.emplace_back(index_database_dir(data_dir), Xapian::DB_OPEN);
  } catch (const Xapian::Error& e) {
    report_error(context, "index %s: %s", entry.name.c_str(), e.get_description().c_str());
    return false;
  }
  return true;
}

void release_shards(const AdminContext& context, const OpenedInstance& instance,
                    const backend::CatalogueEntry& entry) {
  for (size_t i = 0; i < entry.shards.size(); ++i) {
    const std::string& address = entry.shards[i];
    FoundShard found;
    Xapian::WritableDatabase db;
    std::string problem;
    if (reach_shard(address, instance.catalogue.shard_timeouts, found, db, problem)) {
      if (found.stamp !=
          shard_stamp(instance.catalogue.instance_name, entry.name, i, entry.shards.size())) {
        report_warning(context, "shard %s does not carry the stamp of index %s: left as it is",
                       address.c_str(), entry.name.c_str());
        continue;
      }
      try {
        clear_index(db);
        db.set_metadata(kShardStampKey, "");
        commit_counted(db);
        continue;
      } catch (const Xapian::Error& e) {
        problem = e.get_description();
      }
    }
    report_warning(context, "shard %s of index %s was not emptied (%s); a new create of %s "
                   "clears it", address.c_str(), entry.name.c_str(), problem.c_str(),
                   entry.name.c_str());
  }
}

bool open_new_shards(const AdminContext& context, const OpenedInstance& instance,
                     const std::string& name, const std::vector<std::string>& addresses,
                     IndexDatabases& databases) {
  return open_shards(context, instance, name, addresses, Purpose::kNew, databases);
}

}  // namespace zeb::admin
