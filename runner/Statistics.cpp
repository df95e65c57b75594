#include "Statistics.h"

#include <algorithm>

namespace runner {

Spread SpreadOf(const std::vector<double>& values) {
  if (values.empty()) return {};
  std::vector<double> sorted = values;
  std::sort(sorted.begin(), sorted.end());
  const std::size_t n = sorted.size();
  const double median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
  return {sorted.front(), median, sorted.back()};
}

}  // namespace runner
