#include "RunRecord.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace record {

bool BusyAtStart(const MachineContext& context) {
  return context.LogicalCores > 0 && context.LoadAverage[0] > 0.5 * context.LogicalCores;
}

std::string RunName(const Settings& settings, int round) {
  if (round <= settings.Warmup) return "Aufwärmrunde " + std::to_string(round);
  return "Runde " + std::to_string(round - settings.Warmup);
}

const char* VerdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::Correct:
      return "correct";
    case Verdict::Wrong:
      return "wrong";
    case Verdict::Failed:
      break;
  }
  return "failed";
}

std::optional<Verdict> VerdictOf(std::string_view name) {
  for (Verdict verdict : {Verdict::Correct, Verdict::Wrong, Verdict::Failed}) {
    if (name == VerdictName(verdict)) return verdict;
  }
  return std::nullopt;
}

const char* SolverKindName(SolverKind kind) {
  switch (kind) {
    case SolverKind::Lines:
      return "lines";
    case SolverKind::Library:
      return "library";
    case SolverKind::Program:
      break;
  }
  return "program";
}

std::optional<SolverKind> SolverKindOf(std::string_view name) {
  for (SolverKind kind : {SolverKind::Program, SolverKind::Lines, SolverKind::Library}) {
    if (name == SolverKindName(kind)) return kind;
  }
  return std::nullopt;
}

const char* ChangeWord(Change change) {
  switch (change) {
    case Change::Slower:
      return "langsamer";
    case Change::Faster:
      return "schneller";
    case Change::NoDifference:
      return "kein messbarer Unterschied";
    case Change::TooFewRounds:
      break;
  }
  return "zu wenige Runden";
}

const char* ChangeName(Change change) {
  switch (change) {
    case Change::Slower:
      return "slower";
    case Change::Faster:
      return "faster";
    case Change::NoDifference:
      return "no_difference";
    case Change::TooFewRounds:
      break;
  }
  return "too_few_rounds";
}

std::optional<Change> ChangeOf(std::string_view name) {
  for (Change change :
       {Change::Slower, Change::Faster, Change::NoDifference, Change::TooFewRounds}) {
    if (name == ChangeName(change)) return change;
  }
  return std::nullopt;
}

double BinStartMicroseconds(int bin) {
  return 0.1 * std::pow(10.0, bin / 10.0);
}

int PuzzleTimeBin(double microseconds) {
  if (!(microseconds > 0.1)) return 0;  // NaN too
  const int bin = static_cast<int>(std::floor(10 * std::log10(microseconds / 0.1) + 1e-9));
  return std::clamp(bin, 0, PuzzleTimeBins - 1);
}

std::int64_t Microseconds(double seconds) {
  return std::llround(seconds * 1e6);
}

Comparison Compare(const std::vector<double>& now, const std::vector<double>& other, bool paired,
                   double noisePercent) {
  Comparison c;
  c.Count = static_cast<int>(now.size());
  c.OtherCount = static_cast<int>(other.size());
  if (now.empty() || other.empty()) return c;
  c.Ratio = paired ? stats::PairedMedianRatio(now, other) : stats::MedianRatio(now, other);
  const int fewest = paired ? FewestPairedRounds : FewestBaselineRuns;
  if (c.Count < fewest || c.OtherCount < fewest) return c;
  c.P = paired ? stats::PairedRatioP(now, other) : stats::MannWhitneyP(now, other);
  const double noise = noisePercent / 100;
  if (*c.P < 0.01 && c.Ratio.Low > 1 + noise) {
    c.Change = Change::Slower;
  } else if (*c.P < 0.01 && c.Ratio.High < 1 - noise) {
    c.Change = Change::Faster;
  } else {
    c.Change = Change::NoDifference;
  }
  return c;
}

