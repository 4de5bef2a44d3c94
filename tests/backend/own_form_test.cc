// Which words of a short free text are weighed by their own form beside
// their stem: every word, except one that stands on at least half the pages
// of a local index and in at least nine tenths of its stem's documents.
// There its stem weighs for both, and the own form's list is not read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backend/built_query.h"

namespace zeb::testing {
namespace {

// Ten pages: alpha on half of them, beta on fewer, gamma on half but with
// "gammas" on one more, delta on nine and "deltas" on the tenth.
std::vector<TestDocument> documents() {
  return {{"0.html", "", "alpha beta gamma delta", {}}, {"1.html", "", "alpha beta gamma delta", {}},
          {"2.html", "", "alpha beta gamma delta", {}}, {"3.html", "", "alpha beta gamma delta", {}},
          {"4.html", "", "alpha gamma delta", {}},      {"5.html", "", "gammas delta", {}},
          {"6.html", "", "delta", {}},                  {"7.html", "", "delta", {}},
          {"8.html", "", "delta", {}},                  {"9.html", "", "deltas", {}}};
}

std::string built(const Xapian::Database& db, bool remote) {
  Request request;
  request.constants().free_text("alpha beta gamma delta");
  return built_query(db, request, remote).query.get_description();
}

TEST(OwnForm, LeftOutOnlyWhereItWouldReadNearlyItsStemsListAgain) {
  TestInstance instance;
  const std::string dir = instance.dir() + "/db";
  write_test_database(dir, documents());
  const Xapian::Database db(dir);

  const std::string local = built(db, false);
  for (const char* own : {"0.5 * beta", "0.5 * gamma", "Zbeta", "Zgamma"})
    EXPECT_NE(local.find(own), std::string::npos) << own << " in " << local;
  for (const char* own : {"0.5 * alpha", "0.5 * delta"})
    EXPECT_EQ(local.find(own), std::string::npos) << own << " in " << local;
  for (const char* stem : {"1.5 * Zalpha", "1.5 * Zdelta"})
    EXPECT_NE(local.find(stem), std::string::npos) << stem << " in " << local;

  // A remote shard is not asked for the counts: every own form is searched.
  const std::string remote = built(db, true);
  for (const char* own : {"0.5 * alpha", "0.5 * beta", "0.5 * gamma", "0.5 * delta"})
    EXPECT_NE(remote.find(own), std::string::npos) << own << " in " << remote;
}

}  // namespace
}  // namespace zeb::testing
