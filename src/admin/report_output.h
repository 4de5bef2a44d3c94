// The two forms of `zebadm report`: plain text for a terminal, and one HTML
// page (no script, no outside resource) whose charts are inline SVG, laid
// out to be read on a phone as well. Every text from the log is written
// HTML-escaped in the page.
#pragma once

#include <cstdio>
#include <string>

#include "admin/search_report.h"

namespace zeb::admin {

// `instance`: the instance's name, for the headings.
void write_text_report(FILE* out, const std::string& instance, const SearchReport& report);
void write_html_report(FILE* out, const std::string& instance, const SearchReport& report);

}  // namespace zeb::admin
