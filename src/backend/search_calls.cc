// The engine calls of a search: the search itself, ranking, the result list
// with its sort and its answers, and their deletion.
#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "backend/call_guard.h"
#include "backend/engine_objects.h"
#include "backend/index_schema.h"
#include "backend/lost_members.h"
#include "backend/query_builder.h"
#include "backend/remote_term_counts.h"
#include "backend/result_answer.h"
#include "backend/return_codes.h"
#include "backend/scope_filter.h"
#include "backend/search_cost.h"
#include "backend/search_bounds.h"
#include "backend/search_stream.h"
#include "backend/search_target.h"
#include "engine/data_stream.h"
#include "engine/ksv_api.h"

namespace zeb::backend {

namespace {

constexpr uint8_t kSortByRank = 1;
constexpr uint8_t kSortDescending = 1;

// The last answer handed out; it stays valid until the next call for one.
std::vector<unsigned char>& answer_buffer() {
  static std::vector<unsigned char> buffer;
  return buffer;
}

// 480 { 502 order, 500 key }: 0, 80 for an order or key other than rank
// descending, 18 when malformed.
int read_sort_request(const unsigned char* stream, uint32_t length) {
  if (length > kRequestBufferSize || (stream == nullptr && length != 0))
    return kStreamSyntax;
  StreamWalker walker(stream, length);
  StreamItem item;
  if (!walker.next(item) || item.id != kItemSort || item.type != kStartItem ||
      item.data_length != 0)
    return kStreamSyntax;
  int order = -1;
  int key = -1;
  while (walker.next(item)) {
    if (item.id == kItemSort && item.type == kEndItem && item.data_length == 0) {
      if (order < 0 || key < 0 || walker.next(item) || walker.broken()) return kStreamSyntax;
      return order == kSortDescending && key == kSortByRank ? kOk : kNotSupported;
    }
    if (item.type != kAtomicItem || item.data_length != 1) return kStreamSyntax;
    if (item.id == kItemSortOrder && order < 0) {
      order = item.data[0];
    } else if (item.id == kItemSortKey && key < 0) {
      key = item.data[0];
    } else {
      return kStreamSyntax;
    }
  }
  return kStreamSyntax;
}

Xapian::Query restrict(const WeightlessParts& parts, const Xapian::Query& query,
                       const Xapian::Query& filter) {
  if (filter.empty()) return query;
  return parts.filter(query, filter);
}

// The posting lists the scope values open: the request's own in every
// shard, and each member's in its shards.
uint64_t scope_lists(const SearchTarget& target, const ParsedSearch& parsed) {
  uint64_t lists = parsed.scope.size() * target.db.size();
  for (const SearchTarget::Member& member : target.members)
    lists += member.scope.size() * member.db.size();
  return lists;
}

// Asks the remote shards of `target` how many of their documents hold each
// of `terms`; false (and `counts` left empty) when there are none to ask or
// a remote shard's connection is not known.
bool count_remote_terms(const SearchTarget& target, const std::vector<std::string>& terms,
                        RemoteTermCounts& counts) {
  std::vector<const ShardSocket*> sockets;
  std::vector<size_t> asked;
  for (size_t i = 0; i < target.shards.size(); ++i) {
    if (!target.shard_remote[i]) continue;
    if (i >= target.shard_sockets.size() || !still_connected(target.shard_sockets[i]))
      return false;
    sockets.push_back(&target.shard_sockets[i]);
    asked.push_back(i);
  }
  if (terms.empty() || sockets.empty()) return false;
  const std::set<std::string> unique(terms.begin(), terms.end());
  const std::vector<std::string> asked_terms(unique.begin(), unique.end());
  const auto answers = remote_term_counts(sockets, asked_terms);
  for (size_t t = 0; t < asked_terms.size(); ++t) {
    std::vector<Xapian::doccount>& per_shard = counts[asked_terms[t]];
    per_shard.assign(target.shards.size(), kUnknownCount);
    for (size_t s = 0; s < asked.size(); ++s) per_shard[asked[s]] = answers[s][t];
  }
  return true;
}

// Whether an unranked search of `target` must sort by path: its document
// order is path order only in local indexes that no update appended to.
bool sorts_by_path(const SearchTarget& target) {
  for (size_t i = 0; i < target.shards.size(); ++i)
    if (target.shard_remote[i] || target.shards[i].get_metadata(kAppendedKey) == "1") return true;
  return false;
}

// Runs the search; fills `result` unless the code is an error or a warning
// that leaves nothing to list.
int run_search(SearchTarget& target, const ParsedSearch& parsed,
               std::shared_ptr<SearchResult>& result) {
  if (target.db.get_doccount() == 0) return kIndexEmpty;
  QueryTarget query_target{target.db, {}};
  for (const SearchTarget::Member& member : target.members)
    query_target.vocabularies.push_back({member.db, member.remote, member.shards});
  std::map<std::string, std::vector<std::string>> expansions;
  query_target.expansions = &expansions;  // read once for every build below
  BuiltQuery built;
  Xapian::Query query;
  SearchOptions options;
  // Built again when a term whose weight does not count could not be placed
  // safely (weightless_parts.h): once with what the remote shards tell of
  // such terms, then with weights everywhere.
  RemoteTermCounts counts;
  bool weigh_all = false;
  for (;;) {
    WeightlessParts parts(target.shards, target.shard_remote, weigh_all, counts);
    SearchBudget budget;
    if (int rc = build_query(query_target, parsed, parts, budget, built); rc != kOk) return rc;
    if (!budget.open_lists(scope_lists(target, parsed))) return kQueryTooComplex;
    Xapian::Query group_filter;
    if (int rc = group_scope_filter(target, parts, group_filter); rc != kOk) return rc;
    const Xapian::Query scope =
        parsed.scope.empty() ? Xapian::Query() : scope_query(parsed.scope, parts);
    query = restrict(parts, restrict(parts, built.query, group_filter), scope);
    options.title_start = built.title_start;
    options.without_title_start =
        built.title_start.empty()
            ? Xapian::Query()
            : restrict(parts, restrict(parts, built.without_title_start, group_filter), scope);
    options.weigh_all = weigh_all;
    options.count_with_weights = parts.count_with_weights();
    if (!parts.build_again()) break;
    if (!counts.empty() || !count_remote_terms(target, parts.uncounted(), counts))
      weigh_all = true;
  }

  options.weighted = parsed.ranking || parsed.has_free_text;
  options.ranking_data = parsed.ranking;
  options.sort_by_path = sorts_by_path(target);
  options.ties_by_path = options.sort_by_path || target.shards.size() > 1;
  options.percent = parsed.has_free_text;
  options.cap = parsed.max_results;
  options.own_rank_scale = built.own_rank_scale;
  options.rank_terms = std::move(built.rank_terms);
  options.first_entry = parsed.first_entry;
  options.rows_shown = parsed.rows_shown;
  options.extras.excerpt_words = parsed.excerpt_words;
  options.extras.date = parsed.row_dates;
  if (parsed.excerpt_words != 0) options.extras.terms = std::make_shared<ExcerptTerms>(parsed);
  // A remote shard would answer each term's frequency with an exchange:
  // there the bounds of the query's parts (search_bounds.h) stand alone.
  if (std::find(target.shard_remote.begin(), target.shard_remote.end(), true) ==
      target.shard_remote.end())
    options.run_postings = query_postings(target.db, query);
  for (int attempt = 0;; ++attempt) {
    try {
      result = std::make_shared<SearchResult>(
          target.db, target.shard_names, query, options,
          ShardDocuments(target.shards, target.shard_remote, target.shard_sockets));
      result->start();
      break;
    } catch (const Xapian::DatabaseModifiedError&) {
      // An update replaced the revision being read: read the new one, once.
      if (attempt > 0) throw;
      target.db.reopen();
    }
  }
  return built.stop_words_dropped ? kStopWordsIgnored : kOk;
}

}  // namespace

}  // namespace zeb::backend

