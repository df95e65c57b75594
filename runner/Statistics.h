// Summaries of repeated timings.
#pragma once

#include <vector>

namespace runner {

// Minimum, median and maximum of a set of times (all 0 for none).
struct Spread {
  double Minimum = 0, Median = 0, Maximum = 0;
};
Spread SpreadOf(const std::vector<double>& values);

}  // namespace runner