namespace {

// The figures per puzzle from the medians, and each timed run's own: a run on the whole set net
// of the start-up run of the same round.
void PerPuzzleFigures(SolverSummary& s, const std::vector<int>& rounds,
                      const std::vector<std::pair<int, double>>& startups, double n) {
  if (s.MonotonicTimes.empty() || n <= 0) return;
  const double median = s.Monotonic.Median;
  s.MicrosecondsPerPuzzle = median / n * 1e6;
  s.PuzzlesPerSecond = n / median;
  if (s.InProcess) {  // a pass over the puzzles in memory has nothing to start: net is gross
    s.MicrosecondsPerPuzzleNet = s.MicrosecondsPerPuzzle;
    s.RunsPerPuzzle.reserve(s.MonotonicTimes.size());
    for (const double seconds : s.MonotonicTimes) s.RunsPerPuzzle.push_back(seconds / n * 1e6);
    s.RunsPerPuzzleNet = s.RunsPerPuzzle;
    return;
  }
  if (s.StartupSeconds && n > 1) {
    s.MicrosecondsPerPuzzleNet = (median - *s.StartupSeconds) / (n - 1) * 1e6;
  }
  for (std::size_t i = 0; i < s.MonotonicTimes.size(); ++i) {
    const double seconds = s.MonotonicTimes[i];
    s.RunsPerPuzzle.push_back(seconds / n * 1e6);
    const auto startup =
        std::find_if(startups.begin(), startups.end(),
                     [round = rounds[i]](const auto& run) { return run.first == round; });
    if (startup != startups.end() && n > 1) {
      s.RunsPerPuzzleNet.push_back((seconds - startup->second) / (n - 1) * 1e6);
    }
  }
}

// The timed run whose pass is nearest the median, the earliest of equals: where a library's
// per-puzzle figures are taken from.
const PuzzleTimes* MedianPuzzles(const SolverSummary& s,
                                 const std::vector<const Measurement*>& timed) {
  const Measurement* best = nullptr;
  for (const Measurement* run : timed) {
    if (!run->Puzzles) continue;
    const double off = std::abs(run->MonotonicSeconds - s.Monotonic.Median);
    if (!best || off < std::abs(best->MonotonicSeconds - s.Monotonic.Median)) best = run;
  }
  return best ? &*best->Puzzles : nullptr;
}

SolverSummary SummarizeSolver(const RunRecord& record, std::size_t set, std::size_t solver) {
  SolverSummary s;
  s.InProcess =
      solver < record.Solvers.size() && record.Solvers[solver].Kind == SolverKind::Library;
  std::vector<const Measurement*> timed;
  std::vector<std::pair<int, double>> startups;  // round and time of its timed start-up runs
  std::vector<int> rounds;                       // of its timed runs on the whole set
  for (const Measurement& run : record.Measurements) {
    if (run.Set != set || run.Solver != solver) continue;
    s.Last = &run;
    if (run.Verdict == Verdict::Failed) {
      s.Verdict = Verdict::Failed;
      continue;
    }
    if (run.Verdict == Verdict::Wrong && s.Verdict == Verdict::Correct) s.Verdict = Verdict::Wrong;
    // The whole set's outcomes, unless a start-up run was the wrong one.
    if (!run.Startup || run.Verdict == Verdict::Wrong) s.LastJudged = &run;
    if (run.Startup) {
      if (!run.Warmup) startups.emplace_back(run.Round, run.MonotonicSeconds);
      continue;
    }
    s.Ended.push_back(&run);
    if (run.Warmup) continue;
    s.MonotonicTimes.push_back(run.MonotonicSeconds);
    s.EndeTimes.push_back(run.EndeSeconds);
    rounds.push_back(run.Round);
    timed.push_back(&run);
  }
  s.Monotonic = stats::Summarize(s.MonotonicTimes);
  s.MedianPuzzles = MedianPuzzles(s, timed);
  s.Ende = stats::Summarize(s.EndeTimes);
  if (!startups.empty()) {
    std::vector<double> times;
    for (const auto& run : startups) times.push_back(run.second);
    s.StartupSeconds = stats::Median(times);
  }
  const auto n = static_cast<double>(set < record.Sets.size() ? record.Sets[set].Count : 0);
  PerPuzzleFigures(s, rounds, startups, n);
  return s;
}

// Net figures only when every correct solver that has a gross one has a net one above 0.
PerPuzzle FigureOf(const std::vector<SetSummary>& sets) {
  bool any = false;
  for (const SetSummary& set : sets) {
    for (const SolverSummary& s : set.Solvers) {
      if (s.Verdict != Verdict::Correct || !s.MicrosecondsPerPuzzle) continue;
      if (!s.MicrosecondsPerPuzzleNet || *s.MicrosecondsPerPuzzleNet <= 0) return PerPuzzle::Gross;
      any = true;
    }
  }
  return any ? PerPuzzle::Net : PerPuzzle::Gross;
}

std::optional<std::size_t> Fastest(const std::vector<SolverSummary>& solvers, PerPuzzle figure) {
  std::optional<std::size_t> fastest;
  int compared = 0;
  for (std::size_t i = 0; i < solvers.size(); ++i) {
    const SolverSummary& s = solvers[i];
    const std::optional<double>& us = PerPuzzleFigure(s, figure);
    if (s.Verdict != Verdict::Correct || !us) continue;
    ++compared;
    if (!fastest || *us < *PerPuzzleFigure(solvers[*fastest], figure)) fastest = i;
  }
  return compared >= 2 ? fastest : std::nullopt;
}

// The fastest of the set, and every correct solver's factor to it.
void RelateToFastest(SetSummary& set, PerPuzzle figure) {
  set.Fastest = Fastest(set.Solvers, figure);
  if (!set.Fastest) return;
  const SolverSummary& best = set.Solvers[*set.Fastest];
  const double bestFigure = *PerPuzzleFigure(best, figure);
  const stats::Summary bestRuns = stats::Summarize(PerPuzzleRuns(best, figure));
  for (SolverSummary& s : set.Solvers) {
    const std::optional<double>& us = PerPuzzleFigure(s, figure);
    if (s.Verdict != Verdict::Correct || !us) continue;
    s.RelativeToFastest =
        stats::Slower(bestFigure, bestRuns, *us, stats::Summarize(PerPuzzleRuns(s, figure)));
  }
}

// Each solver's geometric mean of its factors, over the sets where every solver has one.
std::vector<std::optional<double>> GeometricMeans(const std::vector<SetSummary>& sets,
                                                  std::size_t solvers) {
  std::vector<std::vector<double>> factors(solvers);
  for (const SetSummary& set : sets) {
    const bool complete =
        std::all_of(set.Solvers.begin(), set.Solvers.end(),
                    [](const SolverSummary& s) { return s.RelativeToFastest.has_value(); });
    if (!complete) continue;
    for (std::size_t i = 0; i < solvers; ++i) {
      factors[i].push_back(set.Solvers[i].RelativeToFastest->Factor);
    }
  }
  std::vector<std::optional<double>> means(solvers);
  for (std::size_t i = 0; i < solvers; ++i) {
    if (!factors[i].empty()) means[i] = stats::GeometricMean(factors[i]);
  }
  return means;
}

// Each correct solver against the fastest in the same rounds, and each against its baseline cell.
void CompareSolvers(const RunRecord& record, std::vector<SetSummary>& sets) {
  const double noise = record.Settings.NoisePercent;
  for (SetSummary& set : sets) {
    if (!set.Fastest) continue;
    const SolverSummary& fastest = set.Solvers[*set.Fastest];
    for (std::size_t i = 0; i < set.Solvers.size(); ++i) {
      SolverSummary& s = set.Solvers[i];
      // Paired by round: both stayed correct, so both were timed in every round.
      if (i == *set.Fastest || !s.RelativeToFastest ||
          s.MonotonicTimes.size() != fastest.MonotonicTimes.size()) {
        continue;
      }
      s.AgainstFastest = Compare(s.MonotonicTimes, fastest.MonotonicTimes, true, noise);
    }
  }
  if (!record.Baseline) return;
  for (const BaselineCell& cell : record.Baseline->Cells) {
    if (cell.Set >= sets.size() || cell.Solver >= sets[cell.Set].Solvers.size()) continue;
    SolverSummary& s = sets[cell.Set].Solvers[cell.Solver];
    s.Baseline = &cell;
    if (s.Verdict != Verdict::Correct || s.MonotonicTimes.empty()) continue;
    s.AgainstBaseline = Compare(s.MonotonicTimes, cell.MonotonicSeconds, false, noise);
  }
}

}  // namespace

const std::optional<double>& PerPuzzleFigure(const SolverSummary& s, PerPuzzle figure) {
  return figure == PerPuzzle::Net ? s.MicrosecondsPerPuzzleNet : s.MicrosecondsPerPuzzle;
}

const std::vector<double>& PerPuzzleRuns(const SolverSummary& s, PerPuzzle figure) {
  return figure == PerPuzzle::Net ? s.RunsPerPuzzleNet : s.RunsPerPuzzle;
}

Summaries Summarize(const RunRecord& record, Detail detail) {
  Summaries summaries;
  for (std::size_t set = 0; set < record.Sets.size(); ++set) {
    SetSummary summary;
    for (std::size_t solver = 0; solver < record.Solvers.size(); ++solver) {
      summary.Solvers.push_back(SummarizeSolver(record, set, solver));
    }
    summaries.Sets.push_back(std::move(summary));
  }
  summaries.Figure = FigureOf(summaries.Sets);
  for (SetSummary& set : summaries.Sets) RelateToFastest(set, summaries.Figure);
  summaries.GeometricMeanFactors = GeometricMeans(summaries.Sets, record.Solvers.size());
  if (detail == Detail::Full) CompareSolvers(record, summaries.Sets);
  return summaries;
}

}  // namespace record
