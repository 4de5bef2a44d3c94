#include "backend/remote_documents.h"

#include "backend/index_schema.h"
#include "backend/remote_messages.h"

namespace zeb::backend {

namespace {

constexpr unsigned char kMessageDocument = 2;
constexpr unsigned char kReplyDocumentData = 5;
constexpr unsigned char kReplyValue = 16;

// One document's answer: its data, or its place among the refused.
void read_answer(AnswerReader& reader, DocumentBatch& batch, size_t position) {
  std::string body;
  for (;;) {
    const unsigned char type = reader.next(body);
    if (type == kReplyDocumentData) {
      batch.data[position]->swap(body);
    } else if (type == kReplyDone) {
      return;
    } else if (type == kReplyException) {
      batch.refused.push_back(position);
      return;
    } else if (type == kReplyValue) {
      // The slot number leads the body; slots below 255 take one byte.
      if (batch.excerpts.empty() || body.empty()) continue;
      const auto slot = static_cast<unsigned char>(body[0]);
      if (slot == kValueExcerpt) batch.excerpts[position]->head.assign(body, 1);
      if (slot == kValueExcerptTail) batch.excerpts[position]->tail.assign(body, 1);
    } else {
      throw Xapian::NetworkError("Unexpected answer from a remote shard");
    }
  }
}

template <typename Step>
void on_every_batch(std::vector<DocumentBatch>& batches, Step step) {
  on_every_connection(batches, [](const DocumentBatch& batch) { return batch.socket; }, step);
}

}  // namespace

void request_documents(std::vector<DocumentBatch>& batches) {
  on_every_batch(batches, [](DocumentBatch& batch) {
    std::string requests;
    std::string id;
    for (const Xapian::docid shard_id : batch.ids) {
      id.clear();
      append_number(id, shard_id);
      append_message(requests, kMessageDocument, id);
    }
    if (batch.held != nullptr) append_held_term_requests(requests, *batch.held);
    send_all(*batch.socket, requests);
  });
}

void collect_documents(std::vector<DocumentBatch>& batches) {
  on_every_batch(batches, [](DocumentBatch& batch) {
    AnswerReader reader(*batch.socket);
    for (size_t i = 0; i < batch.ids.size(); ++i) read_answer(reader, batch, i);
    if (batch.held != nullptr) read_held_term_answers(reader, *batch.held);
  });
}

}  // namespace zeb::backend
