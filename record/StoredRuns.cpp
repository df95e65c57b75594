#include "StoredRuns.h"

namespace record {
namespace {

std::string Short(const std::string& hash) {
  return hash.substr(0, 8);
}

// The median judging time of the solver's judged timed runs on the whole set; none without such
// a run or when one of them does not know its time.
std::optional<double> MedianCheckSeconds(const SolverSummary& s) {
  std::vector<double> seconds;
  for (const Measurement* run : s.Ended) {
    if (run->Warmup) continue;
    if (!run->CheckSeconds) return std::nullopt;
    seconds.push_back(*run->CheckSeconds);
  }
  if (seconds.empty()) return std::nullopt;
  return stats::Median(seconds);
}

}  // namespace

std::vector<HistoryLine> HistoryLinesOf(const StoredRun& run) {
  const RunRecord& r = run.Record;
  const Summaries summaries = Summarize(r, Detail::WithoutComparisons);
  const MachineContext& c = r.Context;
  std::vector<HistoryLine> lines;
  for (std::size_t set = 0; set < r.Sets.size(); ++set) {
    for (std::size_t solver = 0; solver < r.Solvers.size(); ++solver) {
      const SolverSummary& s = summaries.Sets[set].Solvers[solver];
      HistoryLine line;
      line.Number = run.Number;
      line.StartedUtc = c.StartedUtc;
      line.Machine = c.Host.empty() ? Short(c.MachineId) : c.Host;
      line.MachineId = c.MachineId;
      line.Commit = c.GitCommit.substr(0, 10) + (c.GitChanges ? "+" : "");
      line.Solver = r.Solvers[solver].Name;
      line.SolverSha256 = r.Solvers[solver].ProgramSha256;
      line.VersionSha256 = r.Solvers[solver].VersionSha256.empty()
                               ? r.Solvers[solver].ProgramSha256
                               : r.Solvers[solver].VersionSha256;
      line.Set = r.Sets[set].Name;
      line.SetSha256 = r.Sets[set].InSha256;
      line.Count = r.Sets[set].Count;
      line.TimedRuns = static_cast<int>(s.MonotonicTimes.size());
      if (!s.MonotonicTimes.empty()) {
        line.MedianSeconds = s.Monotonic.Median;
        line.MinimumSeconds = s.Monotonic.Minimum;
        line.MaximumSeconds = s.Monotonic.Maximum;
      }
      // As in the run's report: a figure per puzzle only for a solver that stayed correct.
      if (s.Verdict == Verdict::Correct) {
        line.MicrosecondsPerPuzzleNet = s.MicrosecondsPerPuzzleNet;
      }
      line.CheckThreads = r.Settings.CheckThreads;
      line.CheckSeconds = MedianCheckSeconds(s);
      line.Verdict = s.Verdict;
      line.BaselineName = r.Settings.SaveBaseline;
      for (const StoredComparison& compared : run.Comparisons) {
        if (compared.AgainstBaseline && compared.Set == set && compared.Solver == solver) {
          line.AgainstBaseline = compared;
        }
      }
      lines.push_back(std::move(line));
    }
  }
  return lines;
}

std::vector<HistoryLine> HistoryLinesOf(const std::vector<StoredRun>& runs) {
  std::vector<HistoryLine> lines;
  for (const StoredRun& run : runs) {
    std::vector<HistoryLine> more = HistoryLinesOf(run);
    lines.insert(lines.end(), std::make_move_iterator(more.begin()),
                 std::make_move_iterator(more.end()));
  }
  return lines;
}

bool Takes(const HistoryFilter& filter, const HistoryLine& line) {
  if (!filter.Solver.empty() && line.Solver != filter.Solver) return false;
  if (!filter.Set.empty() && line.Set != filter.Set) return false;
  return filter.Machine.empty() || line.Machine == filter.Machine ||
         (!line.MachineId.empty() && line.MachineId.starts_with(filter.Machine));
}

}  // namespace record
