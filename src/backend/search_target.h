// What a search runs against: the database of an index or of an index group
// (its members' shards side by side), the index name of every shard, and
// the group's per-member scope values.
#pragma once

#include <xapian.h>

#include <cstdint>
#include <string>
#include <vector>

#include "backend/engine_objects.h"
#include "backend/weightless_parts.h"

namespace zeb::backend {

struct SearchTarget {
  Xapian::Database db;
  std::vector<std::string> shard_names;
  std::vector<Xapian::Database> shards;  // db's shards one by one
  std::vector<bool> shard_remote;
  std::vector<ShardSocket> shard_sockets;
  bool remote = false;
  // Each member index with its scope values (empty when unscoped).
  struct Member {
    Xapian::Database db;
    std::vector<Xapian::Database> shards;  // db's shards one by one
    bool remote = false;
    std::vector<std::string> scope;
  };
  std::vector<Member> members;
  // Summed over the indexes that allow partial answers (IndexObject).
  uint32_t parts = 0;
  uint32_t parts_answered = 0;
};

// 0 with the target of handle `target`; 25 when it names no index or index
// group of the session.
int resolve_target(ObjectTable& objects, uint32_t session, uint32_t target,
                   SearchTarget& out);

// The filter the group's scopes put on a query, or an empty query when none;
// 20 when members differ in scope and one of them is remote.
int group_scope_filter(const SearchTarget& target, WeightlessParts& parts,
                       Xapian::Query& filter);

}  // namespace zeb::backend
