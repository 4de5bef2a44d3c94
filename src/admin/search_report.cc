#include "admin/search_report.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "request/search_log_line.h"

namespace zeb::admin {

namespace {

constexpr time_t kSecondsPerDay = 86400;

// Midnight UTC of a YYYY-MM-DD text whose digits are in place; false when
// the numbers name no real day (2026-02-30).
bool day_start(std::string_view day, time_t& when) {
  int year = 0, month = 0, mday = 0;
  char tail = 0;
  const std::string text(day);
  if (day.size() != 10 || day[4] != '-' || day[7] != '-' ||
      sscanf(text.c_str(), "%4d-%2d-%2d%c", &year, &month, &mday, &tail) != 3)
    return false;
  tm fields{};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = mday;
  when = timegm(&fields);
  return fields.tm_year == year - 1900 && fields.tm_mon == month - 1 && fields.tm_mday == mday;
}

std::string day_text(time_t when) {
  tm fields{};
  gmtime_r(&when, &fields);
  char text[16];
  strftime(text, sizeof text, "%Y-%m-%d", &fields);
  return text;
}

bool slower(const SlowSearch& a, const SlowSearch& b) {
  return a.microseconds != b.microseconds ? a.microseconds > b.microseconds : a.time < b.time;
}

// The `length` most searched queries, ties in text order.
std::vector<QueryCount> most_searched(const std::map<std::string, uint64_t>& counts,
                                      size_t length) {
  std::vector<QueryCount> list;
  for (const auto& [query, searches] : counts) list.push_back({query, searches});
  const auto more = [](const QueryCount& a, const QueryCount& b) {
    return a.searches != b.searches ? a.searches > b.searches : a.query < b.query;
  };
  const size_t kept = std::min(length, list.size());
  std::partial_sort(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(kept), list.end(),
                    more);
  list.resize(kept);
  return list;
}

}  // namespace

bool is_report_date(std::string_view text) {
  time_t when = 0;
  for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
  return day_start(text, when);
}

void SearchReportBuilder::add_line(std::string_view line) {
  LogEntry entry;
  if (!parse_log_line(line, entry) || !is_report_date(entry.day)) {
    ++totals_.unreadable_lines;
    return;
  }
  if (!since_.empty() && entry.day < since_) return;
  const std::string day(entry.day);
  DayCount& count = days_[day];
  count.day = day;
  ++count.searches;
  ++totals_.searches;
  const std::string query(entry.query);
  ++queries_[query];
  if (entry.found == 0) {
    ++count.found_nothing;
    ++totals_.found_nothing;
    ++nothing_[query];
  }
  if (entry.found == kLogNoCount) ++totals_.failed;
  slowest_.push_back({std::string(entry.time), std::string(entry.indexes), query, entry.found,
                      entry.microseconds});
  // Only the slowest are kept, pruned now and then rather than at each line.
  if (slowest_.size() >= 4 * kReportListLength) {
    std::partial_sort(slowest_.begin(),
                      slowest_.begin() + static_cast<std::ptrdiff_t>(kReportListLength),
                      slowest_.end(), slower);
    slowest_.resize(kReportListLength);
  }
}

bool SearchReportBuilder::add_file(const std::string& path) {
  FILE* file = fopen(path.c_str(), "re");
  if (file == nullptr) return false;
  // One byte more than a line may have: a longer line is seen as such and
  // skipped to its end.
  char line[kLogLineSize + 1];
  bool skipping = false;
  while (fgets(line, sizeof line, file) != nullptr) {
    const size_t length = strlen(line);
    const bool whole = length > 0 && line[length - 1] == '\n';
    if (skipping) {
      skipping = !whole;
      continue;
    }
    if (!whole) {
      // Too long, or the last line without its line feed: a torn write.
      ++totals_.unreadable_lines;
      skipping = true;
      continue;
    }
    add_line(std::string_view(line, length - 1));
  }
  const bool read_whole = ferror(file) == 0;
  fclose(file);
  return read_whole;
}

SearchReport SearchReportBuilder::finish() const {
  SearchReport report = totals_;
  time_t first = 0, last = 0;
  const bool fill = !days_.empty() && day_start(days_.begin()->first, first) &&
                    day_start(days_.rbegin()->first, last) &&
                    (last - first) / kSecondsPerDay < kMaxFilledDays;
  if (fill) {
    for (time_t day = first; day <= last; day += kSecondsPerDay) {
      const auto found = days_.find(day_text(day));
      report.days.push_back(found != days_.end() ? found->second : DayCount{day_text(day), 0, 0});
    }
  } else {
    for (const auto& [day, count] : days_) report.days.push_back(count);
  }
  report.frequent = most_searched(queries_, kReportListLength);
  report.nothing_found = most_searched(nothing_, kReportListLength);
  report.slowest = slowest_;
  std::sort(report.slowest.begin(), report.slowest.end(), slower);
  if (report.slowest.size() > kReportListLength) report.slowest.resize(kReportListLength);
  return report;
}

}  // namespace zeb::admin
