#include "admin/shard_stamp.h"

namespace zeb::admin {

std::string shard_stamp(const std::string& instance_name, const std::string& index_name,
                        size_t shard, size_t shard_count) {
  return instance_name + "/" + index_name + " " + std::to_string(shard + 1) + "/" +
         std::to_string(shard_count);
}

void commit_counted(Xapian::WritableDatabase& db) {
  db.set_metadata(kRevisionKey, std::to_string(counted_revision(db) + 1));
  db.commit();
}

}  // namespace zeb::admin
