#include "Comparison.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <utility>

#include "Statistics.h"

namespace stats {

namespace {

constexpr int Resamples = 10'000;
constexpr std::uint64_t Seed = 0x5d0c'3e55'2b17'a9f1;
// Above this many values a side the normal approximation is used; up to it the exact counts
// (at most C(100, 50) ≈ 10²⁹ arrangements, or 2⁵⁰ sign patterns) stay well within a double.
constexpr std::size_t ExactLimit = 50;

// An index below n, every one equally likely. std::uniform_int_distribution would be simpler,
// but how it maps the generator's numbers is left to each standard library, and the interval
// must not change with the compiler. Draws below 2⁶⁴ mod n are rejected, so that the remaining
// ones are a whole multiple of n and x mod n is unbiased.
std::size_t Below(std::mt19937_64& generator, std::size_t n) {
  const std::uint64_t bound = static_cast<std::uint64_t>(n);
  const std::uint64_t floor = (std::uint64_t{0} - bound) % bound;  // 2⁶⁴ mod n
  for (;;) {
    const std::uint64_t x = generator();
    if (x >= floor) return static_cast<std::size_t>(x % bound);
  }
}

// The median as stats::Median computes it, reordering the values instead of copying them.
double MedianInPlace(std::vector<double>& values) {
  const std::size_t half = values.size() / 2;
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(half);
  std::nth_element(values.begin(), middle, values.end());
  const double upper = *middle;
  if (values.size() % 2) return upper;
  return (*std::max_element(values.begin(), middle) + upper) / 2;
}

// The p-quantile of sorted values by linear interpolation between order statistics
// (Hyndman and Fan's definition 7, the usual default): position (N − 1)·p, counted from 0.
double Quantile(const std::vector<double>& sorted, double p) {
  const double position = static_cast<double>(sorted.size() - 1) * p;
  const std::size_t below = static_cast<std::size_t>(position);
  if (below + 1 >= sorted.size()) return sorted.back();
  const double fraction = position - static_cast<double>(below);
  return sorted[below] + fraction * (sorted[below + 1] - sorted[below]);
}

// The percentile interval of the ratios that draw(generator, now, before) resamples give.
template <typename Draw>
RatioInterval Bootstrap(const std::vector<double>& now, const std::vector<double>& before,
                        Draw draw) {
  RatioInterval interval;
  if (now.empty() || before.empty()) return interval;
  interval.Ratio = Median(now) / Median(before);
  std::mt19937_64 generator(Seed);
  std::vector<double> resampledNow(now.size()), resampledBefore(before.size());
  std::vector<double> ratios(Resamples);
  for (double& ratio : ratios) {
    draw(generator, resampledNow, resampledBefore);
    ratio = MedianInPlace(resampledNow) / MedianInPlace(resampledBefore);
  }
  std::sort(ratios.begin(), ratios.end());
  interval.Low = Quantile(ratios, 0.025);
  interval.High = Quantile(ratios, 0.975);
  return interval;
}

// Midranks of values sorted ascending, and whether any value occurs twice together with the
// tie term Σ (t³ − t) over groups of t equal values.
struct Ranking {
  std::vector<double> Ranks;
  bool Ties = false;
  double TieTerm = 0;
};

Ranking RankSorted(const std::vector<double>& sorted) {
  Ranking ranking;
  ranking.Ranks.resize(sorted.size());
  for (std::size_t first = 0; first < sorted.size();) {
    std::size_t last = first + 1;
    while (last < sorted.size() && sorted[last] == sorted[first]) ++last;
    const double t = static_cast<double>(last - first);
    const double midrank = static_cast<double>(first + last + 1) / 2;  // ranks count from 1
    for (std::size_t i = first; i < last; ++i) ranking.Ranks[i] = midrank;
    if (t > 1) {
      ranking.Ties = true;
      ranking.TieTerm += t * t * t - t;
    }
    first = last;
  }
  return ranking;
}

// Two-sided p from the counts of each value of an integral statistic, symmetric about its
// centre: twice the smaller tail, at most 1.
double TwoSided(const std::vector<double>& counts, std::size_t observed) {
  double total = 0, lower = 0, upper = 0;
  for (std::size_t s = 0; s < counts.size(); ++s) {
    total += counts[s];
    if (s <= observed) lower += counts[s];
    if (s >= observed) upper += counts[s];
  }
  return std::min(1.0, 2 * std::min(lower, upper) / total);
}

// Two-sided p of a statistic that is approximately normal, half a step moved towards the mean.
double NormalTwoSided(double statistic, double mean, double variance) {
  if (variance <= 0) return 1;
  const double z = std::max(0.0, std::abs(statistic - mean) - 0.5) / std::sqrt(variance);
  return std::min(1.0, std::erfc(z / std::sqrt(2.0)));
}

// How many of the C(n + m, n) orders of n and m values give each U from 0 to n·m. An order with
// U = u matches a partition of u into at most n parts of at most m each (part i: how many of
// the m values the i-th of the n lies above), so the counts come from partitions built up part
// size by part size — additions only, no cancellation.
std::vector<double> MannWhitneyCounts(std::size_t n, std::size_t m) {
  const std::size_t width = n * m + 1;
  std::vector<double> partitions((n + 1) * width, 0.0);  // [parts][sum]
  partitions[0] = 1;
  for (std::size_t size = 1; size <= m; ++size) {
    for (std::size_t parts = 1; parts <= n; ++parts) {
      double* row = &partitions[parts * width];
      const double* fewer = &partitions[(parts - 1) * width];
      for (std::size_t sum = size; sum < width; ++sum) row[sum] += fewer[sum - size];
    }
  }
  std::vector<double> counts(width, 0.0);
  for (std::size_t parts = 0; parts <= n; ++parts) {
    for (std::size_t sum = 0; sum < width; ++sum) counts[sum] += partitions[parts * width + sum];
  }
  return counts;
}

// How many of the 2ⁿ subsets of the ranks 1 … n have each sum from 0 to n(n + 1)/2.
std::vector<double> SignedRankCounts(std::size_t n) {
  std::vector<double> counts(n * (n + 1) / 2 + 1, 0.0);
  counts[0] = 1;
  for (std::size_t rank = 1; rank <= n; ++rank) {
    for (std::size_t sum = counts.size() - 1; sum >= rank; --sum) counts[sum] += counts[sum - rank];
  }
  return counts;
}

void RequireEqualSizes(const std::vector<double>& now, const std::vector<double>& before) {
  if (now.size() != before.size()) {
    throw std::invalid_argument("paired times need as many rounds on both sides");
  }
}

}  // namespace

RatioInterval MedianRatio(const std::vector<double>& now, const std::vector<double>& before) {
  return Bootstrap(now, before,
                   [&](std::mt19937_64& generator, std::vector<double>& resampledNow,
                       std::vector<double>& resampledBefore) {
                     for (double& v : resampledNow) v = now[Below(generator, now.size())];
                     for (double& v : resampledBefore) v = before[Below(generator, before.size())];
                   });
}

RatioInterval PairedMedianRatio(const std::vector<double>& now, const std::vector<double>& before) {
  RequireEqualSizes(now, before);
  return Bootstrap(now, before,
                   [&](std::mt19937_64& generator, std::vector<double>& resampledNow,
                       std::vector<double>& resampledBefore) {
                     for (std::size_t i = 0; i < now.size(); ++i) {
                       const std::size_t round = Below(generator, now.size());
                       resampledNow[i] = now[round];
                       resampledBefore[i] = before[round];
                     }
                   });
}

double MannWhitneyP(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.empty() || b.empty()) return 1;
  std::vector<std::pair<double, bool>> pooled;  // value, whether from a
  pooled.reserve(a.size() + b.size());
  for (double v : a) pooled.emplace_back(v, true);
  for (double v : b) pooled.emplace_back(v, false);
  std::sort(pooled.begin(), pooled.end());
  std::vector<double> values(pooled.size());
  for (std::size_t i = 0; i < pooled.size(); ++i) values[i] = pooled[i].first;
  const Ranking ranking = RankSorted(values);

