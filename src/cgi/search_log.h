// The search log of an instance: when the instance's setting is on, each
// request appends one line (request/search_log_line.h) to its log. The log
// is for the site's owner (`zebadm report`); it never changes a page, and
// nothing that goes wrong with it reaches the visitor: a log that cannot be
// opened or written (missing folder, full disk, file size limit, a pipe put
// in its place) costs its line and nothing else.
//
// Cost: with the setting off, a request pays one stat of the setting file.
// With it on, the log is opened, written with one write() and closed again
// for each request, so a log that logrotate has moved away is made anew at
// the next request and no descriptor is held between requests. O_APPEND
// and a single write of a whole, bounded line keep lines of concurrent
// requests whole and apart.
#pragma once

#include <ctime>

#include "request/search_request.h"

namespace zeb {

struct SearchLogStart {
  bool on = false;
  time_t time = 0;   // when the request began
  timespec clock{};  // the same, on the monotonic clock
};

// At the start of a request, before the form is read: is the setting of the
// instance named by ZEBINSTSRV on, and if so, when the request began.
SearchLogStart start_search_log();

// At the end of a request, after its page is closed and before its search
// engine objects are released (the found count and index names are still
// there): appends the request's line when the setting was on.
void write_search_log(const SearchLogStart& start, const SearchRequest& request);

}  // namespace zeb
