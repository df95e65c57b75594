#include "RunRecord.h"

#include <algorithm>

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
    default:
      return "failed";
  }
}

namespace {

SolverSummary SummarizeSolver(const RunRecord& record, std::size_t set, std::size_t solver) {
  SolverSummary s;
  std::vector<double> startups;
  for (const Run& run : record.Runs) {
    if (run.Set != set || run.Solver != solver) continue;
    s.Last = &run;
    if (run.Verdict == Verdict::Failed) {
      s.State = Verdict::Failed;
      continue;
    }
    if (run.Verdict == Verdict::Wrong && s.State == Verdict::Correct) s.State = Verdict::Wrong;
    // The whole set's outcomes, unless a start-up run was the wrong one.
    if (!run.Startup || run.Verdict == Verdict::Wrong) s.LastJudged = &run;
    if (run.Startup) {
      if (!run.Warmup) startups.push_back(run.MonotonicSeconds);
      continue;
    }
    s.Ended.push_back(&run);
    if (run.Warmup) continue;
    s.MonotonicTimes.push_back(run.MonotonicSeconds);
    s.EndeTimes.push_back(run.EndeSeconds);
  }
  s.Monotonic = stats::Summarize(s.MonotonicTimes);
  s.Ende = stats::Summarize(s.EndeTimes);
  if (!startups.empty()) s.StartupSeconds = stats::Median(startups);
  const auto n = static_cast<double>(set < record.Sets.size() ? record.Sets[set].Count : 0);
  if (!s.MonotonicTimes.empty() && n > 0) {
    const double median = s.Monotonic.Median;
    s.MicrosecondsPerPuzzle = median / n * 1e6;
    s.PuzzlesPerSecond = n / median;
    if (s.StartupSeconds && n > 1) {
      s.MicrosecondsPerPuzzleNet = (median - *s.StartupSeconds) / (n - 1) * 1e6;
    }
  }
  return s;
}

std::optional<std::size_t> Fastest(const std::vector<SolverSummary>& solvers) {
  std::optional<std::size_t> fastest;
  int compared = 0;
  for (std::size_t i = 0; i < solvers.size(); ++i) {
    const SolverSummary& s = solvers[i];
    if (s.State != Verdict::Correct || s.MonotonicTimes.empty()) continue;
    ++compared;
    if (!fastest || s.Monotonic.Mean < solvers[*fastest].Monotonic.Mean) fastest = i;
  }
  return compared >= 2 ? fastest : std::nullopt;
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

}  // namespace

Summaries Summarize(const RunRecord& record) {
  Summaries summaries;
  for (std::size_t set = 0; set < record.Sets.size(); ++set) {
    SetSummary summary;
    for (std::size_t solver = 0; solver < record.Solvers.size(); ++solver) {
      summary.Solvers.push_back(SummarizeSolver(record, set, solver));
    }
    summary.Fastest = Fastest(summary.Solvers);
    if (summary.Fastest) {
      const stats::Summary& best = summary.Solvers[*summary.Fastest].Monotonic;
      for (SolverSummary& s : summary.Solvers) {
        if (s.State == Verdict::Correct && !s.MonotonicTimes.empty()) {
          s.RelativeToFastest = stats::Slower(best, s.Monotonic);
        }
      }
    }
    summaries.Sets.push_back(std::move(summary));
  }
  for (const Run& run : record.Runs) {
    if (run.Verdict == Verdict::Failed) summaries.ExitStatus = 2;
    if (run.Verdict == Verdict::Wrong && summaries.ExitStatus == 0) summaries.ExitStatus = 1;
  }
  summaries.GeometricMeanFactors = GeometricMeans(summaries.Sets, record.Solvers.size());
  return summaries;
}

}  // namespace record
