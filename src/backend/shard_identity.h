// Whether a shard server serves the shard the catalogue names. zebadm
// stamps each shard it writes (admin/shard_stamp.h) with
// "INSTANCE/INDEX I/N" under kShardStampKey. A server restarted on another
// database (another index's shard, another shard of the same index) would
// otherwise have its documents listed as the index's own: a search reads
// the stamp over each new connection (one exchange; a kept connection was
// read when it was made), and a shard stamped as another fails its index's
// opening as not accessible.
#pragma once

#include <xapian.h>

#include <cstddef>
#include <string>

namespace zeb::backend {

constexpr const char* kShardStampKey = "zebadm.shard";

// 0 unless `shard` bears the stamp of another shard than shard `shard_index`
// (0-based) of `shard_count` of the index `index_name` (the instance part is
// not compared): then 62. A database without a stamp was not written by
// zebadm and is taken as it is. 33 when the shard cannot be asked.
int check_shard_identity(const Xapian::Database& shard, const std::string& index_name,
                         size_t shard_index, size_t shard_count);

}  // namespace zeb::backend
