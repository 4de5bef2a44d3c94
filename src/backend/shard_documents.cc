#include "backend/shard_documents.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "backend/document_data.h"
#include "backend/forward_values.h"
#include "backend/index_schema.h"
#include "backend/remote_documents.h"

namespace zeb::backend {

ShardDocuments::ShardDocuments(std::vector<Xapian::Database> shards, std::vector<bool> remote,
                               std::vector<ShardSocket> sockets)
    : shards_(std::move(shards)), remote_(std::move(remote)), sockets_(std::move(sockets)) {
  any_remote_ = std::find(remote_.begin(), remote_.end(), true) != remote_.end();
}

const Xapian::Database* ShardDocuments::shard_of(Xapian::docid id,
                                                 Xapian::docid& shard_id) const {
  if (shards_.empty() || id == 0) return nullptr;
  const size_t count = shards_.size();
  shard_id = static_cast<Xapian::docid>((id - 1) / count + 1);
  return &shards_[(id - 1) % count];
}

const ShardSocket* ShardDocuments::socket_of(size_t shard) const {
  if (!remote_[shard] || shard >= sockets_.size() || !still_connected(sockets_[shard]))
    return nullptr;
  return &sockets_[shard];
}

void ShardDocuments::read_data(const Xapian::Database& db, const std::vector<Xapian::docid>& ids,
                               std::vector<std::string>& data) const {
  read_stored_data(db, ids, data);
  for (std::string& entry : data) entry.resize(identifier_of(entry).size());
}

void ShardDocuments::read_stored_data(const Xapian::Database& db,
                                      const std::vector<Xapian::docid>& ids,
                                      std::vector<std::string>& data,
                                      std::vector<StoredExcerpt>* excerpts, HeldTerms* held,
                                      Xapian::docid held_of,
                                      const std::function<void(size_t)>& each) const {
  data.assign(ids.size(), std::string());
  if (excerpts != nullptr) excerpts->assign(ids.size(), StoredExcerpt());
  // Where a document is read through Xapian.
  auto read = [&](const Xapian::Database& from, Xapian::docid id, unsigned flags, size_t i) {
    const Xapian::Document doc = from.get_document(id, flags);
    data[i] = doc.get_data();
    if (excerpts == nullptr) return;
    (*excerpts)[i].head = doc.get_value(kValueExcerpt);
    if (any_remote_) (*excerpts)[i].tail = doc.get_value(kValueExcerptTail);
  };
  // Read in document order (on a shard server too): neighbours share the
  // index's blocks, which are then read once.
  std::vector<size_t> order(ids.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return ids[a] < ids[b]; });
  if (!any_remote_) {
    // The ids come from a result, so the documents exist: a local database
    // need not look each one up before reading it. The heads are read along
    // their slot's stream, whose place in the index stays where the last
    // one was, whatever else is read between two of them.
    ForwardValues heads(db, kValueExcerpt);
    for (size_t i : order) {
      data[i] = db.get_document(ids[i], Xapian::DOC_ASSUME_VALID).get_data();
      if (excerpts != nullptr) (*excerpts)[i].head = heads.of(ids[i]);
      if (each) each(i);
    }
    return;
  }
  // A combined database numbers documents round the shards: document d is
  // document (d - 1) / count + 1 of shard (d - 1) % count.
  const size_t count = shards_.size();
  std::vector<const ShardSocket*> sockets(count);
  for (size_t shard = 0; shard < count; ++shard) sockets[shard] = socket_of(shard);
  std::vector<DocumentBatch> batches;
  std::vector<size_t> batch_of(count, count);  // count: no batch yet
  std::vector<size_t> elsewhere;               // read through Xapian
  for (size_t i : order) {
    const size_t shard = (ids[i] - 1) % count;
    const ShardSocket* socket = sockets[shard];
    if (socket == nullptr) {
      elsewhere.push_back(i);
      continue;
    }
    if (batch_of[shard] == count) {
      batch_of[shard] = batches.size();
      batches.push_back({socket, {}, {}, {}, {}});
    }
    DocumentBatch& batch = batches[batch_of[shard]];
    if (held != nullptr && ids[i] == held_of) batch.held = held;
    batch.ids.push_back((ids[i] - 1) / count + 1);
    batch.data.push_back(&data[i]);
    if (excerpts != nullptr) batch.excerpts.push_back(&(*excerpts)[i]);
  }
  request_documents(batches);
  collect_documents(batches);
  for (size_t shard = 0; shard < count; ++shard) {
    if (batch_of[shard] == count) continue;
    const DocumentBatch& batch = batches[batch_of[shard]];
    for (size_t position : batch.refused) {
      const size_t i = static_cast<size_t>(batch.data[position] - data.data());
      read(shards_[shard], batch.ids[position], 0, i);
    }
  }
  for (size_t i : elsewhere) {
    const size_t shard = (ids[i] - 1) % count;
    const unsigned flags = remote_[shard] ? 0 : Xapian::DOC_ASSUME_VALID;
    read(shards_[shard], (ids[i] - 1) / count + 1, flags, i);
  }
  if (each)
    for (size_t i : order) each(i);
}

}  // namespace zeb::backend
