// The one escaping function for text from the posted form or from the search
// engine's answers written into the page: & < > " become entities. Templates
// and the program's own fixed texts are written as they are.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace zeb {

// For use as a printf argument: html_escape(text).c_str().
std::string html_escape(std::string_view text);

// Writes the escaped text straight to `out`.
void put_html(FILE* out, std::string_view text);

}  // namespace zeb
