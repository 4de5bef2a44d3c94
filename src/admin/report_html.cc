// The report as one HTML page. The charts are inline SVG drawn from the
// counts alone: bars scale to the largest value of their chart, so the page
// reads the same on a phone (the SVG scales to the width) as on a desk.
#include <algorithm>
#include <cinttypes>

#include "admin/report_output.h"
#include "request/html_escape.h"

namespace zeb::admin {

namespace {

constexpr const char* kPageHead =
    "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
    "<title>Search report: %s</title>\n<style>\n"
    "body{font-family:sans-serif;color:#222;max-width:46em;margin:0 auto;padding:.5em 1em}\n"
    "h1{font-size:1.4em}h2{font-size:1.15em;margin-top:1.8em}\n"
    "svg.days{display:block;width:100%%;height:auto}\n"
    "svg.days text{font-size:10px;fill:#555}\n"
    "table{border-collapse:collapse;width:100%%}\n"
    "td,th{padding:.25em .4em;text-align:left;vertical-align:top}\n"
    "th{font-weight:normal;color:#555;border-bottom:1px solid #ccc}\n"
    "tr:nth-child(even) td{background:#f4f6f8}\n"
    ".n{text-align:right;white-space:nowrap}\n"
    "td.q{overflow-wrap:anywhere}\n"
    "td.bar{width:30%%}td.bar svg{display:block;width:100%%;height:.8em}\n"
    ".searches{fill:#4a7fb5}.nothing{fill:#d9822b}\n"
    ".key{display:inline-block;width:.8em;height:.8em;margin:0 .3em 0 .8em}\n"
    ".detail{color:#666;font-size:.85em}\n"
    "</style>\n</head>\n<body>\n";

// The searches-per-day chart's drawing area, in SVG units.
constexpr double kChartWidth = 400, kChartHeight = 180;
constexpr double kLeft = 40, kRight = 6, kTop = 10, kBottom = 24;

void put_query(FILE* out, const std::string& query) {
  if (query.empty()) {
    fputs("<i>(empty)</i>", out);
  } else {
    put_html(out, query);
  }
}

// A bar across a table cell, `part` of the cell's width.
void put_bar(FILE* out, double part, const char* kind) {
  fprintf(out,
          "<td class=\"bar\"><svg viewBox=\"0 0 100 10\" preserveAspectRatio=\"none\" "
          "aria-hidden=\"true\"><rect class=\"%s\" width=\"%.2f\" height=\"10\"/></svg></td>",
          kind, 100 * part);
}

void write_days(FILE* out, const std::vector<DayCount>& days) {
  fputs("<h2>Searches per day</h2>\n", out);
  if (days.empty()) {
    fputs("<p>No searches.</p>\n", out);
    return;
  }
  uint64_t most = 1;
  for (const DayCount& day : days) most = std::max(most, day.searches);
  const double plot_width = kChartWidth - kLeft - kRight;
  const double plot_height = kChartHeight - kTop - kBottom;
  const double slot = plot_width / static_cast<double>(days.size());
  const double bottom = kTop + plot_height;
  fprintf(out,
          "<svg class=\"days\" viewBox=\"0 0 %.0f %.0f\" role=\"img\" "
          "aria-label=\"Searches per day\">\n",
          kChartWidth, kChartHeight);
  fprintf(out,
          "<line x1=\"%.0f\" y1=\"%.0f\" x2=\"%.0f\" y2=\"%.0f\" stroke=\"#ccc\"/>"
          "<line x1=\"%.0f\" y1=\"%.2f\" x2=\"%.0f\" y2=\"%.2f\" stroke=\"#999\"/>\n",
          kLeft, kTop, kChartWidth - kRight, kTop, kLeft, bottom, kChartWidth - kRight, bottom);
  fprintf(out,
          "<text x=\"%.0f\" y=\"%.0f\" text-anchor=\"end\">%" PRIu64
          "</text>"
          "<text x=\"%.0f\" y=\"%.2f\" text-anchor=\"end\">0</text>\n",
          kLeft - 4, kTop + 4, most, kLeft - 4, bottom + 4);
  for (size_t i = 0; i < days.size(); ++i) {
    const DayCount& day = days[i];
    const double x = kLeft + slot * static_cast<double>(i) + slot * 0.1;
    const double width = slot * 0.8;
    const double height =
        plot_height * static_cast<double>(day.searches) / static_cast<double>(most);
    const double nothing =
        plot_height * static_cast<double>(day.found_nothing) / static_cast<double>(most);
    fprintf(out,
            "<g><title>%s: %" PRIu64 " searches, %" PRIu64
            " found nothing</title>"
            "<rect class=\"searches\" x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\"/>"
            "<rect class=\"nothing\" x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\"/></g>\n",
            day.day.c_str(), day.searches, day.found_nothing, x, bottom - height, width, height, x,
            bottom - nothing, width, nothing);
  }
  fprintf(out, "<text x=\"%.0f\" y=\"%.0f\">%s</text>", kLeft, kChartHeight - 6,
          days.front().day.c_str());
  if (days.size() > 1)
    fprintf(out, "<text x=\"%.0f\" y=\"%.0f\" text-anchor=\"end\">%s</text>", kChartWidth - kRight,
            kChartHeight - 6, days.back().day.c_str());
  fputs(
      "\n</svg>\n<p class=\"detail\"><span class=\"key\" style=\"background:#4a7fb5\"></span>"
      "searches<span class=\"key\" style=\"background:#d9822b\"></span>found nothing</p>\n",
      out);
}

void write_queries(FILE* out, const char* title, const char* note,
                   const std::vector<QueryCount>& list, const char* kind) {
  fprintf(out, "<h2>%s</h2>\n", title);
  if (note != nullptr) fprintf(out, "<p class=\"detail\">%s</p>\n", note);
  if (list.empty()) {
    fputs("<p>None.</p>\n", out);
    return;
  }
  const double most = static_cast<double>(list.front().searches);
  fputs("<table>\n<tr><th>query</th><th class=\"n\">searches</th><th></th></tr>\n", out);
  for (const QueryCount& entry : list) {
    fputs("<tr><td class=\"q\">", out);
    put_query(out, entry.query);
    fprintf(out, "</td><td class=\"n\">%" PRIu64 "</td>", entry.searches);
    put_bar(out, static_cast<double>(entry.searches) / most, kind);
    fputs("</tr>\n", out);
  }
  fputs("</table>\n", out);
}

void write_slowest(FILE* out, const std::vector<SlowSearch>& list) {
  fputs("<h2>Slowest searches</h2>\n", out);
  if (list.empty()) {
    fputs("<p>None.</p>\n", out);
    return;
  }
  const double most = std::max<double>(1, static_cast<double>(list.front().microseconds));
  fputs("<table>\n<tr><th>query</th><th class=\"n\">ms</th><th></th></tr>\n", out);
  for (const SlowSearch& search : list) {
    fputs("<tr><td class=\"q\">", out);
    put_query(out, search.query);
    fputs("<br><span class=\"detail\">", out);
    put_html(out, search.time);
    fputs(" &middot; ", out);
    put_html(out, search.indexes);
    if (search.found < 0) {
      fputs(" &middot; failed", out);
    } else {
      fprintf(out, " &middot; found %" PRId64, search.found);
    }
    fprintf(out, "</span></td><td class=\"n\">%" PRIu64 ".%03u</td>", search.microseconds / 1000,
            static_cast<unsigned>(search.microseconds % 1000));
    put_bar(out, static_cast<double>(search.microseconds) / most, "searches");
    fputs("</tr>\n", out);
  }
  fputs("</table>\n", out);
}

}  // namespace

void write_html_report(FILE* out, const std::string& instance, const SearchReport& report) {
  const std::string name = html_escape(instance);
  fprintf(out, kPageHead, name.c_str());
  fprintf(out, "<h1>Search report: %s</h1>\n<p>", name.c_str());
  if (!report.days.empty())
    fprintf(out, "%s to %s: ", report.days.front().day.c_str(), report.days.back().day.c_str());
  fprintf(out,
          "<b>%" PRIu64 "</b> searches, <b>%" PRIu64 "</b> found nothing, <b>%" PRIu64
          "</b> failed.</p>\n",
          report.searches, report.found_nothing, report.failed);
  if (report.unreadable_lines != 0)
    fprintf(out, "<p>%" PRIu64 " lines of the log were not understood.</p>\n",
            report.unreadable_lines);
  write_days(out, report.days);
  write_queries(out, "Most frequent queries", nullptr, report.frequent, "searches");
  write_queries(out, "Queries that found nothing",
                "What visitors looked for and did not find: pages the site may be missing, "
                "or words it spells differently.",
                report.nothing_found, "nothing");
  write_slowest(out, report.slowest);
  fputs("</body>\n</html>\n", out);
}

}  // namespace zeb::admin