using namespace zeb::backend;

extern "C" {

int32_t KSVSEARCH(uint32_t session, uint32_t target, uint32_t length,
                  const unsigned char* stream, uint32_t* result, uint32_t* found,
                  int32_t* diag) {
  return guarded(diag, [&]() -> int32_t {
    if (result == nullptr || found == nullptr) return kStreamSyntax;
    *result = 0;
    *found = 0;
    ObjectTable& objects = engine_objects();
    if (objects.session(session) == nullptr) return kBadSession;
    SearchTarget resolved;
    if (int rc = resolve_target(objects, session, target, resolved); rc != kOk) return rc;
    ParsedSearch parsed;
    if (int rc = parse_search_stream(stream, length, parsed); rc != kOk) return rc;
    std::shared_ptr<SearchResult> outcome;
    int rc = kOk;
    try {
      rc = run_search(resolved, parsed, outcome);
    } catch (const Xapian::NetworkError&) {
      // A shard stopped answering. In a group, the indexes that no longer
      // answer are left out and the others searched again; the answer says
      // that a connection was lost.
      count_engine_failure();
      if (!leave_out_lost_members(objects, session, target)) throw;
      outcome.reset();
      if (int again = resolve_target(objects, session, target, resolved); again != kOk)
        return again;
      rc = run_search(resolved, parsed, outcome);
      if (rc == kOk || rc == kStopWordsIgnored) rc = kConnectionLost;
    }
    if (!outcome) return rc;
    *found = outcome->found();
    ResultObject object{std::move(outcome), false};
    object.parts = resolved.parts;
    object.parts_answered = resolved.parts_answered;
    *result = objects.add(session, std::move(object));
    return rc;
  });
}

int32_t KSVRESULTPARTS(uint32_t session, uint32_t result, uint32_t* answered, uint32_t* parts,
                       int32_t* diag) {
  return guarded(diag, [&]() -> int32_t {
    if (answered == nullptr || parts == nullptr) return kStreamSyntax;
    *answered = *parts = 0;
    ObjectTable& objects = engine_objects();
    if (objects.session(session) == nullptr) return kBadSession;
    const ResultObject* object = objects.find<ResultObject>(session, result);
    if (object == nullptr) return kBadHandle;
    *answered = object->parts_answered;
    *parts = object->parts;
    return kOk;
  });
}

int32_t KSVRANK(uint32_t session, uint32_t result, int32_t* diag) {
  return guarded(diag, [&]() -> int32_t {
    ObjectTable& objects = engine_objects();
    if (objects.session(session) == nullptr) return kBadSession;
    ResultObject* object = objects.find<ResultObject>(session, result);
    if (object == nullptr) return kBadHandle;
    if (!object->result->has_ranking_data()) return kNoRankingData;
    if (object->result->ranked()) return kAlreadyRanked;
    object->result->set_ranked();
    return kOk;
  });
}

int32_t KSVCREATERESULTLIST(uint32_t session, uint32_t result, uint32_t* result_list,
                            uint32_t* list_value, int32_t* diag) {
  return guarded(diag, [&]() -> int32_t {
    if (result_list == nullptr) return kStreamSyntax;
    *result_list = 0;
    ObjectTable& objects = engine_objects();
    if (objects.session(session) == nullptr) return kBadSession;
    ResultObject* object = objects.find<ResultObject>(session, result);
    if (object == nullptr) return kBadHandle;
    if (object->has_list) return kResultListExists;
    ListObject list;
    list.result = object->result;
    list.result_handle = result;
    list.ranked = object->result->ranked();
    list.next_entry = object->result->first_entry();
    if (list_value != nullptr) *list_value = object->result->found();
    object->has_list = true;
    *result_list = objects.add(session, std::move(list));
    return kOk;
  });
}

int32_t KSVSORT(uint32_t session, uint32_t result_list, uint32_t length,
                const unsigned char* stream, int32_t* diag) {
  return guarded(diag, [&]() -> int32_t {
    ObjectTable& objects = engine_objects();
    if (objects.session(session) == nullptr) return kBadSession;
    ListObject* list = objects.find<ListObject>(session, result_list);
    if (list == nullptr) return kBadHandle;
    if (int rc = read_sort_request(stream, length); rc != kOk) return rc;
    if (!list->ranked) return kNoRankingData;
    // The list is in rank order already; a sorted list is read from its top.
    list->next_entry = list->result->first_entry();
    list->finished = false;
    return kOk;
  });
}

int32_t KSVGETRESULTLIST(uint32_t session, uint32_t result_list, uint32_t* length,
                         unsigned char** answer, int32_t* diag) {
  return guarded(diag, [&]() -> int32_t {
    if (length == nullptr || answer == nullptr) return kStreamSyntax;
    *length = 0;
    std::vector<unsigned char>& buffer = answer_buffer();
    buffer.clear();
    *answer = buffer.data();
    ObjectTable& objects = engine_objects();
    if (objects.session(session) == nullptr) return kBadSession;
    ListObject* list = objects.find<ListObject>(session, result_list);
    if (list == nullptr) return kBadHandle;
    if (list->finished) return kNoMoreInformation;

    std::vector<ResultEntry> entries;
    bool more = false;
    list->result->fetch(list->next_entry, entries, more);
    for (const ResultEntry& entry : entries)
      append_result_entry(buffer, entry.data, *entry.index_name, list->ranked, entry.rank,
                          &entry.extras);
    list->next_entry += static_cast<uint32_t>(entries.size());
    list->finished = !more;
    *answer = buffer.data();
    *length = static_cast<uint32_t>(buffer.size());
    return more ? kMoreEntries : kOk;
  });
}

int32_t KSVDELETERESULTLIST(uint32_t session, uint32_t result_list, int32_t* diag) {
  return guarded(diag, [&]() -> int32_t {
    ObjectTable& objects = engine_objects();
    if (objects.session(session) == nullptr) return kBadSession;
    ListObject* list = objects.find<ListObject>(session, result_list);
    if (list == nullptr) return kBadHandle;
    if (ResultObject* result = objects.find<ResultObject>(session, list->result_handle))
      result->has_list = false;
    objects.remove(result_list);
    return kOk;
  });
}

int32_t KSVDELETERESULT(uint32_t session, uint32_t result, int32_t* diag) {
  return guarded(diag, [&]() -> int32_t {
    ObjectTable& objects = engine_objects();
    if (objects.session(session) == nullptr) return kBadSession;
    if (objects.find<ResultObject>(session, result) == nullptr) return kBadHandle;
    // A result list made from it keeps the search alive on its own.
    objects.remove(result);
    return kOk;
  });
}

}  // extern "C"
