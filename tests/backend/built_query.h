// The query that a search builds over one index, for tests that look at
// the query itself rather than at what it finds.
#pragma once

#include <gtest/gtest.h>
#include <xapian.h>

#include <vector>

#include "backend/query_builder.h"
#include "backend/search_stream.h"
#include "backend/test_index.h"

namespace zeb::testing {

// `request` built over `db`, searched as a local index or a remote one.
inline backend::BuiltQuery built_query(const Xapian::Database& db, const Request& request,
                                       bool remote = false) {
  backend::ParsedSearch parsed;
  EXPECT_EQ(backend::parse_search_stream(request.data(), request.length(), parsed), 0);
  backend::QueryTarget target{db, {{db, remote, {}}}};
  const std::vector<Xapian::Database> shards;
  const std::vector<bool> shard_remote;
  const backend::RemoteTermCounts counts;
  backend::WeightlessParts parts(shards, shard_remote, false, counts);
  backend::SearchBudget budget;
  backend::BuiltQuery built;
  EXPECT_EQ(backend::build_query(target, parsed, parts, budget, built), 0);
  return built;
}

}  // namespace zeb::testing
