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

// How many times B's figure is A's: r = f_B / f_A, with the spread the figures of their single
// runs give, σ_r = r · √((σ_A / m_A)² + (σ_B / m_B)²), σ and m the deviation and mean of a side's
// runs' figures. No spread when a side has a single run, or a run whose figure is not above 0:
// a spread relative to such a figure means nothing.
struct Ratio {
  double Factor = 0;
  std::optional<double> Deviation;
};
Ratio Slower(double a, const Summary& runsA, double b, const Summary& runsB);

// The geometric mean of positive values: exp of the mean of their logarithms; 0 for none.
double GeometricMean(const std::vector<double>& values);

// The median of the values; 0 for none.
double Median(const std::vector<double>& values);

// Whether the times spread as on a busy machine: the maximum above 1.5 times the median.
bool Scattered(const Summary& s);

}  // namespace stats
