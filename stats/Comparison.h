// Comparing a run with a baseline: the ratio of median times with a bootstrap confidence
// interval, and rank tests that say whether a difference is more than noise. No input or output.
#pragma once

#include <vector>

namespace stats {

// A ratio of medians and its 95 % confidence interval.
struct RatioInterval {
  double Ratio = 0, Low = 0, High = 0;
  bool operator==(const RatioInterval&) const = default;
};

// median(now) ÷ median(before) with a 95 % percentile bootstrap interval from 10,000 resamples,
// each drawing `now` and `before` independently with replacement. The seed is fixed, so the same
// times give the same interval on every platform. Times must be positive; all zero when either
// side is empty.
RatioInterval MedianRatio(const std::vector<double>& now, const std::vector<double>& before);

// The same for rounds measured in pairs (now[i] and before[i] in round i): each resample draws
// rounds, keeping both times of a round together. Throws std::invalid_argument when the sizes
// differ.
RatioInterval PairedMedianRatio(const std::vector<double>& now, const std::vector<double>& before);

// The two-sided p-value of the Mann–Whitney U test that a and b come from one distribution.
// Exact when no value occurs twice and each side has at most 50 values; otherwise the normal
// approximation with tie and continuity correction. 1 when either side is empty.
double MannWhitneyP(const std::vector<double>& a, const std::vector<double>& b);

// The two-sided p-value of the Wilcoxon signed-rank test that the differences are centred on
// zero. Zero differences are dropped. Exact when no two |d| are equal and at most 50 remain;
// otherwise the normal approximation with tie and continuity correction. 1 when none remain.
double WilcoxonSignedRankP(const std::vector<double>& differences);

// The signed-rank test on the per-round log ratios log(now[i] / before[i]). Throws
// std::invalid_argument when the sizes differ.
double PairedRatioP(const std::vector<double>& now, const std::vector<double>& before);

}  // namespace stats
