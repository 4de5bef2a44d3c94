#include "backend/scope_filter.h"

#include <utility>

#include "backend/index_schema.h"

namespace zeb::backend {

Xapian::Query scope_query(const std::vector<std::string>& values, WeightlessParts& parts) {
  std::vector<Xapian::Query> terms;
  terms.reserve(values.size());
  for (const std::string& value : values)
    terms.push_back(parts.term(prefixed_term(kScopePrefix, value), false));
  return Xapian::Query(Xapian::Query::OP_OR, terms.begin(), terms.end());
}

ShardScopeSource::ShardScopeSource(std::map<std::string, std::vector<std::string>> scopes)
    : scopes_(std::move(scopes)) {}

ShardScopeSource* ShardScopeSource::clone() const {
  return new ShardScopeSource(scopes_);
}

void ShardScopeSource::init(const Xapian::Database& db) {
  set_maxweight(0.0);
  doc_count_ = db.get_doccount();
  lists_.clear();
  current_ = 0;
  started_ = false;
  const auto scope = scopes_.find(db.get_uuid());
  if (scope == scopes_.end()) {
    lists_.push_back(db.postlist_begin(""));
    return;
  }
  for (const std::string& value : scope->second)
    lists_.push_back(db.postlist_begin(prefixed_term(kScopePrefix, value)));
}

// The current document is the smallest one any list stands on.
void ShardScopeSource::settle() {
  current_ = 0;
  for (const auto& list : lists_) {
    if (list == Xapian::PostingIterator()) continue;
    if (current_ == 0 || *list < current_) current_ = *list;
  }
}

void ShardScopeSource::next(double) {
  const Xapian::docid before = current_;
  if (started_) {
    for (auto& list : lists_)
      if (list != Xapian::PostingIterator() && *list == current_) ++list;
  }
  started_ = true;
  settle();
  if (current_ != 0 && current_ <= before) throw_stuck();
}

void ShardScopeSource::skip_to(Xapian::docid did, double) {
  started_ = true;
  for (auto& list : lists_)
    if (list != Xapian::PostingIterator() && *list < did) list.skip_to(did);
  settle();
  if (current_ != 0 && current_ < did) throw_stuck();
}

// Posting lists only move forward; one that does not is a damaged index,
// on which the matcher would ask for the same document for ever.
void ShardScopeSource::throw_stuck() {
  throw Xapian::DatabaseCorruptError("a scope value's posting list does not move forward");
}

bool ShardScopeSource::at_end() const { return started_ && current_ == 0; }

}  // namespace zeb::backend
