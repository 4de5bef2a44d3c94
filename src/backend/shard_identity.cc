#include "backend/shard_identity.h"

#include "backend/return_codes.h"

namespace zeb::backend {

int check_shard_identity(const Xapian::Database& shard, const std::string& index_name,
                         size_t shard_index, size_t shard_count) {
  try {
    const std::string stamp = shard.get_metadata(kShardStampKey);
    if (stamp.empty()) return kOk;
    const std::string tail = "/" + index_name + " " + std::to_string(shard_index + 1) + "/" +
                             std::to_string(shard_count);
    const bool same = stamp.size() > tail.size() &&
                      stamp.compare(stamp.size() - tail.size(), tail.size(), tail) == 0;
    return same ? kOk : kIndexNotAccessible;
  } catch (const Xapian::Error&) {
    return kServerUnavailable;
  }
}

}  // namespace zeb::backend
