#include "backend/search_target.h"

#include <algorithm>
#include <map>
#include <utility>

#include "backend/return_codes.h"
#include "backend/scope_filter.h"

namespace zeb::backend {

namespace {

void add_index(SearchTarget& out, const IndexObject& index,
               const std::vector<std::string>* scope) {
  out.db.add_database(index.db);
  out.remote = out.remote || index.remote;
  out.shard_names.insert(out.shard_names.end(), index.db.size(), index.name);
  out.shards.insert(out.shards.end(), index.shards.begin(), index.shards.end());
  out.shard_remote.insert(out.shard_remote.end(), index.shards.size(), index.remote);
  out.shard_sockets.insert(out.shard_sockets.end(), index.sockets.begin(), index.sockets.end());
  out.members.push_back(
      {index.db, index.shards, index.remote, scope ? *scope : std::vector<std::string>{}});
  out.parts += index.parts;
  out.parts_answered += index.parts_answered;
}

// The UUIDs of a database's shards; the database joins them with ':'.
std::vector<std::string> shard_uuids(const Xapian::Database& db) {
  std::vector<std::string> uuids;
  const std::string joined = db.get_uuid();
  size_t start = 0;
  while (start <= joined.size()) {
    const size_t colon = std::min(joined.find(':', start), joined.size());
    uuids.push_back(joined.substr(start, colon - start));
    start = colon + 1;
  }
  return uuids;
}

}  // namespace

int resolve_target(ObjectTable& objects, uint32_t session, uint32_t target,
                   SearchTarget& out) {
  out = SearchTarget{};
  if (const IndexObject* index = objects.find<IndexObject>(session, target)) {
    add_index(out, *index, nullptr);
    return kOk;
  }
  const GroupObject* group = objects.find<GroupObject>(session, target);
  if (group == nullptr) return kBadHandle;
  for (uint32_t member : group->members) {
    const IndexObject* index = objects.find<IndexObject>(session, member);
    if (index == nullptr) return kBadHandle;
    if (index->lost) continue;  // lost_members.h
    const auto scope = group->scopes.find(index->name);
    add_index(out, *index, scope == group->scopes.end() ? nullptr : &scope->second);
  }
  return kOk;
}

int group_scope_filter(const SearchTarget& target, WeightlessParts& parts,
                       Xapian::Query& filter) {
  filter = Xapian::Query();
  bool any = false;
  bool uniform = true;
  for (const auto& member : target.members) {
    any = any || !member.scope.empty();
    uniform = uniform && member.scope == target.members.front().scope;
  }
  if (!any) return kOk;
  if (uniform) {
    filter = scope_query(target.members.front().scope, parts);
    return kOk;
  }
  // Posting sources do not travel to remote shards.
  if (target.remote) return kScopeTooComplex;
  std::map<std::string, std::vector<std::string>> by_uuid;
  for (const auto& member : target.members) {
    if (member.scope.empty()) continue;
    for (const std::string& uuid : shard_uuids(member.db)) {
      // A shard without a UUID could not be told apart from the others.
      if (uuid.empty()) return kScopeTooComplex;
      by_uuid[uuid] = member.scope;
    }
  }
  filter = Xapian::Query((new ShardScopeSource(std::move(by_uuid)))->release());
  return kOk;
}

}  // namespace zeb::backend
