// Reads and builds the documents to index on a thread of its own, so that
// reading files and generating terms overlap with the writes of the
// database (which stay on the caller's thread: a Xapian database is used
// by one thread only). Documents come out in the order they went in.
#pragma once

#include <xapian.h>

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "admin/document_rules.h"
#include "admin/document_tree.h"

namespace zeb::admin {

// Built documents waiting for the database, at most.
constexpr size_t kPipelineDepth = 32;

struct BuiltDocument {
  const TreeFile* file = nullptr;
  bool ok = false;
  Xapian::Document document;  // when ok
  std::string error;          // when not: why the file could not be read
  bool noindex = false;       // the page asks to be left out (no document built)
  std::string content;        // with fold_duplicates: its content term (duplicate_texts.h)
};

class DocumentPipeline {
 public:
  // `files` must outlive the pipeline.
  DocumentPipeline(std::string root, std::vector<const TreeFile*> files,
                   DocumentRules rules = DocumentRules{});
  // Stops the builder (documents not taken are dropped) and waits for it.
  ~DocumentPipeline();
  DocumentPipeline(const DocumentPipeline&) = delete;
  DocumentPipeline& operator=(const DocumentPipeline&) = delete;

  // The next document; false when all were taken. An error that stopped
  // the builder (out of memory, a Xapian error) is thrown here.
  bool next(BuiltDocument& out);

 private:
  void build_all();

  const std::string root_;
  const std::vector<const TreeFile*> files_;
  const DocumentRules rules_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<BuiltDocument> ready_;
  bool finished_ = false;
  bool stopping_ = false;
  std::exception_ptr failure_;
  std::thread builder_;
};

}  // namespace zeb::admin
