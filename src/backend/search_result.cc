#include "backend/search_result.h"

#include <algorithm>
#include <cfloat>
#include <functional>
#include <map>
#include <utility>

#include "backend/document_data.h"
#include "backend/forward_values.h"
#include "backend/index_schema.h"
#include "backend/match_count.h"
#include "backend/ranking_weight.h"
#include "backend/weightless_parts.h"

namespace zeb::backend {

SearchResult::SearchResult(const Xapian::Database& db,
                           std::vector<std::string> shard_names,
                           const Xapian::Query& query, const SearchOptions& options,
                           ShardDocuments documents)
    : db_(db),
      shard_names_(std::move(shard_names)),
      documents_(std::move(documents)),
      enquire_(db_),
      options_(options),
      cost_(options.cost_budget) {
  enquire_.set_query(query);
  if (options_.weighted) {
    enquire_.set_weighting_scheme(ranking_weight());
    // Equal weights in path order, not in the document numbers that the
    // layout of shards decides (index_schema.h). In one local index whose
    // numbers are in path order, Xapian's own order of ties is that, and
    // the matcher reads no path for them.
    if (options_.ties_by_path) enquire_.set_sort_by_relevance_then_value(kValueOrderKey, false);
  } else {
    // Unranked: every match ties, so the list is in path order. Where the
    // document order is that already, boolean weighting lets the matcher
    // stop at the first page instead of sorting every match.
    if (options_.weigh_all)
      enquire_.set_weighting_scheme(ranking_weight());
    else
      enquire_.set_weighting_scheme(Xapian::BoolWeight());
    if (options_.sort_by_path)
      enquire_.set_sort_by_value(kValueOrderKey, false);
    else if (options_.weigh_all)
      enquire_.set_sort_by_value(kEmptyValueSlot, false);  // ties keep document order
  }
}

namespace {

// Whether document `id` of a local database holds `term`: a skip along the
// term's posting list.
bool holds_term(const Xapian::Database& db, Xapian::docid id, const std::string& term) {
  Xapian::PostingIterator posting = db.postlist_begin(term);
  posting.skip_to(id);
  return posting != db.postlist_end(term) && *posting == id;
}

// What the excerpts of a page read further of a local index, asked in
// document order: each along a stream (the tails' values, a term's
// postings) that moves forward from where the last read left it, rather
// than from the index's root each time.
class ForwardReads {
 public:
  explicit ForwardReads(const Xapian::Database& db) : db_(db), tails_(db, kValueExcerptTail) {}

  std::string tail(Xapian::docid id) { return tails_.of(id); }

  bool holds(const std::string& term, Xapian::docid id) {
    auto [known, added] = postings_.try_emplace(term);
    Posting& posting = known->second;
    if (added || id < posting.id) posting.at = db_.postlist_begin(term);
    posting.id = id;
    const Xapian::PostingIterator end = db_.postlist_end(term);
    if (posting.at == end) return false;
    posting.at.skip_to(id);
    return posting.at != end && *posting.at == id;
  }

