// Documents read from remote shards in one round trip per shard. Xapian 1.4
// reads a remote document with one exchange each (its MSet::fetch does not
// send requests ahead for remote shards), so a page of 50 documents would
// wait for 50 answers in turn. Here every request goes out on the shard's
// connection (shard_socket.h) before any answer is awaited; the server
// answers them in order.
//
// The messages (remote_messages.h):
//
//   request  MSG_DOCUMENT (2)      body: the shard's document id
//   answer   REPLY_DOCDATA (5)     body: the document's data
//            REPLY_VALUE (16)...   body: slot, value (one per value; the
//                                  excerpt slot's kept when asked for)
//            REPLY_DONE (2)        empty
//   or       REPLY_EXCEPTION (1)   the server could not read the document
#pragma once

#include <xapian.h>

#include <string>
#include <vector>

#include "backend/excerpt_source.h"
#include "backend/remote_held_terms.h"
#include "backend/shard_socket.h"

namespace zeb::backend {

struct DocumentBatch {
  const ShardSocket* socket = nullptr;
  std::vector<Xapian::docid> ids;  // the shard's own document ids
  std::vector<std::string*> data;  // where each document's data goes
  // Where each document's excerpt values go; empty: not wanted.
  std::vector<StoredExcerpt*> excerpts;
  // Positions in `ids` whose document the server answered with an error;
  // read through Xapian, they throw that error as Xapian has it.
  std::vector<size_t> refused;
  // Asked after the documents, in the same exchange, when not null.
  HeldTerms* held = nullptr;
};

// Sends every batch's requests. Throws Xapian::NetworkError (or its
// NetworkTimeoutError, after the socket's timeout) when a connection fails;
// every batch's connection is then shut down.
void request_documents(std::vector<DocumentBatch>& batches);

// Reads the answers to request_documents(), waiting at most the socket's
// timeout for each. Throws as request_documents() does, and when an answer
// is not understood.
void collect_documents(std::vector<DocumentBatch>& batches);

}  // namespace zeb::backend
