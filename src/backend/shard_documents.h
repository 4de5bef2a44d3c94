// The stored data ("path;title") of result documents, read from the shards
// that hold them. A remote shard answers one document per exchange, so
// the documents of a result page are read shard by shard, the remote
// shards side by side (shard_parallel.h): a page waits for the shard with
// the most of its documents, not for every exchange in turn.
#pragma once

#include <xapian.h>

#include <string>
#include <vector>

namespace zeb::backend {

class ShardDocuments {
 public:
  ShardDocuments() = default;
  // `shards` in the order the searched database holds them; `remote` tells
  // which are remote. An empty list reads everything through the database.
  ShardDocuments(std::vector<Xapian::Database> shards, std::vector<bool> remote);

  // The data of each document `ids` names in `db` (the database the shards
  // make up), in the same order. Xapian errors are thrown.
  void read_data(const Xapian::Database& db, const std::vector<Xapian::docid>& ids,
                 std::vector<std::string>& data) const;

  // Whether any shard is remote.
  bool any_remote() const { return any_remote_; }

 private:
  std::vector<Xapian::Database> shards_;
  std::vector<bool> remote_;
  bool any_remote_ = false;
};

}  // namespace zeb::backend
