#include "backend/shard_documents.h"

#include <algorithm>
#include <utility>

#include "backend/shard_parallel.h"

namespace zeb::backend {

ShardDocuments::ShardDocuments(std::vector<Xapian::Database> shards, std::vector<bool> remote)
    : shards_(std::move(shards)), remote_(std::move(remote)) {
  any_remote_ = std::find(remote_.begin(), remote_.end(), true) != remote_.end();
}

void ShardDocuments::read_data(const Xapian::Database& db, const std::vector<Xapian::docid>& ids,
                               std::vector<std::string>& data) const {
  data.assign(ids.size(), std::string());
  const size_t count = shards_.size();
  if (count < 2 || !any_remote_) {
    // The ids come from a result, so the documents exist: a local database
    // need not look each one up before reading it.
    for (size_t i = 0; i < ids.size(); ++i)
      data[i] = db.get_document(ids[i], Xapian::DOC_ASSUME_VALID).get_data();
    return;
  }
  // A combined database numbers documents round the shards: document d is
  // document (d - 1) / count + 1 of shard (d - 1) % count.
  std::vector<std::vector<size_t>> wanted(count);
  for (size_t i = 0; i < ids.size(); ++i) wanted[(ids[i] - 1) % count].push_back(i);
  std::vector<size_t> asked;
  for (size_t shard = 0; shard < count; ++shard)
    if (!wanted[shard].empty()) asked.push_back(shard);
  run_side_by_side(asked.size(), [&](size_t k) {
    const size_t shard = asked[k];
    for (size_t i : wanted[shard])
      data[i] = shards_[shard].get_document((ids[i] - 1) / count + 1).get_data();
  });
}

}  // namespace zeb::backend
