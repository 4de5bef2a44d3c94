#include "admin/shard_stamp.h"

#include <cstdlib>

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

unsigned long long counted_revision(const Xapian::Database& db) {
  return std::strtoull(db.get_metadata(kRevisionKey).c_str(), nullptr, 10);
}

}  // namespace zeb::admin
