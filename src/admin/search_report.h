// What `zebadm report` tells of an instance's search log
// (request/search_log_line.h): searches per day, the most frequent queries,
// the queries that found nothing and the slowest searches. The queries stay
// as the log escapes them, so whatever a visitor typed prints as safe text.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace zeb::admin {

// The length of each list of the report.
constexpr size_t kReportListLength = 20;
// Days without searches are drawn between the first and the last day only
// while the span is at most this long (a stray date cannot make millions).
constexpr int kMaxFilledDays = 3660;

struct DayCount {
  std::string day;  // YYYY-MM-DD
  uint64_t searches = 0;
  uint64_t found_nothing = 0;
};

struct QueryCount {
  std::string query;
  uint64_t searches = 0;
};

struct SlowSearch {
  std::string time;
  std::string indexes;
  std::string query;
  int64_t found = -1;  // -1: no search ran
  uint64_t microseconds = 0;
};

struct SearchReport {
  uint64_t searches = 0;
  uint64_t found_nothing = 0;  // searches that ran and found nothing
  uint64_t failed = 0;         // requests whose search did not run
  uint64_t unreadable_lines = 0;
  std::vector<DayCount> days;        // in date order
  std::vector<QueryCount> frequent;  // most searched first, then by text
  std::vector<QueryCount> nothing_found;
  std::vector<SlowSearch> slowest;  // slowest first, then by time
};

// A date as --since takes it: YYYY-MM-DD of a real day.
bool is_report_date(std::string_view text);

// Collects the lines of one or more logs, oldest first.
class SearchReportBuilder {
 public:
  // `since`: a YYYY-MM-DD date, or empty; lines of earlier days are left out.
  explicit SearchReportBuilder(std::string since = {}) : since_(std::move(since)) {}

  // One line without its line feed.
  void add_line(std::string_view line);
  // Every line of the file `path`; false when it cannot be read.
  bool add_file(const std::string& path);

  SearchReport finish() const;

 private:
  std::string since_;
  SearchReport totals_;
  std::map<std::string, DayCount> days_;
  std::map<std::string, uint64_t> queries_;
  std::map<std::string, uint64_t> nothing_;
  std::vector<SlowSearch> slowest_;
};

}  // namespace zeb::admin
