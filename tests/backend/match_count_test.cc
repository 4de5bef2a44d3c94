// The found count of a search is exact up to the bound the page needs, even
// where the matcher stops counting early (AND, AND NOT), and at least that
// bound beyond it.
#include <gtest/gtest.h>
#include <xapian.h>

#include "backend/match_count.h"

namespace zeb::testing {
namespace {

// Document i of 3000 holds "low" when i < 1000 and "lower" when i < 1500:
// two words that go together, so that the matcher's estimates (which take
// words as independent) are wrong by hundreds.
Xapian::Database numbered_documents() {
  Xapian::WritableDatabase db(std::string(), Xapian::DB_BACKEND_INMEMORY);
  for (int i = 0; i < 3000; ++i) {
    Xapian::Document doc;
    if (i < 1000) doc.add_term("low", 1 + i % 5);
    if (i < 1500) doc.add_term("lower", 1 + i % 7);
    db.add_document(doc);
  }
  return db;
}

Xapian::doccount count(const Xapian::Database& db, const Xapian::Query& query,
                       Xapian::doccount window, Xapian::doccount exact_up_to) {
  Xapian::Enquire enquire(db);
  enquire.set_query(query);
  const Xapian::MSet first = enquire.get_mset(0, window);
  return backend::exact_match_count(db, query, first, exact_up_to);
}

const Xapian::Query kLow("low"), kLower("lower");

TEST(MatchCount, ExactUpToTheBoundForEveryOperator) {
  const Xapian::Database db = numbered_documents();
  EXPECT_EQ(count(db, Xapian::Query(Xapian::Query::OP_AND, kLow, kLower), 51, 65535), 1000u);
  EXPECT_EQ(count(db, Xapian::Query(Xapian::Query::OP_OR, kLow, kLower), 51, 65535), 1500u);
  EXPECT_EQ(count(db, Xapian::Query(Xapian::Query::OP_AND_NOT, kLower, kLow), 51, 65535), 500u);
  EXPECT_EQ(count(db, kLower, 51, 65535), 1500u);
}

TEST(MatchCount, BeyondTheBoundAtLeastTheBound) {
  const Xapian::Database db = numbered_documents();
  const Xapian::Query both(Xapian::Query::OP_AND, kLow, kLower);
  EXPECT_GE(count(db, both, 51, 700), 700u);
  // A window that holds every match needs no second count.
  EXPECT_EQ(count(db, both, 1200, 100), 1000u);
}

}  // namespace
}  // namespace zeb::testing
