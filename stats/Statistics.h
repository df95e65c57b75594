// Plain numbers of repeated timings: mean, deviation, median, and how much slower one solver is
// than another. No input or output.
#pragma once

#include <optional>
#include <vector>

namespace stats {

struct Summary {
  int Count = 0;
  double Mean = 0;
  std::optional<double> Deviation;  // the sample standard deviation; none for a single value
  double Minimum = 0, Median = 0, Maximum = 0;
};

// All zero for no values.
Summary Summarize(const std::vector<double>& values);

// How many times slower B is than A: r = m_B / m_A, with
// σ_r = r · √((σ_A / m_A)² + (σ_B / m_B)²) when both have a deviation.
struct Ratio {
  double Factor = 0;
  std::optional<double> Deviation;
};
Ratio Slower(const Summary& a, const Summary& b);

// The geometric mean of positive values: exp of the mean of their logarithms; 0 for none.
double GeometricMean(const std::vector<double>& values);

// The median of the values; 0 for none.
double Median(const std::vector<double>& values);

// Whether the times spread as on a busy machine: the maximum above 1.5 times the median.
bool Scattered(const Summary& s);

}  // namespace stats
