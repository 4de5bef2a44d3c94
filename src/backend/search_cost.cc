#include "backend/search_cost.h"

#include <cmath>
#include <map>
#include <string>

namespace zeb::backend {

namespace {

using TermFrequencies = std::map<std::string, uint64_t>;

uint64_t term_postings(const Xapian::Database& db, const std::string& term,
                       TermFrequencies& known) {
  auto found = known.find(term);
  if (found == known.end()) found = known.emplace(term, db.get_termfreq(term)).first;
  return found->second;
}

uint64_t postings(const Xapian::Database& db, const Xapian::Query& query,
                  TermFrequencies& known) {
  switch (query.get_type()) {
    case Xapian::Query::LEAF_TERM:
      return term_postings(db, *query.get_terms_begin(), known);
    case Xapian::Query::LEAF_MATCH_NOTHING:
      return 0;
    case Xapian::Query::LEAF_MATCH_ALL:
      return db.get_doccount();
    default:
      break;
  }
  const size_t count = query.get_num_subqueries();
  // Any other leaf (a value range, a posting source) may read every document.
  if (count == 0) return db.get_doccount();
  uint64_t sum = 0;
  for (size_t i = 0; i < count; ++i) sum += postings(db, query.get_subquery(i), known);
  switch (query.get_type()) {
    case Xapian::Query::OP_PHRASE:
    case Xapian::Query::OP_NEAR:
      return sum * kPositionPostingCost;
    case Xapian::Query::OP_OR:
    case Xapian::Query::OP_XOR:
    case Xapian::Query::OP_SYNONYM:
    case Xapian::Query::OP_ELITE_SET:
      return static_cast<uint64_t>(static_cast<double>(sum) *
                                   (1 + kMergeCostPerLevel * std::log2(static_cast<double>(count))));
    default:
      return sum;
  }
}

}  // namespace

uint64_t query_postings(const Xapian::Database& db, const Xapian::Query& query) {
  TermFrequencies known;
  return postings(db, query, known);
}

void SearchCost::charge(uint64_t units) {
  if (!affordable(units)) throw SearchTooComplex{};
  spent_ += units;
}

}  // namespace zeb::backend
