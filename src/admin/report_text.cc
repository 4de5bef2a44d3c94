// The report as plain text.
#include <cinttypes>

#include "admin/report_output.h"

namespace zeb::admin {

namespace {

const char* shown_query(const std::string& query) {
  return query.empty() ? "(empty)" : query.c_str();
}

void write_queries(FILE* out, const char* title, const std::vector<QueryCount>& list) {
  fprintf(out, "\n%s\n", title);
  if (list.empty()) fputs("  none\n", out);
  for (const QueryCount& entry : list)
    fprintf(out, "  %8" PRIu64 "  %s\n", entry.searches, shown_query(entry.query));
}

}  // namespace

void write_text_report(FILE* out, const std::string& instance, const SearchReport& report) {
  fprintf(out, "Search report of instance %s\n", instance.c_str());
  if (!report.days.empty())
    fprintf(out, "%s to %s: ", report.days.front().day.c_str(), report.days.back().day.c_str());
  fprintf(out, "%" PRIu64 " searches, %" PRIu64 " found nothing, %" PRIu64 " failed\n",
          report.searches, report.found_nothing, report.failed);
  if (report.unreadable_lines != 0)
    fprintf(out, "%" PRIu64 " lines of the log were not understood\n", report.unreadable_lines);

  fputs("\nSearches per day\n", out);
  if (report.days.empty()) fputs("  none\n", out);
  for (const DayCount& day : report.days)
    fprintf(out, "  %s  %8" PRIu64 "  (%" PRIu64 " found nothing)\n", day.day.c_str(), day.searches,
            day.found_nothing);

  write_queries(out, "Most frequent queries", report.frequent);
  write_queries(out, "Queries that found nothing", report.nothing_found);

  fputs("\nSlowest searches (milliseconds, time, found, indexes, query)\n", out);
  if (report.slowest.empty()) fputs("  none\n", out);
  for (const SlowSearch& search : report.slowest) {
    const std::string found = search.found < 0 ? "-" : std::to_string(search.found);
    fprintf(out, "  %10" PRIu64 ".%03u  %s  %6s  %s  %s\n", search.microseconds / 1000,
            static_cast<unsigned>(search.microseconds % 1000), search.time.c_str(), found.c_str(),
            search.indexes.c_str(), shown_query(search.query));
  }
}

}  // namespace zeb::admin
