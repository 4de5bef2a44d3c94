// The line the search log holds for one request, written by zebsrch and read
// by `zebadm report`. One line a request, five fields separated by tabs:
//
//   TIME<TAB>INDEXES<TAB>QUERY<TAB>FOUND<TAB>MILLISECONDS<LF>
//
//   TIME          when the request began, UTC: 2026-12-08T16:59:39Z
//   INDEXES       the indexes searched, comma-separated; "-" when none opened
//   QUERY         the normalised query (cgi/logged_query.h); may be empty
//   FOUND         the found count, or "-" when no search ran (an error page)
//   MILLISECONDS  the request's time, with three decimals: 4.217
//
// INDEXES and QUERY are escaped: "\" is written "\\" and every byte below 32
// and 127 as "\xHH" (two upper-case hex digits), so that no text from the
// form can end a field or a line; in INDEXES a "," inside a name is
// "\x2C". A field is cut whole at its width, never inside an escape, so a
// line never exceeds kLogLineSize bytes and goes out in one write.
// Nothing identifies the visitor: no address, no agent, no cookie.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string_view>

namespace zeb {

// Where the instance keeps the setting and the log (below ZEBINSTSRV). The
// setting is the file's presence; zebadm makes and removes it.
constexpr const char* kSearchLogSetting = "search-log.on";
constexpr const char* kSearchLogDir = "logs";
constexpr const char* kSearchLogFile = "logs/search.log";

constexpr size_t kLogLineSize = 2048;    // the longest line, line feed included
constexpr size_t kLogIndexesSize = 256;  // escaped bytes of INDEXES
constexpr size_t kLogQuerySize = 1536;   // escaped bytes of QUERY
constexpr size_t kLogTimeLength = 20;    // 2026-12-08T16:59:39Z
constexpr int64_t kLogNoCount = -1;      // FOUND "-"

// A field under construction: bytes go in escaped; once the next one does
// not fit, the field is full and takes nothing more.
class LogField {
 public:
  LogField(char* text, size_t capacity) : text_(text), capacity_(capacity) {}

  void put(unsigned char byte, bool escape_comma = false);
  // A word break: one blank before the next byte, none at the field's start.
  void blank() { blank_pending_ = length_ != 0; }
  size_t length() const { return length_; }

 private:
  void write(const char* bytes, size_t count);

  char* text_;
  size_t capacity_;
  size_t length_ = 0;
  bool blank_pending_ = false;
  bool full_ = false;
};

struct LogRecord {
  time_t time = 0;
  std::string_view indexes;  // already escaped, or empty for "-"
  std::string_view query;    // already escaped
  int64_t found = kLogNoCount;
  uint64_t microseconds = 0;
};

// The whole line, line feed included; its length.
size_t format_log_line(char (&line)[kLogLineSize], const LogRecord& record);

// A line as read back, without its line feed. The views point into the line.
struct LogEntry {
  std::string_view time;  // kLogTimeLength bytes
  std::string_view day;   // YYYY-MM-DD, the start of time
  std::string_view indexes;
  std::string_view query;
  int64_t found = kLogNoCount;
  uint64_t microseconds = 0;
};

// False for anything format_log_line cannot have written.
bool parse_log_line(std::string_view line, LogEntry& entry);

}  // namespace zeb
