#include "cgi/search_log.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "cgi/logged_query.h"
#include "request/search_log_line.h"

namespace zeb {

namespace {

// The longest path of the setting or the log; an instance directory too long
// for it has no log.
constexpr size_t kLogPathSize = 4096;

bool instance_file(char (&path)[kLogPathSize], const char* dir, const char* name) {
  if (dir == nullptr) return false;
  const int length = snprintf(path, sizeof path, "%s/%s", dir, name);
  return length > 0 && static_cast<size_t>(length) < sizeof path;
}

uint64_t microseconds_since(const timespec& start) {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const int64_t micros = (static_cast<int64_t>(now.tv_sec) - start.tv_sec) * 1000000 +
                         (now.tv_nsec - start.tv_nsec) / 1000;
  return micros > 0 ? static_cast<uint64_t>(micros) : 0;
}

}  // namespace

SearchLogStart start_search_log() {
  SearchLogStart start;
  char path[kLogPathSize];
  struct stat info;
  if (!instance_file(path, getenv("ZEBINSTSRV"), kSearchLogSetting) || stat(path, &info) != 0)
    return start;
  start.on = true;
  start.time = time(nullptr);
  clock_gettime(CLOCK_MONOTONIC, &start.clock);
  return start;
}

void write_search_log(const SearchLogStart& start, const SearchRequest& request) {
  char path[kLogPathSize];
  if (!start.on || !instance_file(path, request.instance_dir, kSearchLogFile)) return;

  char indexes[kLogIndexesSize];
  LogField indexes_field(indexes, sizeof indexes);
  write_logged_indexes(request, indexes_field);
  char query[kLogQuerySize];
  LogField query_field(query, sizeof query);
  write_logged_query(request, query_field);

  LogRecord record;
  record.time = start.time;
  record.indexes = {indexes, indexes_field.length()};
  record.query = {query, query_field.length()};
  // A result handle means the search ran, whatever it found.
  record.found = request.result != 0 ? static_cast<int64_t>(request.found) : kLogNoCount;
  record.microseconds = microseconds_since(start.clock);
  char line[kLogLineSize];
  const size_t length = format_log_line(line, record);
  if (length == 0) return;

  // Past a file size limit the write fails with EFBIG instead of ending the
  // process (once per process is enough). O_NONBLOCK: a pipe in the log's
  // place cannot hold the request.
  [[maybe_unused]] static const bool size_signal_ignored = signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
  const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) return;
  // One write of the whole line: a retry could tear it, so a line that does
  // not go out at once is lost.
  [[maybe_unused]] const ssize_t written = write(fd, line, length);
  close(fd);
}

}  // namespace zeb
