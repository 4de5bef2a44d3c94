#include "backend/weightless_parts.h"

#include "backend/remote_term_counts.h"

namespace zeb::backend {

namespace {

// What `query` does not match, each document with no weight.
Xapian::Query complement(const Xapian::Query& query) {
  return Xapian::Query(Xapian::Query::OP_XOR, Xapian::Query::MatchAll, query);
}

}  // namespace

WeightlessParts::WeightlessParts(const std::vector<Xapian::Database>& shards,
                                 const std::vector<bool>& remote, bool weigh_all,
                                 const RemoteTermCounts& counts)
    : shards_(shards), remote_(remote), counts_(counts), weigh_all_(weigh_all) {
  for (const Xapian::Database& shard : shards_) {
    gaps_.push_back(shard.get_lastdocid() != shard.get_doccount());
    any_gaps_ = any_gaps_ || gaps_.back();
  }
}

bool WeightlessParts::in_all(size_t i, const std::string& term, bool& known) const {
  const Xapian::doccount documents = shards_[i].get_doccount();
  known = true;
  if (!remote_[i]) return shards_[i].get_termfreq(term) == documents;
  const auto counted = counts_.find(term);
  known = counted != counts_.end() && counted->second[i] != kUnknownCount;
  return known && counted->second[i] == documents;
}

WeightlessParts::Reach WeightlessParts::reach(const std::string& term) {
  if (!any_gaps_) return Reach::kSafe;
  bool at_risk = false;
  bool everywhere = true;
  bool all_known = true;
  for (size_t i = 0; i < shards_.size(); ++i) {
    bool known = false;
    const bool held_by_all = in_all(i, term, known);
    all_known = all_known && known;
    at_risk = at_risk || (gaps_[i] && (held_by_all || !known) && shards_[i].get_doccount() > 0);
    everywhere = everywhere && held_by_all;
  }
  if (!at_risk) return Reach::kSafe;
  if (everywhere) return Reach::kEverywhere;
  if (!all_known && counts_.find(term) == counts_.end()) uncounted_.push_back(term);
  return Reach::kUnsafe;
}

Xapian::Query WeightlessParts::term(const std::string& term, bool weight_counts) {
  if (weigh_all_) return Xapian::Query(term);
  const Reach where = reach(term);
  if (where == Reach::kSafe) return Xapian::Query(term);
  if (weight_counts) {
    // Read by its own list while ranked, but not by a count without weights.
    weighted_term_at_risk_ = true;
    return Xapian::Query(term);
  }
  if (where == Reach::kEverywhere) return Xapian::Query::MatchAll;
  build_again_ = true;
  return Xapian::Query(term);
}

Xapian::Query WeightlessParts::filter(const Xapian::Query& query,
                                      const Xapian::Query& filter) const {
  if (!weigh_all_) return Xapian::Query(Xapian::Query::OP_FILTER, query, filter);
  return Xapian::Query(Xapian::Query::OP_AND, query, complement(complement(filter)));
}

Xapian::Query WeightlessParts::exclude(const Xapian::Query& query,
                                       const Xapian::Query& excluded) const {
  if (!weigh_all_) return Xapian::Query(Xapian::Query::OP_AND_NOT, query, excluded);
  return Xapian::Query(Xapian::Query::OP_AND, query, complement(excluded));
}

}  // namespace zeb::backend
