#include "admin/progress.h"

#include <unistd.h>

namespace zeb::admin {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(200);

}  // namespace

Progress::Progress(FILE* sink, size_t total, bool enabled)
    : sink_(sink), total_(total), enabled_(enabled), start_(Clock::now()), last_draw_(start_) {}

Progress::~Progress() { finish(); }

bool Progress::is_terminal(FILE* sink) { return sink && ::isatty(::fileno(sink)) == 1; }

double Progress::elapsed_seconds() const {
  return std::chrono::duration<double>(Clock::now() - start_).count();
}

void Progress::update(size_t done) {
  if (!enabled_) return;
  const auto now = Clock::now();
  if (drawn_ && now - last_draw_ < kRedrawInterval) return;
  last_draw_ = now;
  draw(done);
}

void Progress::draw(size_t done) {
  const double seconds = elapsed_seconds();
  const double rate = seconds > 0 ? done / seconds : 0;
  fprintf(sink_, "\r  %zu/%zu documents  %.0f/s", done, total_, rate);
  if (rate > 0 && done < total_) {
    const long left = static_cast<long>((total_ - done) / rate + 0.5);
    fprintf(sink_, "  %ld:%02ld left", left / 60, left % 60);
  }
  fputs("\x1b[K", sink_);
  fflush(sink_);
  drawn_ = true;
}

void Progress::clear_line() {
  if (enabled_ && drawn_) {
    fputs("\r\x1b[K", sink_);
    drawn_ = false;
  }
}

void Progress::finish() {
  if (enabled_ && drawn_) {
    fputs("\r\x1b[K", sink_);
    fflush(sink_);
  }
  enabled_ = false;
}

}  // namespace zeb::admin
