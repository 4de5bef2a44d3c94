#include "request/search_log_line.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace zeb {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr size_t kFieldCount = 5;
constexpr size_t kMaxCountDigits = 10;  // found counts are 32-bit
constexpr size_t kMaxWholeDigits = 12;  // milliseconds before the point

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Digits only, at most `most` of them, at least one.
bool parse_digits(std::string_view text, size_t most, uint64_t& value) {
  if (text.empty() || text.size() > most) return false;
  value = 0;
  for (char c : text) {
    if (!is_digit(c)) return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return true;
}

// YYYY-MM-DDTHH:MM:SSZ, digits where digits belong.
bool is_log_time(std::string_view text) {
  constexpr std::string_view kShape = "0000-00-00T00:00:00Z";
  if (text.size() != kShape.size()) return false;
  for (size_t i = 0; i < kShape.size(); ++i)
    if (kShape[i] == '0' ? !is_digit(text[i]) : text[i] != kShape[i]) return false;
  return true;
}

// What put() can have written: no byte below 32 and no 127.
bool is_escaped_text(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) < 32 || c == 127) return false;
  return true;
}

// "1234.567" into microseconds.
bool parse_milliseconds(std::string_view text, uint64_t& microseconds) {
  const size_t point = text.find('.');
  uint64_t whole = 0;
  uint64_t fraction = 0;
  if (point == std::string_view::npos || text.size() - point != 4 ||
      !parse_digits(text.substr(0, point), kMaxWholeDigits, whole) ||
      !parse_digits(text.substr(point + 1), 3, fraction))
    return false;
  microseconds = whole * 1000 + fraction;
  return true;
}

}  // namespace

void LogField::write(const char* bytes, size_t count) {
  const size_t blank = blank_pending_ ? 1 : 0;
  if (full_ || length_ + blank + count > capacity_) {
    full_ = true;
    return;
  }
  if (blank != 0) text_[length_++] = ' ';
  memcpy(text_ + length_, bytes, count);
  length_ += count;
  blank_pending_ = false;
}

void LogField::put(unsigned char byte, bool escape_comma) {
  if (byte == '\\') {
    write("\\\\", 2);
  } else if (byte < 32 || byte == 127 || (escape_comma && byte == ',')) {
    const char escape[4] = {'\\', 'x', kHexDigits[byte >> 4], kHexDigits[byte & 15]};
    write(escape, sizeof escape);
  } else {
    const char plain = static_cast<char>(byte);
    write(&plain, 1);
  }
}

size_t format_log_line(char (&line)[kLogLineSize], const LogRecord& record) {
  tm utc{};
  gmtime_r(&record.time, &utc);
  char time_text[kLogTimeLength + 1];
  if (strftime(time_text, sizeof time_text, "%Y-%m-%dT%H:%M:%SZ", &utc) != kLogTimeLength)
    memcpy(time_text, "0000-00-00T00:00:00Z", kLogTimeLength + 1);
  char found_text[24] = "-";
  if (record.found != kLogNoCount)
    snprintf(found_text, sizeof found_text, "%" PRId64, record.found);
  // %.*s holds each field to its width, should a caller pass more: the
  // widths keep the line within its size.
  const std::string_view indexes = record.indexes.empty() ? "-" : record.indexes;
  const int length = snprintf(
      line, sizeof line, "%s\t%.*s\t%.*s\t%s\t%" PRIu64 ".%03u\n", time_text,
      static_cast<int>(std::min(indexes.size(), kLogIndexesSize)), indexes.data(),
      static_cast<int>(std::min(record.query.size(), kLogQuerySize)), record.query.data(),
      found_text, record.microseconds / 1000, static_cast<unsigned>(record.microseconds % 1000));
  return length > 0 && static_cast<size_t>(length) < sizeof line ? static_cast<size_t>(length) : 0;
}

bool parse_log_line(std::string_view line, LogEntry& entry) {
  if (line.size() >= kLogLineSize) return false;
  std::string_view field[kFieldCount];
  size_t count = 0;
  for (size_t start = 0;;) {
    const size_t tab = line.find('\t', start);
    if (count == kFieldCount) return false;
    field[count++] = line.substr(start, tab == std::string_view::npos ? line.npos : tab - start);
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  uint64_t found = 0;
  if (count != kFieldCount || !is_log_time(field[0]) || field[1].empty() ||
      field[1].size() > kLogIndexesSize || field[2].size() > kLogQuerySize ||
      !is_escaped_text(field[1]) || !is_escaped_text(field[2]) ||
      !(field[3] == "-" || parse_digits(field[3], kMaxCountDigits, found)) ||
      !parse_milliseconds(field[4], entry.microseconds))
    return false;
  entry.time = field[0];
  entry.day = field[0].substr(0, 10);
  entry.indexes = field[1];
  entry.query = field[2];
  entry.found = field[3] == "-" ? kLogNoCount : static_cast<int64_t>(found);
  return true;
}

}  // namespace zeb
