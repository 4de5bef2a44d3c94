#include "admin/document_pipeline.h"

#include "admin/document_builder.h"
#include "admin/document_reader.h"
#include "admin/duplicate_texts.h"

namespace zeb::admin {

DocumentPipeline::DocumentPipeline(std::string root, std::vector<const TreeFile*> files,
                                   DocumentRules rules)
    : root_(std::move(root)), files_(std::move(files)), rules_(std::move(rules)) {
  builder_ = std::thread([this] { build_all(); });
}

DocumentPipeline::~DocumentPipeline() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  builder_.join();
}

void DocumentPipeline::build_all() {
  try {
    DocumentBuilder builder;
    ExtractedDocument extracted;
    for (const TreeFile* file : files_) {
      BuiltDocument built;
      built.file = file;
      built.ok = read_document(root_, file->path, file->kind, extracted, built.error, rules_);
      built.noindex = built.ok && extracted.noindex;
      // The builder keeps no handle on the document it returns: Xapian's
      // handles are counted without locks, so only one thread may hold one.
      if (built.ok && !built.noindex) {
        built.document = builder.build(*file, extracted);
        if (rules_.fold_duplicates) {
          built.content = content_term(extracted);
          built.document.add_boolean_term(built.content);
        }
      }
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return stopping_ || ready_.size() < kPipelineDepth; });
      if (stopping_) break;
      // Only a reader that found the queue empty can be waiting for it.
      const bool was_empty = ready_.empty();
      ready_.push_back(std::move(built));
      lock.unlock();
      if (was_empty) changed_.notify_all();
    }
  } catch (...) {
    std::lock_guard<std::mutex> lock(mutex_);
    failure_ = std::current_exception();
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
  }
  changed_.notify_all();
}

bool DocumentPipeline::next(BuiltDocument& out) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !ready_.empty() || finished_; });
  if (ready_.empty()) {
    if (failure_) std::rethrow_exception(failure_);
    return false;
  }
  // Only a builder that found the queue full can be waiting for room.
  const bool was_full = ready_.size() >= kPipelineDepth;
  out = std::move(ready_.front());
  ready_.pop_front();
  lock.unlock();
  if (was_full) changed_.notify_all();
  return true;
}

}  // namespace zeb::admin
