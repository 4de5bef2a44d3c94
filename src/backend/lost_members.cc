#include "backend/lost_members.h"

#include "backend/index_opener.h"
#include "backend/return_codes.h"

namespace zeb::backend {

bool leave_out_lost_members(ObjectTable& objects, uint32_t session, uint32_t target) {
  const SessionObject* owner = objects.session(session);
  const GroupObject* group = objects.find<GroupObject>(session, target);
  if (owner == nullptr || group == nullptr) return false;
  bool lost = false, left = false;
  for (uint32_t member : group->members) {
    IndexObject* index = objects.find<IndexObject>(session, member);
    if (index == nullptr || index->lost) continue;
    const CatalogueEntry* entry = owner->catalogue.find(index->name);
    if (index->remote && entry != nullptr) {
      Xapian::Database db;
      std::vector<Xapian::Database> shards;
      std::vector<ShardSocket> sockets;
      std::vector<std::string> copies;
      size_t answered = 0;
      if (open_index_database(owner->instance_dir, *entry, owner->catalogue.shard_timeouts, db,
                              nullptr, &shards, &sockets, &copies, &answered) != kOk) {
        index->lost = true;
        lost = true;
        continue;
      }
      index->db = db;
      index->shards = std::move(shards);
      index->sockets = std::move(sockets);
      index->addresses = std::move(copies);
      if (index->parts != 0) index->parts_answered = static_cast<uint32_t>(answered);
    }
    left = true;
  }
  return lost && left;
}

}  // namespace zeb::backend
