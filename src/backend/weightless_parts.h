// The parts of a query whose weight does not count: every term of an
// unranked search, the terms that exclude a document (AND NOT, a negated
// word) and those of a filter (the expression beside free text, scopes).
//
// Xapian 1.4 reads such a term, when every document of a shard holds it,
// from the shard's list of all documents, yet looks up that list's chunks
// under the term's name. Where the shard's document numbers have gaps (a
// document was deleted), the list is read chunk by chunk and the search
// fails at the second chunk as if the index were corrupt. A count without
// weights (match_count.h) reads every term of a search that way.
//
// So each term is checked as the query is built. Where every document of
// every shard holds it, it matches everything and is searched as
// everything. A remote shard is asked how many of its documents hold the
// terms (remote_term_counts.h) before the query is built a second time.
// Where a term is at risk in some shards only, or the shards cannot tell,
// the query is built again with weights everywhere: an unranked search
// weighs its terms but still lists in path order, a filter joins by
// AND through a part that weighs nothing, and an exclusion joins by AND
// with what the excluded part does not match.
#pragma once

#include <xapian.h>

#include <map>
#include <string>
#include <vector>

namespace zeb::backend {

// Per term, the documents of each shard that hold it, as remote shards
// told (remote_term_counts.h); a local shard's entry is not read.
using RemoteTermCounts = std::map<std::string, std::vector<Xapian::doccount>>;

class WeightlessParts {
 public:
  // `shards`: the searched database's shards one by one, `remote` telling
  // which are remote; `weigh_all`: build the query with weights everywhere;
  // `counts`: what remote shards told of the terms so far.
  WeightlessParts(const std::vector<Xapian::Database>& shards,
                  const std::vector<bool>& remote, bool weigh_all,
                  const RemoteTermCounts& counts);

  // The query for `term` at a place where its weight counts or not.
  Xapian::Query term(const std::string& term, bool weight_counts);
  // The documents of `query` that `filter` matches, weighed by `query`.
  Xapian::Query filter(const Xapian::Query& query, const Xapian::Query& filter) const;
  // The documents of `query` that `excluded` does not match.
  Xapian::Query exclude(const Xapian::Query& query, const Xapian::Query& excluded) const;

  bool weigh_all() const { return weigh_all_; }
  // A term could not be placed safely: build again, with the counts of
  // uncounted() when there are any, else with weigh_all.
  bool build_again() const { return build_again_; }
  // The terms whose counts a remote shard with gaps has not told.
  const std::vector<std::string>& uncounted() const { return uncounted_; }
  // The found count must be counted with the search's weights.
  bool count_with_weights() const { return weigh_all_ || weighted_term_at_risk_; }

 private:
  enum class Reach { kSafe, kEverywhere, kUnsafe };
  Reach reach(const std::string& term);
  // Whether every document of shard `i` holds `term`; false when unknown.
  bool in_all(size_t i, const std::string& term, bool& known) const;

  const std::vector<Xapian::Database>& shards_;
  const std::vector<bool>& remote_;
  const RemoteTermCounts& counts_;
  std::vector<std::string> uncounted_;
  std::vector<bool> gaps_;  // per shard: its document numbers have gaps
  bool any_gaps_ = false;
  const bool weigh_all_;
  bool build_again_ = false;
  bool weighted_term_at_risk_ = false;
};

// A slot that no document has a value in: an unranked search with weights
// sorts by it, so that its matches keep document order.
constexpr Xapian::valueno kEmptyValueSlot = 0xFFFF;

}  // namespace zeb::backend