  const double n = static_cast<double>(a.size()), m = static_cast<double>(b.size());
  double rankSum = 0;
  for (std::size_t i = 0; i < pooled.size(); ++i) {
    if (pooled[i].second) rankSum += ranking.Ranks[i];
  }
  const double u = rankSum - n * (n + 1) / 2;  // pairs with a above b, ties counting half

  if (!ranking.Ties && a.size() <= ExactLimit && b.size() <= ExactLimit) {
    return TwoSided(MannWhitneyCounts(a.size(), b.size()), static_cast<std::size_t>(u));
  }
  const double total = n + m;
  const double variance = n * m / 12 * ((total + 1) - ranking.TieTerm / (total * (total - 1)));
  return NormalTwoSided(u, n * m / 2, variance);
}

double WilcoxonSignedRankP(const std::vector<double>& differences) {
  // Zeros carry no sign: dropped before ranking, as in Wilcoxon's own procedure.
  std::vector<double> nonzero;
  for (double d : differences) {
    if (d != 0) nonzero.push_back(d);
  }
  if (nonzero.empty()) return 1;
  std::sort(nonzero.begin(), nonzero.end(),
            [](double x, double y) { return std::abs(x) < std::abs(y); });
  std::vector<double> magnitudes(nonzero.size());
  for (std::size_t i = 0; i < nonzero.size(); ++i) magnitudes[i] = std::abs(nonzero[i]);
  const Ranking ranking = RankSorted(magnitudes);

  double positive = 0;
  for (std::size_t i = 0; i < nonzero.size(); ++i) {
    if (nonzero[i] > 0) positive += ranking.Ranks[i];
  }

  const std::size_t count = nonzero.size();
  if (!ranking.Ties && count <= ExactLimit) {
    return TwoSided(SignedRankCounts(count), static_cast<std::size_t>(positive));
  }
  const double n = static_cast<double>(count);
  const double variance = n * (n + 1) * (2 * n + 1) / 24 - ranking.TieTerm / 48;
  return NormalTwoSided(positive, n * (n + 1) / 4, variance);
}

double PairedRatioP(const std::vector<double>& now, const std::vector<double>& before) {
  RequireEqualSizes(now, before);
  std::vector<double> logRatios(now.size());
  for (std::size_t i = 0; i < now.size(); ++i) logRatios[i] = std::log(now[i] / before[i]);
  return WilcoxonSignedRankP(logRatios);
}

}  // namespace stats
