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

double median_ratio(const std::vector<int64_t>& a, const std::vector<int64_t>& b) {
  std::vector<double> ratios;
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    if (b[i] > 0) ratios.push_back(static_cast<double>(a[i]) / static_cast<double>(b[i]));
  }
  if (ratios.empty()) return 0;
  std::sort(ratios.begin(), ratios.end());
  const size_t n = ratios.size();
  return n % 2 ? ratios[n / 2] : (ratios[n / 2 - 1] + ratios[n / 2]) / 2;
}

}  // namespace zeb::bench
