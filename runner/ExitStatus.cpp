#include "ExitStatus.h"

#include <algorithm>

#include "BaselineWords.h"

namespace runner {
namespace {

// Why no comparison decided a solver on a set; nothing when one did.
std::optional<std::string> Undecided(const record::RunRecord& record, std::size_t set,
                                     std::size_t solver, const record::SolverSummary& s) {
  if (s.AgainstBaseline) {
    if (s.AgainstBaseline->Change == record::Change::TooFewRounds) return "zu wenige Runden";
    return std::nullopt;
  }
  const record::UncomparedCell* cell = s.Baseline || !record.Baseline
                                           ? nullptr
                                           : report::UncomparedOf(*record.Baseline, set, solver);
  if (!cell) return "kein Vergleich mit der Basis";
  std::string why = report::NoComparisonWords(*record.Baseline, *cell);
  // With latest each cell has a run of its own: which one is worth knowing.
  if (cell->Run && record.Baseline->Reference == "latest") {
    why += " (" + report::StoredRunText(*cell->Run, cell->Name) + ")";
  }
  return why;
}

}  // namespace

RunEnd DecideExit(const record::RunRecord& record, const record::Summaries& summaries) {
  RunEnd end;
  if (record.Interruption) {  // as a shell reports a program ended by that signal
    end.Status = 128 + record.Interruption->Signal;
    return end;
  }
  const auto& runs = record.Measurements;
  const bool failed = std::any_of(runs.begin(), runs.end(), [](const record::Measurement& m) {
    return m.Verdict == record::Verdict::Failed;
  });
  const bool wrong = std::any_of(runs.begin(), runs.end(), [](const record::Measurement& m) {
    return m.Verdict == record::Verdict::Wrong;
  });
  bool slower = false;
  if (record.Settings.FailOnRegression) {
    for (std::size_t set = 0; set < summaries.Sets.size(); ++set) {
      for (std::size_t solver = 0; solver < summaries.Sets[set].Solvers.size(); ++solver) {
        const record::SolverSummary& s = summaries.Sets[set].Solvers[solver];
        if (s.Verdict != record::Verdict::Correct) continue;  // already a failure or wrong
        if (auto why = Undecided(record, set, solver, s)) {
          end.Undecided.push_back("Löser " + record.Solvers[solver].Name + " auf Satz " +
                                  record.Sets[set].Name + ": " + *why);
        } else if (s.AgainstBaseline->Change == record::Change::Slower) {
          slower = true;
        }
      }
    }
  }
  end.Status = failed || !end.Undecided.empty() ? 2 : wrong ? 1 : slower ? 3 : 0;
  return end;
}

}  // namespace runner
