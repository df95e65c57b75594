// Comparing a run with a baseline: the rank tests against published tables, worked examples and
// a brute-force count over every arrangement, and the bootstrap interval's behaviour.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <random>
#include <stdexcept>
#include <vector>

#include "Comparison.h"

namespace stats {
namespace {

// n values a and m values b with exactly u pairs a > b and no value twice: b = 0 … m − 1, and
// each a just above as many b as it should beat.
void WithU(std::size_t n, std::size_t m, std::size_t u, std::vector<double>& a,
           std::vector<double>& b) {
  a.clear();
  b.clear();
  for (std::size_t j = 0; j < m; ++j) b.push_back(static_cast<double>(j));
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t beats = std::min(m, u);
    u -= beats;
    a.push_back(static_cast<double>(beats) - 0.5 + 0.01 * static_cast<double>(i));
  }
}

// n differences with magnitudes 1 … n whose negative ranks sum to t.
std::vector<double> WithNegativeSum(std::size_t n, std::size_t t) {
  std::vector<double> differences;
  for (std::size_t rank = n; rank >= 1; --rank) {
    const bool negative = rank <= t;
    if (negative) t -= rank;
    differences.push_back(negative ? -static_cast<double>(rank) : static_cast<double>(rank));
  }
  return differences;
}

// Two-sided p from the statistic of every equally likely arrangement.
double TwoSidedOf(const std::vector<int>& all, int observed) {
  const auto below = std::count_if(all.begin(), all.end(), [&](int s) { return s <= observed; });
  const auto above = std::count_if(all.begin(), all.end(), [&](int s) { return s >= observed; });
  return std::min(
      1.0, 2.0 * static_cast<double>(std::min(below, above)) / static_cast<double>(all.size()));
}

TEST(MannWhitney, FullySeparatedSamplesGiveTheSmallestPossibleP) {
  EXPECT_NEAR(MannWhitneyP({1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}), 2.0 / 252, 1e-12);
  EXPECT_NEAR(MannWhitneyP({8, 9, 10, 11, 12, 13, 14}, {1, 2, 3, 4, 5, 6, 7}), 2.0 / 3432, 1e-12);
  // 50 a side is still exact: 2 / C(100, 50) ≈ 1.98 · 10⁻²⁹.
  std::vector<double> low(50), high(50);
  std::iota(low.begin(), low.end(), 0.0);
  std::iota(high.begin(), high.end(), 100.0);
  EXPECT_NEAR(MannWhitneyP(low, high) / 1.98e-29, 1, 0.01);
}

TEST(MannWhitney, CriticalValuesOfThePublishedTable) {
  // Two-sided α = 0.05, n₁ = n₂: significant for U at most 2, 5, 8 and 13.
  const std::size_t critical[][2] = {{5, 2}, {6, 5}, {7, 8}, {8, 13}};
  std::vector<double> a, b;
  for (const auto& [n, u] : critical) {
    SCOPED_TRACE(n);
    WithU(n, n, u, a, b);
    EXPECT_LE(MannWhitneyP(a, b), 0.05);
    EXPECT_LE(MannWhitneyP(b, a), 0.05);  // U of the other side: n² − u, the other tail
    WithU(n, n, u + 1, a, b);
    EXPECT_GT(MannWhitneyP(a, b), 0.05);
    EXPECT_GT(MannWhitneyP(b, a), 0.05);
  }
}

TEST(MannWhitney, WorkedExampleWithUnequalSizes) {
  // A common textbook pair: W = 35, one-sided p = 0.1272, so two-sided 0.2544.
  const std::vector<double> x = {0.80, 0.83, 1.89, 1.04, 1.45, 1.38, 1.91, 1.64, 0.73, 1.46};
  const std::vector<double> y = {1.15, 0.88, 0.90, 0.74, 1.21};
  EXPECT_NEAR(MannWhitneyP(x, y), 0.2544, 1e-4);
  EXPECT_NEAR(MannWhitneyP(y, x), 0.2544, 1e-4);
}

TEST(MannWhitney, ExactPMatchesCountingEverySplit) {
  std::mt19937 random(7);
  for (const auto& [n, m] : {std::pair<int, int>{1, 9}, {3, 9}, {6, 7}, {4, 10}}) {
    SCOPED_TRACE(::testing::Message() << n << " vs " << m);
    const int total = n + m;
    // U of every choice of n of the ranks 1 … n + m for a.
    std::vector<int> all;
    for (std::uint32_t mask = 0; mask < (1u << total); ++mask) {
      if (std::popcount(mask) != n) continue;
      int rankSum = 0;
      for (int r = 0; r < total; ++r) {
        if (mask & (1u << r)) rankSum += r + 1;
      }
      all.push_back(rankSum - n * (n + 1) / 2);
    }
    for (int trial = 0; trial < 20; ++trial) {
      std::vector<double> pooled(static_cast<std::size_t>(total));
      std::iota(pooled.begin(), pooled.end(), 1.0);
      std::shuffle(pooled.begin(), pooled.end(), random);
      const std::vector<double> a(pooled.begin(), pooled.begin() + n);
      const std::vector<double> b(pooled.begin() + n, pooled.end());
      int u = 0;
      for (double x : a)
        u += static_cast<int>(std::count_if(b.begin(), b.end(), [&](double y) { return x > y; }));
      EXPECT_NEAR(MannWhitneyP(a, b), TwoSidedOf(all, u), 1e-12);
    }
  }
}

TEST(MannWhitney, NormalApproximationWithTies) {
  // Ranks 1, 2, 4, 4, 6 for a (three 3s share 3–5, two 6s share 8–9): U = 17 − 15 = 2.
  // σ² = 25/12 · (11 − (24 + 6)/90) = 200/9; z = (|2 − 12.5| − 0.5)/σ = 1.5·√2,
  // p = erfc(1.5) = 0.0338949.
  EXPECT_NEAR(MannWhitneyP({1, 2, 3, 3, 4}, {3, 5, 6, 6, 7}), 0.0338949, 1e-6);
  EXPECT_EQ(MannWhitneyP({2, 2, 2}, {2, 2}), 1);  // nothing to rank apart
  EXPECT_EQ(MannWhitneyP({}, {1, 2}), 1);
}

TEST(MannWhitney, ExactAndApproximateAgreeNearTheLimit) {
  // 50 a side is counted exactly, 51 approximated; for overlapping samples both are close.
  for (const std::size_t n : {std::size_t{50}, std::size_t{51}}) {
    std::vector<double> a, b;
    for (std::size_t i = 0; i < n; ++i) {
      a.push_back(static_cast<double>(2 * i) + (i % 3 == 0 ? 7.5 : 0));
      b.push_back(static_cast<double>(2 * i + 1));
    }
    const double p = MannWhitneyP(a, b);
    EXPECT_GT(p, 0.05);
    EXPECT_LT(p, 0.95);
    // a's 7.5 and 8 lie between b's 7 and 9: tying them leaves U as it was but forces the
    // approximation.
    std::vector<double> tied = a;
    tied[0] = tied[4];
    EXPECT_NEAR(MannWhitneyP(tied, b), p, 0.02);
  }
}

TEST(SignedRank, AllOfOneSignGivesTheSmallestPossibleP) {
  EXPECT_DOUBLE_EQ(WilcoxonSignedRankP({1, 2, 3, 4, 5, 6, 7, 8}), 2.0 / 256);
  EXPECT_DOUBLE_EQ(WilcoxonSignedRankP({-1, -2, -3, -4, -5, -6, -7, -8, -9, -10}), 2.0 / 1024);
  // Zeros are dropped, not counted as either sign.
  EXPECT_DOUBLE_EQ(WilcoxonSignedRankP({0, 1, 2, 0, 3, 4, 5, 6, 7, 8}), 2.0 / 256);
  EXPECT_EQ(WilcoxonSignedRankP({0, 0}), 1);
  EXPECT_EQ(WilcoxonSignedRankP({}), 1);
}

TEST(SignedRank, CriticalValuesOfThePublishedTable) {
  // Two-sided α = 0.05: significant for T at most 3, 5, 8, 10 and 13 at n = 8 … 12.
  const std::size_t critical[][2] = {{8, 3}, {9, 5}, {10, 8}, {11, 10}, {12, 13}};
  for (const auto& [n, t] : critical) {
    SCOPED_TRACE(n);
    EXPECT_LE(WilcoxonSignedRankP(WithNegativeSum(n, t)), 0.05);
    EXPECT_GT(WilcoxonSignedRankP(WithNegativeSum(n, t + 1)), 0.05);
    std::vector<double> flipped = WithNegativeSum(n, t);
    for (double& d : flipped) d = -d;
    EXPECT_LE(WilcoxonSignedRankP(flipped), 0.05);
  }
}

TEST(SignedRank, WorkedPairedExample) {
  // A common textbook pair of before/after measurements: V = 40, two-sided p = 0.03906.
  const std::vector<double> x = {1.83, 0.50, 1.62, 2.48, 1.68, 1.88, 1.55, 3.06, 1.30};
  const std::vector<double> y = {0.878, 0.647, 0.598, 2.05, 1.06, 1.29, 1.06, 3.14, 1.29};
  std::vector<double> differences;
  for (std::size_t i = 0; i < x.size(); ++i) differences.push_back(x[i] - y[i]);
  EXPECT_NEAR(WilcoxonSignedRankP(differences), 0.0390625, 1e-12);
}

TEST(SignedRank, ExactPMatchesCountingEverySignPattern) {
  std::mt19937 random(11);
  for (const int n : {1, 5, 12}) {
    SCOPED_TRACE(n);
    std::vector<int> all;  // W⁺ of every sign pattern of the ranks 1 … n
    for (std::uint32_t mask = 0; mask < (1u << n); ++mask) {
      int sum = 0;
      for (int r = 0; r < n; ++r) {
        if (mask & (1u << r)) sum += r + 1;
      }
      all.push_back(sum);
    }
    for (int trial = 0; trial < 20; ++trial) {
      std::vector<double> differences;
      int positive = 0;
      for (int r = 1; r <= n; ++r) {
        const bool up = random() % 2 == 0;
        if (up) positive += r;
        differences.push_back((up ? 1 : -1) * 0.37 * r);
      }
      differences.push_back(0);
      std::shuffle(differences.begin(), differences.end(), random);
      EXPECT_NEAR(WilcoxonSignedRankP(differences), TwoSidedOf(all, positive), 1e-12);
    }
  }
}

TEST(SignedRank, NormalApproximationWithTies) {
  // |d| 1, 2, 2, 3, 4, 5 rank 1, 2.5, 2.5, 4, 5, 6; W⁺ = 18.5 against a mean of 10.5;
  // σ² = 6·7·13/24 − (2³ − 2)/48 = 22.625; z = 7.5/σ = 1.5768, p = 2·(1 − Φ(z)) = 0.11485.
  EXPECT_NEAR(WilcoxonSignedRankP({1, -2, 2, 3, 0, 4, 5}), 0.11485, 1e-5);
}

TEST(SignedRank, PairedRatiosUseTheLogarithmOfEachRound) {
  const std::vector<double> before = {1.0, 2.0, 0.5, 4.0, 1.5, 3.0, 2.5, 0.8};
  std::vector<double> slower = before, mixed = before;
  for (std::size_t i = 0; i < before.size(); ++i) {
    slower[i] *= 1.05 + 0.01 * static_cast<double>(i);
    mixed[i] *= i % 2 ? 1.1 : 1 / 1.1 - 0.001 * static_cast<double>(i);
  }
  EXPECT_DOUBLE_EQ(PairedRatioP(slower, before), 2.0 / 256);
  EXPECT_GT(PairedRatioP(mixed, before), 0.5);
  EXPECT_THROW(PairedRatioP({1, 2}, {1}), std::invalid_argument);
}

// n times around centre with up to ±spread of noise.
std::vector<double> Noisy(std::mt19937& random, std::size_t n, double centre, double spread) {
  std::uniform_real_distribution<double> noise(-spread, spread);
  std::vector<double> values(n);
  for (double& v : values) v = centre + noise(random);
  return values;
}

TEST(Bootstrap, SameTimesSameIntervalAroundTheRatio) {
  std::mt19937 random(3);
  const std::vector<double> now = Noisy(random, 9, 1.1, 0.2), before = Noisy(random, 9, 1, 0.2);
  const RatioInterval first = MedianRatio(now, before), second = MedianRatio(now, before);
  EXPECT_EQ(first.Ratio, second.Ratio);
  EXPECT_EQ(first.Low, second.Low);
  EXPECT_EQ(first.High, second.High);
  std::vector<double> sortedNow = now, sortedBefore = before;
  std::sort(sortedNow.begin(), sortedNow.end());
  std::sort(sortedBefore.begin(), sortedBefore.end());
  EXPECT_DOUBLE_EQ(first.Ratio, sortedNow[4] / sortedBefore[4]);
  EXPECT_LT(first.Low, first.Ratio);
  EXPECT_GT(first.High, first.Ratio);
  // No resampled ratio can leave the range the extremes allow.
  EXPECT_GE(first.Low, sortedNow.front() / sortedBefore.back());
  EXPECT_LE(first.High, sortedNow.back() / sortedBefore.front());
}

TEST(Bootstrap, NarrowsAsSamplesGrow) {
  std::mt19937 random(5);
  double previous = INFINITY;
  for (const std::size_t n : {std::size_t{5}, std::size_t{20}, std::size_t{80}}) {
    const RatioInterval r = MedianRatio(Noisy(random, n, 1, 0.3), Noisy(random, n, 1, 0.3));
    EXPECT_LT(r.High - r.Low, previous) << n;
    previous = r.High - r.Low;
  }
}

TEST(Bootstrap, ConstantAndEvenSizedSamples) {
  const RatioInterval constant = MedianRatio({2, 2, 2, 2}, {1.6, 1.6, 1.6});
  EXPECT_DOUBLE_EQ(constant.Ratio, 1.25);
  EXPECT_DOUBLE_EQ(constant.Low, 1.25);
  EXPECT_DOUBLE_EQ(constant.High, 1.25);
  EXPECT_DOUBLE_EQ(MedianRatio({1, 3}, {2}).Ratio, 1);  // the mean of the two middle values
  const RatioInterval empty = MedianRatio({}, {1});
  EXPECT_EQ(empty.Ratio, 0);
  EXPECT_EQ(empty.Low, 0);
  EXPECT_EQ(empty.High, 0);
}

TEST(Bootstrap, ThirtyPercentSlowerIsClearlyAboveOne) {
  std::mt19937 random(9);
  const RatioInterval r = MedianRatio(Noisy(random, 7, 1.3, 0.03), Noisy(random, 7, 1, 0.03));
  EXPECT_NEAR(r.Ratio, 1.3, 0.07);
  EXPECT_GT(r.Low, 1.2);
  EXPECT_LT(r.High, 1.4);
}

TEST(Bootstrap, PairedRoundsKeepTheirTimesTogether) {
  // Rounds differ a lot from each other, but each is exactly 10 % slower than its baseline: only
  // resampling rounds as pairs sees that.
  const std::vector<double> before = {1, 3, 9, 2, 7, 4, 12, 5};
  std::vector<double> now = before;
  for (double& v : now) v *= 1.1;
  const RatioInterval paired = PairedMedianRatio(now, before);
  EXPECT_NEAR(paired.Ratio, 1.1, 1e-12);
  EXPECT_NEAR(paired.Low, 1.1, 1e-12);
  EXPECT_NEAR(paired.High, 1.1, 1e-12);
  const RatioInterval unpaired = MedianRatio(now, before);
  EXPECT_GT(unpaired.High - unpaired.Low, 0.5);
  EXPECT_THROW(PairedMedianRatio({1, 2, 3}, {1, 2}), std::invalid_argument);
}

}  // namespace
}  // namespace stats
