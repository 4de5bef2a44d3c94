#include "backend/search_result.h"

#include <algorithm>
#include <utility>

namespace zeb::backend {

SearchResult::SearchResult(const Xapian::Database& db,
                           std::vector<std::string> shard_names,
                           const Xapian::Query& query, const SearchOptions& options)
    : db_(db), shard_names_(std::move(shard_names)), enquire_(db_), options_(options) {
  enquire_.set_query(query);
  // Boolean weighting lets the matcher stop at the first page in document
  // order instead of scoring every match.
  if (!options_.weighted) enquire_.set_weighting_scheme(Xapian::BoolWeight());
}

// One entry more than an answer holds, to learn whether more follow.
void SearchResult::load_page(uint32_t offset) {
  page_ = enquire_.get_mset(offset, kEntriesPerAnswer + 1);
  page_offset_ = offset;
  page_loaded_ = true;
}

void SearchResult::start() {
  load_page(0);
  const uint32_t held = page_.size();
  uint32_t found = held;
  if (held > kEntriesPerAnswer)
    found = std::max<uint32_t>(page_.get_matches_estimated(), held);
  if (options_.cap != 0) found = std::min(found, options_.cap);
  found_ = found;
  // What the list can deliver: all matches up to the cap; past the first
  // page the estimate is only a bound, so the pages themselves tell the end.
  entries_ = options_.cap != 0 ? options_.cap : UINT32_MAX;
  if (held <= kEntriesPerAnswer) entries_ = std::min(entries_, held);
}

void SearchResult::fetch(uint32_t offset, std::vector<ResultEntry>& out, bool& more) {
  out.clear();
  more = false;
  if (offset >= entries_) return;
  if (!page_loaded_ || page_offset_ != offset) load_page(offset);
  const uint32_t wanted = std::min(kEntriesPerAnswer, entries_ - offset);
  const uint32_t count = std::min<uint32_t>(wanted, page_.size());
  more = page_.size() > count && offset + count < entries_;
  if (count == 0) return;

  auto first = page_.begin();
  auto last = first;
  for (uint32_t i = 0; i < count; ++i) ++last;
  page_.fetch(first, last);  // one round trip for remote shards
  out.reserve(count);
  const size_t shards = shard_names_.size();
  for (auto it = first; it != last; ++it) {
    ResultEntry entry;
    entry.data = it.get_document().get_data();
    entry.index_name = &shard_names_[shards > 1 ? (*it - 1) % shards : 0];
    if (options_.ranking_data) {
      const int percent = it.get_percent();
      entry.rank = options_.percent ? static_cast<float>(percent)
                                    : static_cast<float>(percent) / 100.0f;
    }
    out.push_back(std::move(entry));
  }
}

}  // namespace zeb::backend
