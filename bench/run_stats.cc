#include "run_stats.h"

#include <algorithm>

namespace zeb::bench {

Summary summarize(std::vector<int64_t> samples) {
  Summary s;
  if (samples.empty()) return s;
  std::sort(samples.begin(), samples.end());
  const size_t n = samples.size();
  s.min = samples.front();
  s.max = samples.back();
  s.median = n % 2 ? samples[n / 2] : samples[n / 2 - 1] + (samples[n / 2] - samples[n / 2 - 1]) / 2;
  return s;
}

}  // namespace zeb::bench
