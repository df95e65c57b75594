#include "Statistics.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace stats {

Summary Summarize(const std::vector<double>& values) {
  Summary s;
  if (values.empty()) return s;
  std::vector<double> sorted = values;
  std::sort(sorted.begin(), sorted.end());
  const std::size_t n = sorted.size();
  s.Count = static_cast<int>(n);
  s.Mean = std::accumulate(sorted.begin(), sorted.end(), 0.0) / static_cast<double>(n);
  if (n > 1) {
    double squares = 0;
    for (double v : sorted) squares += (v - s.Mean) * (v - s.Mean);
    s.Deviation = std::sqrt(squares / static_cast<double>(n - 1));
  }
  s.Minimum = sorted.front();
  s.Median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
  s.Maximum = sorted.back();
  return s;
}

Ratio Slower(double a, const Summary& runsA, double b, const Summary& runsB) {
  Ratio r;
  r.Factor = b / a;
  const auto spreads = [](const Summary& runs) { return runs.Deviation && runs.Minimum > 0; };
  if (spreads(runsA) && spreads(runsB)) {
    r.Deviation =
        r.Factor * std::hypot(*runsA.Deviation / runsA.Mean, *runsB.Deviation / runsB.Mean);
  }
  return r;
}

double GeometricMean(const std::vector<double>& values) {
  if (values.empty()) return 0;
  double logs = 0;
  for (double v : values) logs += std::log(v);
  return std::exp(logs / static_cast<double>(values.size()));
}

double Median(const std::vector<double>& values) {
  return Summarize(values).Median;
}

bool Scattered(const Summary& s) {
  return s.Count > 0 && s.Maximum > 1.5 * s.Median;
}

}  // namespace stats
