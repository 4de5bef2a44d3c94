#include "backend/row_extras.h"

#include <charconv>
#include <chrono>
#include <cstdio>

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
  // The calendar by arithmetic: gmtime_r would first read the time zone
  // file, which a date in UTC does not need.
  long long days = seconds / 86400;
  if (seconds % 86400 < 0) --days;
  using namespace std::chrono;
  constexpr long long kLeast = sys_days(year(0) / January / 1).time_since_epoch().count();
  constexpr long long kMost = sys_days(year(9999) / December / 31).time_since_epoch().count();
  if (days < kLeast || days > kMost) return {};
  const year_month_day date{sys_days(sys_days::duration(static_cast<int>(days)))};
  char text[32];
  snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
           static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
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
