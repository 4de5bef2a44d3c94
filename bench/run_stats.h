// Summary of repeated timings: the median is what the benchmark reports,
// since a shared machine adds rare long outliers that would drag a mean.
#pragma once

#include <cstdint>
#include <vector>

namespace zeb::bench {

struct Summary {
  int64_t median = 0;  // mean of the two middle samples for an even count
  int64_t min = 0;
  int64_t max = 0;
};

// All zero for no samples.
Summary summarize(std::vector<int64_t> samples);

// The median over the rounds of a[i] / b[i], for timings of two programs
// taken by turns: a slow spell of the machine falls on both runs of a round
// and leaves their ratio as it was. 0 when there is no round with b[i] > 0.
double median_ratio(const std::vector<int64_t>& a, const std::vector<int64_t>& b);

}  // namespace zeb::bench
