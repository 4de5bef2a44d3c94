// Query scopes: a scope value matches the documents whose path begins with
// that directory (the S-prefixed terms of index_schema.h).
//
// An index group may give each member index its own scope values. When they
// differ, the filter must know which member a document comes from; Xapian
// does not say that in a query, so a posting source does it: Xapian starts
// one copy of it per shard and names the shard by its UUID.
#pragma once

#include <xapian.h>

#include <map>
#include <string>
#include <vector>

#include "backend/weightless_parts.h"

namespace zeb::backend {

// The documents within any of the scope values, a filter made by `parts`.
Xapian::Query scope_query(const std::vector<std::string>& values, WeightlessParts& parts);

// Restricts each shard named in `scopes` (by UUID) to its scope values; the
// documents of other shards all pass. Use as the right side of OP_FILTER.
class ShardScopeSource : public Xapian::PostingSource {
 public:
  explicit ShardScopeSource(std::map<std::string, std::vector<std::string>> scopes);

  ShardScopeSource* clone() const override;
  void init(const Xapian::Database& db) override;
  Xapian::doccount get_termfreq_min() const override { return 0; }
  Xapian::doccount get_termfreq_est() const override { return doc_count_ / 2; }
  Xapian::doccount get_termfreq_max() const override { return doc_count_; }
  void next(double min_weight) override;
  void skip_to(Xapian::docid did, double min_weight) override;
  bool at_end() const override;
  Xapian::docid get_docid() const override { return current_; }

 private:
  void settle();
  [[noreturn]] static void throw_stuck();

  std::map<std::string, std::vector<std::string>> scopes_;
  Xapian::doccount doc_count_ = 0;
  // One posting list per scope value, or one of every document.
  std::vector<Xapian::PostingIterator> lists_;
  Xapian::docid current_ = 0;
  bool started_ = false;
};

}  // namespace zeb::backend
