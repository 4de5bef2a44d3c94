// The progress line of a long run: "  412/1173 documents  380/s  0:02 left",
// redrawn in place on a terminal a few times a second. Off when the sink is
// not a terminal (scripts and logs get only the summary).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>

namespace zeb::admin {

class Progress {
 public:
  // `enabled` is usually is_terminal(sink).
  Progress(FILE* sink, size_t total, bool enabled);
  ~Progress();

  void update(size_t done);
  // Clears the line before other output; the next update draws it again.
  void clear_line();
  // Clears the line; further updates draw nothing.
  void finish();
  double elapsed_seconds() const;

  static bool is_terminal(FILE* sink);

 private:
  using Clock = std::chrono::steady_clock;
  void draw(size_t done);

  FILE* sink_;
  size_t total_;
  bool enabled_;
  bool drawn_ = false;
  Clock::time_point start_;
  Clock::time_point last_draw_;
};

}  // namespace zeb::admin
