#include "backend/row_extras.h"

#include <charconv>
#include <cstdio>
#include <ctime>

#include "backend/excerpt_maker.h"
#include "backend/excerpt_source.h"

namespace zeb::backend {

std::string stamp_date(std::string_view stamp) {
  long long nanoseconds = 0;
  const auto [end, error] =
      std::from_chars(stamp.data(), stamp.data() + stamp.size(), nanoseconds);
  if (error != std::errc() || end == stamp.data()) return {};
  // Floor division: a file from before 1970 has a negative stamp.
  long long seconds = nanoseconds / 1000000000;
  if (nanoseconds % 1000000000 < 0) --seconds;
  const time_t when = static_cast<time_t>(seconds);
  tm parts{};
  if (gmtime_r(&when, &parts) == nullptr || parts.tm_year + 1900 < 0 || parts.tm_year + 1900 > 9999)
    return {};
  char text[32];
  snprintf(text, sizeof text, "%04d-%02d-%02d", parts.tm_year + 1900, parts.tm_mon + 1,
           parts.tm_mday);
  return text;
}

void make_row_extras(const RowExtrasWanted& wanted, std::string_view stamp,
                     std::string_view excerpt_value, const ExcerptReader& reader,
                     RowExtras& out) {
  out = RowExtras{};
  if (wanted.date) out.date = stamp_date(stamp);
  if (wanted.excerpt_words == 0 || !wanted.terms) return;
  ExcerptSource source;
  if (!decode_excerpt_source(excerpt_value, source)) return;
  const Excerpt excerpt = make_excerpt(source, *wanted.terms, wanted.excerpt_words, reader);
  out.excerpt = excerpt.text;
  if (excerpt.section != nullptr && !excerpt.section->anchor.empty()) {
    out.section.assign(excerpt.section->anchor);
    out.section += '\0';
    out.section += excerpt.section->heading;
  }
}

}  // namespace zeb::backend
