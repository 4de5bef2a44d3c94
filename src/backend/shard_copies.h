// The copies of a remote shard, and which of them a search reads.
//
// A shard is its primary, the writable server that zebadm writes to, and
// any number of read-only replicas (catalogue.h). Xapian's own replication
// keeps the replicas: the primary's server writes a changeset at each
// commit (XAPIAN_MAX_CHANGESETS), xapian-replicate-server hands them out,
// and xapian-replicate on each replica host applies them to its copy,
// which a read-only xapian-tcpsrv serves.
//
// A search opens each shard on one copy:
// - It tries them from a copy picked by a hash of the process and of its
//   count of opened indexes, so that CGI processes, and the requests of one
//   persistent process, are spread over the copies; the others follow in
//   catalogue order from there.
// - A copy that failed in this process (refused, timed out, or a replica
//   too far behind) is skipped for kCopySkipSeconds: tried after all the
//   others, and only when none of them can be opened.
// - A replica is read only when it is at most one revision behind the
//   revision zebadm recorded for the shard after its last run (revisions
//   count zebadm's commits, kRevisionKey, and travel with the data).
//   Replication runs some time after each commit, so a sound replica may
//   miss the last one; two or more behind, its replication has stopped
//   (its process, or its link to the primary), and its answers would lack
//   a whole update.
//
// The record: <data dir>/revisions, one line per shard with its revision
// in decimal, written whole by zebadm after every run that committed to
// the shards. Without it (an index made by an earlier version) any replica
// is read.
#pragma once

#include <xapian.h>

#include <cstdint>
#include <string>
#include <vector>

#include "backend/catalogue.h"

namespace zeb::backend {

constexpr const char* kRevisionKey = "zebadm.revision";
constexpr const char* kRevisionRecordName = "revisions";
constexpr int kCopySkipSeconds = 30;
// The record is read whole: a line of at most 20 digits for each of at
// most 64 shards fits.
constexpr size_t kMaxRevisionRecordBytes = 4096;

// The revision zebadm counted on `db` (one exchange with a remote shard);
// 0 for a database it never committed.
unsigned long long counted_revision(const Xapian::Database& db);

// Whether a replica at `replica` may answer for a primary recorded at
// `recorded`.
inline bool replica_current(unsigned long long replica, unsigned long long recorded) {
  return replica + 1 >= recorded;
}

// The record of `data_dir`; false (and `revisions` empty) when there is
// none or it does not read.
bool read_revision_record(const std::string& data_dir, std::vector<unsigned long long>& revisions);
std::string revision_record_text(const std::vector<unsigned long long>& revisions);

// A value that differs from one opening of an index to the next, and from
// one process to another.
uint64_t next_copy_spread();

// The copies of shard `shard` of `entry` (primary first in the catalogue)
// in the order a search tries them, for the opening `spread` names.
std::vector<std::string> copies_in_order(const CatalogueEntry& entry, size_t shard,
                                         uint64_t spread);

// The memory of failed copies, in this process.
void mark_copy_failed(const std::string& address);
bool copy_skipped(const std::string& address);
void forget_failed_copies();

}  // namespace zeb::backend
