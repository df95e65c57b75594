// The summaries a run's reports share, computed from hand-built records, and the statistics
// under them.
#include <gtest/gtest.h>

#include <cmath>

#include "RunRecord.h"

namespace record {
namespace {

using stats::Ratio;
using stats::Scattered;
using stats::Slower;
using stats::Summarize;
using stats::Summary;

TEST(Statistics, MeanDeviationMedianAndTheRatio) {
  const Summary s = Summarize({3, 1, 2, 6});
  EXPECT_EQ(s.Count, 4);
  EXPECT_DOUBLE_EQ(s.Mean, 3);
  EXPECT_DOUBLE_EQ(*s.Deviation, std::sqrt(14.0 / 3));  // the sample deviation, n − 1
  EXPECT_DOUBLE_EQ(s.Median, 2.5);
  EXPECT_EQ(s.Minimum, 1);
  EXPECT_EQ(s.Maximum, 6);
  EXPECT_TRUE(Scattered(s));  // 6 > 1.5 × 2.5
  EXPECT_FALSE(Summarize({2}).Deviation);
  EXPECT_FALSE(Scattered(Summarize({1, 1.2, 1.1})));

  // The factor is the ratio of the figures given; the runs give only the relative spread.
  Summary a, b;
  a.Mean = 1, a.Deviation = 0.1, a.Minimum = 0.9;
  b.Mean = 2, b.Deviation = 0.2, b.Minimum = 1.8;
  const Ratio r = Slower(0.8, a, 2.4, b);
  EXPECT_DOUBLE_EQ(r.Factor, 3);
  EXPECT_NEAR(*r.Deviation, 3 * std::sqrt(0.02), 1e-12);
  b.Minimum = -0.1;  // a net figure of a run below its start-up's
  EXPECT_FALSE(Slower(0.8, a, 2.4, b).Deviation);
  b.Minimum = 1.8;
  b.Deviation.reset();
  EXPECT_FALSE(Slower(0.8, a, 2.4, b).Deviation);
}

Measurement Timed(std::size_t solver, int round, double seconds, Verdict verdict = Verdict::Correct) {
  Measurement run;
  run.Solver = solver;
  run.Round = round;
  run.Warmup = round == 1;
  run.MonotonicSeconds = seconds;
  run.EndeSeconds = seconds;
  run.Verdict = verdict;
  return run;
}

TEST(Summaries, StateAndFastestComeFromEveryRun) {
  RunRecord run;
  run.Settings.Warmup = 1;
  run.Settings.Repeat = 2;
  run.Sets.push_back({"Build", {}, 1, 10, 1728});
  run.Solvers = {{"a", "/a"}, {"b", "/b"}, {"c", "/c"}, {"d", "/d"}};
  run.Measurements = {Timed(0, 1, 9),
              Timed(1, 1, 9),
              Timed(2, 1, 9),
              Timed(3, 1, 0, Verdict::Failed),
              Timed(0, 2, 1),
              Timed(1, 2, 2),
              Timed(2, 2, 0.5, Verdict::Wrong),
              Timed(0, 3, 3),
              Timed(1, 3, 4)};
  const Summaries s = record::Summarize(run);
  ASSERT_EQ(s.Sets.size(), 1u);
  const SetSummary& set = s.Sets[0];
  EXPECT_EQ(set.Solvers[0].Verdict, Verdict::Correct);
  EXPECT_EQ(set.Solvers[2].Verdict, Verdict::Wrong);
  EXPECT_EQ(set.Solvers[3].Verdict, Verdict::Failed);
  EXPECT_EQ(set.Solvers[3].Last, &run.Measurements[3]);
  EXPECT_EQ(set.Solvers[3].LastJudged, nullptr);
  EXPECT_EQ(set.Solvers[2].Last, &run.Measurements[6]);
  // Warm-up runs are judged but not timed.
  EXPECT_EQ(set.Solvers[0].MonotonicTimes, (std::vector<double>{1, 3}));
  EXPECT_EQ(set.Solvers[0].Ended.size(), 3u);
  // The wrong one is faster but does not count.
  ASSERT_TRUE(set.Fastest);
  EXPECT_EQ(*set.Fastest, 0u);
  ASSERT_TRUE(set.Solvers[1].RelativeToFastest);
  EXPECT_DOUBLE_EQ(set.Solvers[1].RelativeToFastest->Factor, 1.5);
  EXPECT_FALSE(set.Solvers[2].RelativeToFastest);

  run.Solvers.resize(1);  // a single solver has nothing to be compared with
  EXPECT_FALSE(record::Summarize(run).Sets[0].Fastest);
}

TEST(Summaries, StartUpApartPerPuzzleFiguresAndTheGeometricMeanOverCompleteSets) {
  RunRecord run;
  run.Settings.Repeat = 3;
  run.Sets = {{"a", {}, 1, 101, 0}, {"b", {}, 1, 1, 0}, {"c", {}, 1, 10, 0}};
  run.Solvers = {{"x", "/x"}, {"y", "/y"}};
  auto add = [&run](std::size_t set, std::size_t solver, int round, double seconds, bool startup,
                    Verdict verdict = Verdict::Correct) {
    record::Measurement r = Timed(solver, round + 1, seconds, verdict);
    r.Warmup = false;
    r.Set = set;
    r.Startup = startup;
    run.Measurements.push_back(r);
  };
  for (int round = 0; round < 3; ++round) {
    add(0, 0, round, 0.01 + 0.001 * round, true);  // start-up median 0.011
    add(0, 0, round, 1.011, false);
    add(0, 1, round, 0.02, true);
    add(0, 1, round, 2.022, false);
    add(1, 0, round, 0.5, false);
    add(1, 1, round, 2.0, false);
  }
  add(2, 0, 0, 1, false);
  add(2, 1, 0, 0.1, false, Verdict::Wrong);  // out of set c: c is left out of the means
  const Summaries s = record::Summarize(run);
  const SolverSummary& x = s.Sets[0].Solvers[0];
  ASSERT_TRUE(x.StartupSeconds);
  EXPECT_DOUBLE_EQ(*x.StartupSeconds, 0.011);
  EXPECT_EQ(x.MonotonicTimes.size(), 3u);  // start-up runs are not among the set's times
  EXPECT_DOUBLE_EQ(*x.MicrosecondsPerPuzzle, 1.011 / 101 * 1e6);
  EXPECT_DOUBLE_EQ(*x.MicrosecondsPerPuzzleNet, 10000);  // (1.011 − 0.011) ÷ 100
  EXPECT_DOUBLE_EQ(*x.PuzzlesPerSecond, 101 / 1.011);
  EXPECT_FALSE(s.Sets[1].Solvers[0].MicrosecondsPerPuzzleNet);  // one puzzle, no start-up
  // Set b's one puzzle has no net figure, so all factors are gross: set a 1 and 2, set b 1 and
  // 4, so the means are 1 and √8.
  EXPECT_EQ(s.Figure, PerPuzzle::Gross);
  ASSERT_EQ(s.GeometricMeanFactors.size(), 2u);
  EXPECT_DOUBLE_EQ(*s.GeometricMeanFactors[0], 1);
  EXPECT_NEAR(*s.GeometricMeanFactors[1], std::sqrt(2.0 * 4.0), 1e-12);
}

// The fastest by the net figure is not the fastest by mean; each run's net figure takes the
// start-up run of its own round.
TEST(Summaries, FactorsAreRatiosOfTheFigurePerPuzzleWithTheSpreadOfTheRunsFigures) {
  RunRecord run;
  run.Settings.Repeat = 3;
  run.Sets = {{"a", {}, 1, 11, 0}};
  run.Solvers = {{"a", "/a"}, {"b", "/b"}};
  const auto add = [&run](std::size_t solver, int round, double startup, double whole) {
    Measurement r = Timed(solver, round, startup);
    r.Warmup = false;
    r.Startup = true;
    run.Measurements.push_back(r);
    r.Startup = false;
    r.MonotonicSeconds = whole;
    run.Measurements.push_back(r);
  };
  const std::vector<double> startups{0.1, 0.2, 0.3}, wholes{1.0, 1.0, 4.0};  // a: mean 2, median 1
  for (int round = 1; round <= 3; ++round) {
    const auto at = static_cast<std::size_t>(round - 1);
    add(0, round, startups[at], wholes[at]);
    add(1, round, 0.1, 1.5);  // b: mean 1.5, median 1.5
  }
  Summaries s = record::Summarize(run);
  EXPECT_EQ(s.Figure, PerPuzzle::Net);
  const SolverSummary &a = s.Sets[0].Solvers[0], &b = s.Sets[0].Solvers[1];
  ASSERT_EQ(a.RunsPerPuzzleNet.size(), 3u);
  EXPECT_NEAR(a.RunsPerPuzzleNet[0], 90000, 1e-6);  // (1.0 − 0.1) ÷ 10
  EXPECT_NEAR(a.RunsPerPuzzleNet[1], 80000, 1e-6);
  EXPECT_NEAR(a.RunsPerPuzzleNet[2], 370000, 1e-6);
  EXPECT_NEAR(*a.MicrosecondsPerPuzzleNet, 80000, 1e-6);  // (1.0 − 0.2) ÷ 10
  ASSERT_EQ(s.Sets[0].Fastest, 0u);
  ASSERT_TRUE(b.RelativeToFastest);
  EXPECT_NEAR(b.RelativeToFastest->Factor, 140000.0 / 80000, 1e-12);
  const stats::Summary aRuns = Summarize(a.RunsPerPuzzleNet);
  EXPECT_NEAR(*b.RelativeToFastest->Deviation, 1.75 * *aRuns.Deviation / aRuns.Mean, 1e-12);
  EXPECT_TRUE(b.AgainstFastest);  // against a, now the fastest
  EXPECT_FALSE(a.AgainstFastest);

  // A start-up above its round's whole run: that run's net figure means no spread.
  run.Measurements[8].MonotonicSeconds = 4.5;
  s = record::Summarize(run);
  ASSERT_EQ(s.Figure, PerPuzzle::Net);
  ASSERT_TRUE(s.Sets[0].Solvers[1].RelativeToFastest);
  EXPECT_FALSE(s.Sets[0].Solvers[1].RelativeToFastest->Deviation);

  // Without start-up runs the figure is gross: medians 1 and 1.5 over 11 puzzles.
  std::erase_if(run.Measurements, [](const Measurement& m) { return m.Startup; });
  s = record::Summarize(run);
  EXPECT_EQ(s.Figure, PerPuzzle::Gross);
  const stats::Ratio& gross = *s.Sets[0].Solvers[1].RelativeToFastest;
  EXPECT_NEAR(gross.Factor, 1.5, 1e-12);
  EXPECT_NEAR(*gross.Deviation, 1.5 * std::sqrt(3.0) / 2, 1e-12);  // σ/m of 1, 1, 4; b has none
}

TEST(RunName, WarmUpRoundsAreNamedApart) {
  Settings settings;
  settings.Warmup = 2;
  EXPECT_EQ(RunName(settings, 2), "Aufwärmrunde 2");
  EXPECT_EQ(RunName(settings, 3), "Runde 1");
}

}  // namespace
}  // namespace record

