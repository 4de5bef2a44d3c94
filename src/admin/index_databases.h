// The databases one zebadm run writes into: the local database of an
// index, or one writable connection to each of its remote shards (each
// served by `xapian-tcpsrv --writable`), in the order the catalogue lists
// them, which is the order shard_for_path counts in.
//
// Remote shards are opened all or none before anything is written: a run
// that cannot reach a shard, or finds one that holds something other than
// that shard of that index (shard_stamp.h), stops and names it. Once
// writing, each shard commits on its own: a run that is stopped half way
// leaves every shard at its last commit, and the next update completes it.
//
// Xapian's consistency check (index_check.h) runs before writing into a
// local index only. It reads the database's files, and a remote shard's
// files are on its own host: there `xapian-check DIR` does the same.
// Copying a shard here to check it would cost more than most updates.
#pragma once

#include <xapian.h>

#include <string>
#include <vector>

#include "admin/admin_context.h"

namespace zeb::admin {

// zebadm waits this long for each exchange with a shard server that it
// writes to: a commit of a batch may take a loaded server a while, and an
// administrator's run is not a visitor's page.
constexpr unsigned kWritingExchangeMs = 60000;

struct IndexDatabases {
  std::vector<Xapian::WritableDatabase> shards;
  std::vector<std::string> addresses;  // empty for a local index
  // Where close() records the shards' revisions for the search's choice
  // of replicas (backend/shard_copies.h); the index's data directory.
  std::string record_dir;

  // All shards as one database, to read (the spelling file's vocabulary).
  Xapian::Database combined() const;
  // Commits what is pending, records the remote shards' revisions and lets
  // the shards go. False with a message when the record cannot be written.
  // Xapian errors are thrown.
  bool close(std::string& error);
};

// An index of the catalogue, for update, add, clear and delete. False after
// a message on the error sink ("nothing was written").
bool open_index_databases(const AdminContext& context, const OpenedInstance& instance,
                          const backend::CatalogueEntry& entry, IndexDatabases& databases);

// For delete, once the index has left the catalogue: empties each shard
// that carries the index's stamp and takes the stamp off, so the server can
// serve another index. A shard that cannot be reached or is not stamped so
// is left as it is, with a warning: nothing refers to it any more, and a
// new create of the same index clears what it holds.
void release_shards(const AdminContext& context, const OpenedInstance& instance,
                    const backend::CatalogueEntry& entry);

// The shards of a new index `name` at `addresses`, for create. Each must be
// empty or hold what an earlier create of the same index left when it was
// stopped before the index entered the catalogue; such left-overs are
// cleared. False after a message on the error sink.
bool open_new_shards(const AdminContext& context, const OpenedInstance& instance,
                     const std::string& name, const std::vector<std::string>& addresses,
                     IndexDatabases& databases);

}  // namespace zeb::admin
