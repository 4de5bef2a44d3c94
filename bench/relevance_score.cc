#include "relevance_score.h"

#include <algorithm>

namespace zeb::bench {

size_t first_relevant_rank(const std::vector<std::string>& listed,
                           const std::vector<std::string>& relevant) {
  const size_t depth = std::min(listed.size(), kJudgedDepth);
  for (size_t i = 0; i < depth; ++i)
    if (std::find(relevant.begin(), relevant.end(), listed[i]) != relevant.end()) return i + 1;
  return 0;
}

RelevanceFigures summarize_ranks(const std::vector<size_t>& ranks) {
  RelevanceFigures figures;
  figures.queries = ranks.size();
  if (ranks.empty()) return figures;
  for (size_t rank : ranks) {
    if (rank == 0 || rank > kJudgedDepth) continue;
    if (rank == 1) figures.success_at_1 += 1;
    figures.success_at_10 += 1;
    figures.mrr_at_10 += 1.0 / static_cast<double>(rank);
  }
  const auto n = static_cast<double>(ranks.size());
  figures.success_at_1 /= n;
  figures.success_at_10 /= n;
  figures.mrr_at_10 /= n;
  return figures;
}

std::vector<std::string> listed_documents(std::string_view page, std::string_view prefix) {
  std::vector<std::string> documents;
  for (ListedRow& row : listed_rows(page, prefix)) documents.push_back(std::move(row.document));
  return documents;
}

std::vector<ListedRow> listed_rows(std::string_view page, std::string_view prefix) {
  constexpr std::string_view kLink = "HREF=\"";
  std::vector<ListedRow> rows;
  for (size_t at = page.find(kLink); at != std::string_view::npos; at = page.find(kLink, at + 1)) {
    const size_t start = at + kLink.size();
    const size_t end = page.find('"', start);
    if (end == std::string_view::npos) break;
    std::string_view target = page.substr(start, end - start);
    if (target.substr(0, prefix.size()) != prefix) continue;
    target.remove_prefix(prefix.size());
    const size_t hash = target.find('#');
    ListedRow row{std::string(target.substr(0, hash)), "", false};
    if (hash != std::string_view::npos) row.fragment = target.substr(hash + 1);
    // The row's excerpt stands between its link and the next row.
    const size_t next = page.find("<tr", end);
    const std::string_view rest = page.substr(end, next == std::string_view::npos ? next : next - end);
    row.marked = rest.find("<mark>") != std::string_view::npos;
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace zeb::bench