namespace record {
namespace {

// Times around `centre`, spread by a fixed pattern of a few per mille, no two alike and no
// machine noise; `turned` takes the pattern backwards, so that paired rounds differ in their
// ratios.
std::vector<double> Around(double centre, int count, bool turned = false) {
  std::vector<double> times;
  for (int i = 0; i < count; ++i) {
    const int step = turned ? count - 1 - i : i;
    times.push_back(centre * (1 + 0.003 * (step - count / 2) + 0.0001 * step * step));
  }
  return times;
}

TEST(Compare, SaysSlowerOrFasterOnlyWhenTheTestAndTheNoiseAgree) {
  // Against a stored run: the rank-sum test, five runs a side at least.
  const Comparison slower = Compare(Around(1.3, 7), Around(1.0, 7), false, 10);
  EXPECT_EQ(slower.Change, Change::Slower);
  EXPECT_NEAR(slower.Ratio.Ratio, 1.3, 0.01);
  EXPECT_NEAR(*slower.P, 2.0 / 3432, 1e-12);  // seven a side, fully apart
  EXPECT_EQ(Compare(Around(1.0, 7), Around(1.3, 7), false, 10).Change, Change::Faster);
  // 30 % is within a noise of 40 %; 3 % apart is clear to the test but within 5 % of noise.
  EXPECT_EQ(Compare(Around(1.3, 7), Around(1.0, 7), false, 40).Change, Change::NoDifference);
  std::vector<double> barely = Around(1.0, 7);
  for (double& t : barely) t *= 1.01;
  for (double& t : barely) t += 0.02;
  EXPECT_LT(*Compare(barely, Around(1.0, 7), false, 5).P, 0.01);
  EXPECT_EQ(Compare(barely, Around(1.0, 7), false, 5).Change, Change::NoDifference);
  const Comparison few = Compare(Around(1.3, 4), Around(1.0, 7), false, 10);
  EXPECT_EQ(few.Change, Change::TooFewRounds);
  EXPECT_FALSE(few.P);
  EXPECT_NEAR(few.Ratio.Ratio, 1.3, 0.02);  // the figures still stand, without a claim

  // In one run, round by round: eight rounds at least.
  const Comparison paired = Compare(Around(1.3, 8), Around(1.0, 8, true), true, 10);
  EXPECT_EQ(paired.Change, Change::Slower);
  EXPECT_NEAR(*paired.P, 2.0 / 256, 1e-12);  // every round slower: the least p of eight
  EXPECT_EQ(Compare(Around(1.3, 7), Around(1.0, 7, true), true, 10).Change, Change::TooFewRounds);
  EXPECT_EQ(ChangeWord(Change::NoDifference), std::string("kein messbarer Unterschied"));
}

TEST(Compare, SolversInTheSameRoundsAndAgainstTheBaseline) {
  RunRecord run;
  run.Settings.Repeat = 10;
  run.Settings.NoisePercent = 10;
  run.Sets.push_back({"Build", {}, 1, 10, 1728});
  run.Solvers = {{"flink", "/a"}, {"langsam", "/b"}, {"gleich", "/c"}};
  const std::vector<double> fast = Around(1.0, 10), slow = Around(1.3, 10, true);
  for (int round = 1; round <= 10; ++round) {
    const auto at = static_cast<std::size_t>(round - 1);
    run.Measurements.push_back(Timed(0, round, fast[at]));
    run.Measurements.push_back(Timed(1, round, slow[at]));
    run.Measurements.push_back(Timed(2, round, fast[at] * (1.001 + 0.0001 * (round % 3))));
  }
  for (record::Measurement& r : run.Measurements) r.Warmup = false;
  Summaries s = Summarize(run);
  ASSERT_EQ(s.Sets[0].Fastest, 0u);
  EXPECT_FALSE(s.Sets[0].Solvers[0].AgainstFastest);
  EXPECT_EQ(s.Sets[0].Solvers[1].AgainstFastest->Change, Change::Slower);
  EXPECT_EQ(s.Sets[0].Solvers[2].AgainstFastest->Change, Change::NoDifference);
  EXPECT_FALSE(Summarize(run, Detail::WithoutComparisons).Sets[0].Solvers[1].AgainstFastest);

  // langsam was as fast as flink in the stored run; gleich was not stored.
  run.Baseline = Baseline{"latest", {{0, 1, 12, "v1", Around(1.0, 5)}}, {}};
  run.Settings.FailOnRegression = true;
  s = Summarize(run);
  EXPECT_EQ(s.Sets[0].Solvers[1].AgainstBaseline->Change, Change::Slower);
  EXPECT_EQ(s.Sets[0].Solvers[1].Baseline->Run, 12);
  EXPECT_FALSE(s.Sets[0].Solvers[2].AgainstBaseline);
  // A wrong solver is not compared.
  run.Measurements[4].Verdict = Verdict::Wrong;
  s = Summarize(run);
  EXPECT_FALSE(s.Sets[0].Solvers[1].AgainstBaseline);
}

}  // namespace
}  // namespace record
