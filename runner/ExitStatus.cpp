#include "ExitStatus.h"

#include <algorithm>

namespace runner {
namespace {

// Why no comparison decided a solver on a set; nothing when one did.
std::optional<std::string> Undecided(const record::SolverSummary& s) {
  if (!s.AgainstBaseline) return "kein Vergleich mit der Basis";
  if (s.AgainstBaseline->Change == record::Change::TooFewRounds) return "zu wenige Runden";
  return std::nullopt;
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
        if (auto why = Undecided(s)) {
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
