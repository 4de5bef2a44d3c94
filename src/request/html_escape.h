// The one escaping function for text from the posted form or from the search
// engine's answers written into the page: & < > " become entities. Templates
// and the program's own fixed texts are written as they are.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace zeb {

// For use as a printf argument: html_escape(text).c_str().
std::string html_escape(std::string_view text);

// Writes the escaped text straight to `out`.
void put_html(FILE* out, std::string_view text);

// The longest entity a byte becomes.
constexpr size_t kLongestEntity = 6;

// Appends the escaped text to `buffer` (`size` bytes, the first `length` in
// use) as far as it fits without cutting an entity; advances `length` and
// returns how many bytes of `text` went in. A buffer with kLongestEntity
// bytes free always takes at least one.
size_t append_html(char* buffer, size_t size, size_t& length, std::string_view text);

}  // namespace zeb
