// What zebadm records in each database it writes, as Xapian metadata:
//
//   zebadm.shard      on a remote shard: "INSTANCE/INDEX I/N", the shard
//                     I of N of the index INDEX of the instance INSTANCE.
//                     A run checks it before writing, so that a catalogue
//                     that lists the wrong server, or two indexes sharing
//                     one, is refused instead of mixing their documents.
//   zebadm.revision   how many commits zebadm has made to the database.
//                     Xapian's remote protocol does not tell a database's
//                     own revision; this count is what `status` shows, and
//                     replicas carry it too (backend/shard_copies.h).
#pragma once

#include <xapian.h>

#include <cstddef>
#include <string>

#include "backend/shard_copies.h"
#include "backend/shard_identity.h"

namespace zeb::admin {

constexpr const char* kShardStampKey = backend::kShardStampKey;
constexpr const char* kRevisionKey = backend::kRevisionKey;
using backend::counted_revision;

// The stamp of shard `shard` (0-based) of `shard_count`.
std::string shard_stamp(const std::string& instance_name, const std::string& index_name,
                        size_t shard, size_t shard_count);

// Counts one more revision and commits. Xapian errors are thrown.
void commit_counted(Xapian::WritableDatabase& db);

}  // namespace zeb::admin
