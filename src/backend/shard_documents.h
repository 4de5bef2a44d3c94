// The identifiers ("path;title") of result documents, read from the shards
// that hold them. A local index reads them straight from its database. The
// documents on remote shards are asked for all at once on each shard's
// connection (remote_documents.h), so a page costs one round trip to each
// shard rather than one per document.
#pragma once

#include <xapian.h>

#include <functional>
#include <string>
#include <vector>

#include "backend/excerpt_source.h"
#include "backend/remote_held_terms.h"
#include "backend/shard_socket.h"

namespace zeb::backend {

class ShardDocuments {
 public:
  ShardDocuments() = default;
  // `shards` in the order the searched database holds them; `remote` tells
  // which are remote, `sockets` (empty, or one per shard) their connections.
  // An empty list reads everything through the database.
  ShardDocuments(std::vector<Xapian::Database> shards, std::vector<bool> remote,
                 std::vector<ShardSocket> sockets = {});

  // The identifier of each document `ids` names in `db` (the database the
  // shards make up), in the same order: its data without the file's stamp
  // (document_data.h). Xapian errors are thrown.
  void read_data(const Xapian::Database& db, const std::vector<Xapian::docid>& ids,
                 std::vector<std::string>& data) const;

  // The data of each document, stamp and all, and, with `excerpts`, the
  // values of its excerpt slots (index_schema.h), empty when it has none.
  // A local document's tail is left to be read when it is needed
  // (Xapian::Document::get_value); a remote one comes with the head.
  // With `held` and `held_of`, the document `held_of` names (one of `ids`)
  // is asked which of `held->terms` it holds in the same exchange, when it
  // is read from a remote shard's connection (remote_held_terms.h);
  // `held->known` tells whether it was.
  // With `each`, each document's index into `ids` is handed to it once the
  // document is read (locally, before the next is read), so that its
  // excerpt values may be used up and let go of at once.
  void read_stored_data(const Xapian::Database& db, const std::vector<Xapian::docid>& ids,
                        std::vector<std::string>& data,
                        std::vector<StoredExcerpt>* excerpts = nullptr,
                        HeldTerms* held = nullptr, Xapian::docid held_of = 0,
                        const std::function<void(size_t)>& each = nullptr) const;

  // Whether any shard is remote.
  bool any_remote() const { return any_remote_; }

  // The shard that holds document `id` of the database the shards make up,
  // and the document's number there; null when the shards are not known.
  const Xapian::Database* shard_of(Xapian::docid id, Xapian::docid& shard_id) const;

 private:
  // The connection of a remote shard to ask for documents on, or null.
  const ShardSocket* socket_of(size_t shard) const;

  std::vector<Xapian::Database> shards_;
  std::vector<bool> remote_;
  std::vector<ShardSocket> sockets_;
  bool any_remote_ = false;
};

}  // namespace zeb::backend