 private:
  struct Posting {
    Xapian::PostingIterator at;
    Xapian::docid id = 0;  // the last asked
  };
  const Xapian::Database& db_;
  ForwardValues tails_;
  std::map<std::string, Posting> postings_;
};

// One entry more than an answer holds, to learn whether more follow; then
// twice the window before.
uint32_t next_window(uint32_t asked) {
  return asked == 0 ? kEntriesPerAnswer + 1 : std::min(2 * asked, kMaxWindowEntries);
}

// The matcher runs that reading a list of `entries` takes, answer by answer.
uint64_t runs_for(uint32_t entries) {
  uint64_t runs = 0;
  uint32_t asked = 0;
  uint64_t held_to = 0;  // the window reaches up to here
  for (uint64_t offset = 0; offset < entries; offset += kEntriesPerAnswer) {
    const uint64_t wanted = std::min<uint64_t>(kEntriesPerAnswer, entries - offset) + 1;
    if (runs != 0 && offset + wanted <= held_to) continue;
    asked = next_window(asked);
    held_to = offset + asked;
    ++runs;
  }
  return runs;
}

}  // namespace

uint64_t SearchResult::run_units() const {
  return options_.run_postings * (options_.weighted ? kWeightedPostingCost : 1);
}

Xapian::MSet SearchResult::load_window(uint32_t offset, uint32_t check_at_least) {
  cost_.charge(run_units());
  window_asked_ = next_window(window_asked_);
  window_offset_ = offset;
  Xapian::MSet run;
  // Merged windows carry no percentages: only own rank scales may use them.
  if (offset == 0 && options_.weighted && options_.own_rank_scale &&
      !options_.title_start.empty() && !documents_.any_remote() &&
      split_first_window(db_, ranking_weight(), enquire_.get_query(), options_.title_start,
                         options_.without_title_start, window_asked_, window_, run))
    return run;
  run = enquire_.get_mset(offset, window_asked_, check_at_least);
  // The best match's sort key starts with its path (index_schema.h), where
  // it has one.
  if (offset == 0) {
    const std::string key = run.empty() ? std::string() : run.begin().get_sort_key();
    best_path_ = path_of_order_key(key);
  }
  window_.clear();
  window_.reserve(run.size());
  for (auto it = run.begin(); it != run.end(); ++it)
    window_.push_back({*it, it.get_weight(), it.get_percent(), it.get_sort_key()});
  return run;
}

bool SearchResult::holds(uint32_t offset, uint32_t count) const {
  if (window_asked_ == 0 || offset < window_offset_) return false;
  // A window shorter than asked for reaches the last match.
  return window_.size() < window_asked_ ||
         uint64_t{offset - window_offset_} + count <= window_.size();
}

void SearchResult::start() {
  // Without a cap the page's own limit, which never reaches the engine, may
  // be as high as a 16-bit item allows.
  const uint32_t exact_up_to = options_.cap != 0 ? options_.cap : kLargestResultLimit;
  // With a cap the whole list is foreseen: a list of free text at the
  // largest limit costs a run per window and a row per entry.
  if (options_.cap != 0 &&
      !cost_.affordable(runs_for(options_.cap) * run_units() + uint64_t{options_.cap} * kRowCost))
    throw SearchTooComplex{};
  // On remote shards a counting pass (match_count.h) costs two more
  // exchanges with every shard. An unweighted search whose count its
  // posting lists do not tell (anything but a single term or every
  // document) counts in its first pass instead: the matcher does the same
  // work either way.
  const Xapian::Query::op type = enquire_.get_query().get_type();
  const bool count_now = documents_.any_remote() && !options_.weighted &&
                         type != Xapian::Query::LEAF_TERM &&
                         type != Xapian::Query::LEAF_MATCH_ALL;
  const Xapian::MSet run = load_window(0, count_now ? exact_up_to : 0);
  const uint32_t held = window_.size();
  uint32_t found = held;
  if (held > kEntriesPerAnswer) {
    // A counting pass (match_count.h) may read every posting once more.
    cost_.charge(options_.count_with_weights ? run_units() : options_.run_postings);
    found = options_.count_with_weights
                ? exact_match_count(db_, enquire_.get_query(), run, exact_up_to,
                                    ranking_weight())
                : exact_match_count(db_, enquire_.get_query(), run, exact_up_to);
  }
  if (options_.cap != 0) found = std::min(found, options_.cap);
  found_ = found;
  // What the list can deliver: all matches up to the cap; past the first
  // window the estimate is only a bound, so the windows themselves tell the end.
  entries_ = options_.cap != 0 ? options_.cap : UINT32_MAX;
  if (held <= kEntriesPerAnswer) entries_ = std::min(entries_, held);
}

void SearchResult::scale_ranks(const std::string* best_data, const HeldTerms* asked) {
  ranks_scaled_ = true;
  if (window_offset_ != 0) load_window(0);
  if (window_.empty()) return;
  const Xapian::docid best = window_.front().id;
  const double weight = window_.front().weight;
  if (weight <= 0) return;
  // Which of the words the best match holds. A local index skips along each
  // word's posting list; a remote shard would send those lists whole.
  size_t held = 0;
  if (options_.rank_terms.empty()) {
    // Worth all of them: nothing to count.
  } else if (asked != nullptr && asked->known && best_data != nullptr &&
      best_data->substr(0, best_data->find(';')) == best_path_) {
    held = asked->held;  // asked with the page's documents
  } else if (!documents_.any_remote()) {
    for (const std::string& term : options_.rank_terms)
      if (holds_term(db_, best, term)) ++held;
  } else if (!count_held_remotely(best, best_data, held)) {
    // A remote term list comes one term to a message: read only when the
    // count above fails.
    std::vector<std::string> words = options_.rank_terms;
    std::sort(words.begin(), words.end());  // a repeated word counts each time
    Xapian::TermIterator terms = db_.termlist_begin(best);
    for (const std::string& word : words) {
      terms.skip_to(word);
      if (terms == db_.termlist_end(best)) break;
      if (*terms == word) ++held;
    }
  }
  const double share = options_.rank_terms.empty()
                           ? 1.0
                           : static_cast<double>(held) / static_cast<double>(options_.rank_terms.size());
  rank_factor_ = 100.0 * share / weight;
}

bool SearchResult::count_held_remotely(Xapian::docid best, const std::string* best_data,
                                       size_t& held) const {
  Xapian::docid id = 0;
  const Xapian::Database* shard = documents_.shard_of(best, id);
  if (shard == nullptr) return false;
  std::vector<std::string> data;
  if (best_data == nullptr) {
    documents_.read_data(db_, {best}, data);
    best_data = &data[0];
  }
  // The best match's own path term restricts the words to it, and
  // coordinate weighting counts the words it holds: two short exchanges
  // with its shard.
  const std::string path = best_data->substr(0, best_data->find(';'));
  const std::vector<Xapian::Query> words(options_.rank_terms.begin(), options_.rank_terms.end());
  Xapian::Enquire counter(*shard);
  counter.set_query(Xapian::Query(Xapian::Query::OP_FILTER,
                                  Xapian::Query(Xapian::Query::OP_OR, words.begin(), words.end()),
                                  Xapian::Query(prefixed_term(kPathPrefix, path))));
  counter.set_weighting_scheme(Xapian::CoordWeight());
  const Xapian::MSet counted = counter.get_mset(0, kEntriesPerAnswer);
  for (auto it = counted.begin(); it != counted.end(); ++it) {
    if (*it != id) continue;
    held = static_cast<size_t>(it.get_weight() + 0.5);
    return true;
  }
  return false;
}

int SearchResult::rank_percent(const WindowEntry& match) const {
  if (!options_.own_rank_scale) return match.percent;
  // Rounded as Xapian rounds its own percentages: down, but for the last
  // bit of precision; a match never shows 0, and without weights all show 100.
  if (rank_factor_ == 0) return 100;
  const double weight = match.weight;
  const int value = static_cast<int>(weight * rank_factor_ + 100.0 * DBL_EPSILON);
  if (value > 100) return 100;
  if (value <= 0) return weight > 0 ? 1 : 0;
  return value;
}

void SearchResult::fetch(uint32_t offset, std::vector<ResultEntry>& out, bool& more) {
  out.clear();
  more = false;
  // A page that said how many rows it shows reads no entry past them.
  uint64_t end = entries_;
  if (options_.rows_shown != 0)
    end = std::min<uint64_t>(end, uint64_t{options_.first_entry} + options_.rows_shown);
  if (offset >= end) return;
  const bool needs_scaling = options_.ranking_data && options_.own_rank_scale && !ranks_scaled_;
  if (needs_scaling && offset != 0) scale_ranks(nullptr);
  const auto wanted = static_cast<uint32_t>(std::min<uint64_t>(kEntriesPerAnswer, end - offset));
  if (!holds(offset, wanted + 1)) load_window(offset);
  const uint32_t index = offset - window_offset_;
  const uint32_t available = window_.size() > index ? window_.size() - index : 0;
  const uint32_t count = std::min(wanted, available);
  more = available > count && offset + count < end;
  if (count == 0) return;

  cost_.charge(uint64_t{count} * kRowCost);
  const auto first = window_.begin() + index;
  const auto last = first + count;
  std::vector<Xapian::docid> ids;
  for (auto it = first; it != last; ++it) ids.push_back(it->id);
  std::vector<std::string> data;
  std::vector<StoredExcerpt> excerpts;
  // On a remote shard the best match is asked for the rank terms it holds
  // with the page's documents rather than in two exchanges after them.
  HeldTerms held;
  const bool ask_held = needs_scaling && offset == 0 && documents_.any_remote() &&
                        !options_.rank_terms.empty() &&
                        options_.rank_terms.size() <= kMaxHeldTermsAsked && !best_path_.empty();
  if (ask_held) {
    held.terms = options_.rank_terms;
    held.path_term = prefixed_term(kPathPrefix, best_path_);
  }
  // On remote shards a row comes with its match, where the sort key carries
  // its data; then only the rank terms are asked, with the best match
  // alone. Rows of older documents, and rows with excerpts, are read.
  const bool rows_in_keys = options_.extras.excerpt_words == 0 &&
                            std::all_of(first, last, [](const WindowEntry& entry) {
                              return !data_of_order_key(entry.key).empty();
                            });
  if (rows_in_keys) {
    for (auto it = first; it != last; ++it) data.emplace_back(data_of_order_key(it->key));
    std::vector<std::string> best;
    if (ask_held) documents_.read_stored_data(db_, {ids[0]}, best, nullptr, &held, ids[0]);
  }
  // A row's extras from its stamp and, with excerpts, its excerpt values. A
  // remote document came whole; a local one is read further only where its
  // excerpt needs it.
  ForwardReads forward(db_);
  const auto extras_of = [&](size_t i, RowExtras& extras) {
    const StoredExcerpt* stored = excerpts.empty() ? nullptr : &excerpts[i];
    const Xapian::docid id = ids[i];
    ExcerptReader reader;
    reader.tail = [&, stored, id] {
      if (documents_.any_remote()) return stored->tail;
      return forward.tail(id);
    };
    if (!documents_.any_remote())
      reader.has_term = [&, id](const std::string& term) { return forward.holds(term, id); };
    make_row_extras(options_.extras, stamp_of(data[i]),
                    stored ? stored->head : std::string_view(), reader, extras);
  };
  // Excerpts are made as each document is read, in document order: its
  // values are let go of before the next are read, so a page's texts are
  // never all held at once.
  std::vector<RowExtras> made;
  const auto make = [&](size_t i) {
    extras_of(i, made[i]);
    std::string().swap(excerpts[i].head);
    std::string().swap(excerpts[i].tail);
  };
  if (!rows_in_keys) {
    const bool with_excerpts = options_.extras.excerpt_words != 0;
    if (with_excerpts) made.resize(count);
    documents_.read_stored_data(db_, ids, data, with_excerpts ? &excerpts : nullptr,
                                ask_held ? &held : nullptr, ids[0],
                                with_excerpts ? std::function<void(size_t)>(make) : nullptr);
  }
  if (!options_.extras.any())
    for (std::string& entry : data) entry.resize(identifier_of(entry).size());
  if (needs_scaling && offset == 0) scale_ranks(&data[0], &held);  // the best match is first
  out.reserve(count);
  const size_t shards = shard_names_.size();
  size_t at = 0;
  for (auto it = first; it != last; ++it) {
    ResultEntry entry;
    if (options_.extras.any()) {
      if (made.empty()) {
        extras_of(at, entry.extras);
      } else {
        entry.extras = std::move(made[at]);
      }
      data[at].resize(identifier_of(data[at]).size());
    }
    entry.data = std::move(data[at++]);
    entry.index_name = &shard_names_[shards > 1 ? (it->id - 1) % shards : 0];
    if (options_.ranking_data) {
      const int percent = rank_percent(*it);
      entry.rank = options_.percent ? static_cast<float>(percent)
                                    : static_cast<float>(percent) / 100.0f;
    }
    out.push_back(std::move(entry));
  }
}

}  // namespace zeb::backend
