// The cost of a search as the matcher will meet it: identical operands
// merged without changing what is found or how it is weighed, postings
// counted from the index's own term frequencies, and a search that would
// go past its budget stopped before it spends it.
#include <gtest/gtest.h>
#include <xapian.h>

#include <cmath>
#include <string>
#include <vector>

#include "backend/operand_run.h"
#include "backend/ranking_weight.h"
#include "backend/search_cost.h"
#include "backend/search_result.h"

namespace zeb::backend {
namespace {

using Q = Xapian::Query;

Q join(Q::op op, const std::vector<Q>& parts) { return Q(op, parts.begin(), parts.end()); }

// 60 documents: "a" in every one, "b" in every second, "c" in every third
// (twice in every sixth), so that weights differ; "a b" adjacent in every
// fourth.
Xapian::Database small_index() {
  Xapian::WritableDatabase db(std::string(), Xapian::DB_BACKEND_INMEMORY);
  for (int i = 0; i < 60; ++i) {
    Xapian::Document doc;
    Xapian::termpos pos = 1;
    doc.add_posting("a", pos++);
    if (i % 4 == 0) doc.add_posting("b", pos++);
    doc.add_posting("x", pos++);
    if (i % 2 == 0 && i % 4 != 0) doc.add_posting("b", pos++);
    if (i % 3 == 0) doc.add_posting("c", pos++);
    if (i % 6 == 0) doc.add_posting("c", pos++);
    doc.set_data("d" + std::to_string(i) + ";T");
    db.add_document(doc);
  }
  return db;
}

std::vector<std::pair<Xapian::docid, double>> matches(const Xapian::Database& db, const Q& query) {
  Xapian::Enquire enquire(db);
  enquire.set_query(query);
  enquire.set_weighting_scheme(ranking_weight());
  const Xapian::MSet mset = enquire.get_mset(0, 100);
  std::vector<std::pair<Xapian::docid, double>> out;
  for (auto it = mset.begin(); it != mset.end(); ++it) out.emplace_back(*it, it.get_weight());
  return out;
}

// Every run of connectors is compared with the same operands joined one by
// one, as the expression joins them without merging.
TEST(OperandRun, MergedOperandsFindTheSameDocumentsWithTheSameWeights) {
  const Xapian::Database db = small_index();
  const Q a("a"), b("b"), c("c");
  const Q phrase = join(Q::OP_PHRASE, {a, b});
  struct Step {
    Q::op op;
    Q operand;
  };
  const std::vector<std::vector<Step>> runs = {
      {{Q::OP_OR, b}, {Q::OP_OR, b}, {Q::OP_OR, c}},
      {{Q::OP_OR, phrase}, {Q::OP_OR, phrase}, {Q::OP_OR, phrase}},
      {{Q::OP_AND, b}, {Q::OP_AND, b}},
      {{Q::OP_OR, b}, {Q::OP_AND, c}, {Q::OP_OR, b}, {Q::OP_OR, c}},
      {{Q::OP_AND, a}, {Q::OP_OR, c}, {Q::OP_AND, b}, {Q::OP_AND, b}},
  };
  for (size_t r = 0; r < runs.size(); ++r) {
    SCOPED_TRACE(r);
    OperandRun run;
    run.start(b);
    Q joined = b;
    for (const Step& step : runs[r]) {
      run.add(step.op, step.operand);
      joined = Q(step.op, joined, step.operand);
    }
    const auto expected = matches(db, joined);
    const auto merged = matches(db, run.query());
    ASSERT_EQ(merged.size(), expected.size());
    for (size_t i = 0; i < merged.size(); ++i) {
      EXPECT_EQ(merged[i].first, expected[i].first) << i;
      EXPECT_NEAR(merged[i].second, expected[i].second, 1e-9) << i;
    }
  }
  // Sixty-four copies of a phrase are one phrase, searched once.
  OperandRun copies;
  copies.start(phrase);
  for (int i = 1; i < 64; ++i) copies.add(Q::OP_OR, phrase);
  EXPECT_EQ(query_postings(db, copies.query()), query_postings(db, phrase));
}

TEST(SearchCost, PostingsComeFromTheIndexsTermFrequencies) {
  const Xapian::Database db = small_index();
  const uint64_t a = db.get_termfreq("a"), b = db.get_termfreq("b"), c = db.get_termfreq("c");
  ASSERT_EQ(a, 60u);
  const auto merged = [](uint64_t sum, double lists) {
    return static_cast<uint64_t>(static_cast<double>(sum) *
                                 (1 + kMergeCostPerLevel * std::log2(lists)));
  };
  const struct {
    Q query;
    uint64_t postings;
  } cases[] = {
      {Q("b"), b},
      {Q("absent"), 0},
      {Q::MatchAll, 60},
      {Q::MatchNothing, 0},
      {Q(Q::OP_AND, Q("a"), Q("c")), a + c},
      {join(Q::OP_OR, {Q("a"), Q("b"), Q("c")}), merged(a + b + c, 3)},
      {join(Q::OP_PHRASE, {Q("a"), Q("b")}), (a + b) * kPositionPostingCost},
      // A word in two places of the query is read twice.
      {Q(Q::OP_AND_NOT, Q("b"), Q(Q::OP_SCALE_WEIGHT, Q("b"), 2.0)), 2 * b},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.query.get_description());
    EXPECT_EQ(query_postings(db, c.query), c.postings);
  }
}

// A budget too small for the search: with a cap the whole list is foreseen
// and refused at the start; without one, the rows are counted as they are
// fetched, and the answer that would pass the budget is refused whole.
TEST(SearchCost, TheSearchStopsBeforeItsBudgetIsSpent) {
  const Xapian::Database db = small_index();
  SearchOptions options;
  options.weighted = true;
  options.run_postings = query_postings(db, Q("a"));
  // Enough for the first answer's rows, not for the second's.
  options.cost_budget = kRowCost * kEntriesPerAnswer + 1000;

  options.cap = 100;
  SearchResult capped(db, {"DOCS"}, Q("a"), options);
  EXPECT_THROW(capped.start(), SearchTooComplex);

  options.cap = 0;
  SearchResult listed(db, {"DOCS"}, Q("a"), options);
  listed.start();
  std::vector<ResultEntry> entries;
  bool more = false;
  listed.fetch(0, entries, more);
  EXPECT_EQ(entries.size(), kEntriesPerAnswer);
  EXPECT_TRUE(more);
  EXPECT_THROW(listed.fetch(kEntriesPerAnswer, entries, more), SearchTooComplex);

  SearchCost cost(10);
  cost.charge(10);
  EXPECT_THROW(cost.charge(1), SearchTooComplex);
  EXPECT_EQ(cost.spent(), 10u);
}

}  // namespace
}  // namespace zeb::backend
