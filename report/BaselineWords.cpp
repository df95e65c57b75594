#include "BaselineWords.h"

#include <algorithm>

namespace report {

std::optional<std::string> PuzzlesFromText(const record::Baseline& baseline) {
  if (!baseline.PuzzlesFrom) return std::nullopt;
  const record::PuzzlesFrom& from = *baseline.PuzzlesFrom;
  std::string text = "Startzahl " + std::to_string(from.Seed);
  if (from.Count) text += " und Anzahl " + std::to_string(*from.Count);
  const std::string run = "Lauf " + std::to_string(from.Run);
  const bool number = baseline.Reference.find_first_not_of("0123456789") == std::string::npos;
  if (number) return text + " aus der Basis " + run;
  text += " aus der Basis " + baseline.Reference;
  // A name says which run it is; latest does not.
  return baseline.Reference == "latest" ? text + " (" + run + ")" : text;
}

std::string StoredRunText(std::int64_t run, const std::string& name) {
  return "Lauf " + std::to_string(run) + (name.empty() ? "" : " „" + name + "“");
}

const record::UncomparedCell* UncomparedOf(const record::Baseline& baseline, std::size_t set,
                                           std::size_t solver) {
  const auto& cells = baseline.Uncompared;
  const auto at = std::find_if(cells.begin(), cells.end(), [&](const record::UncomparedCell& c) {
    return c.Set == set && c.Solver == solver;
  });
  return at == cells.end() ? nullptr : &*at;
}

std::string NoComparisonWords(const record::Baseline& baseline,
                              const record::UncomparedCell& cell) {
  using record::NoComparison;
  // With latest each cell looks into the last run of its own that has the solver on these
  // puzzles: "the baseline" would name no run in particular.
  const std::string there =
      baseline.Reference == "latest" ? "im letzten Lauf mit diesen Rätseln" : "in der Basis";
  switch (cell.Reason) {
    case NoComparison::NoEarlierRun:
      return "kein früherer Lauf";
    case NoComparison::OtherPuzzles:
      return "andere Rätsel " + there;
    case NoComparison::NoSolver:
      return "Löser nicht " + there;
    case NoComparison::Wrong:
      return there + " falsch";
    case NoComparison::Failed:
      return there + " gescheitert";
    case NoComparison::NotTimed:
      return there + " nicht gemessen";
  }
  return "kein Vergleich mit der Basis";
}

const char* NoComparisonName(record::NoComparison reason) {
  using record::NoComparison;
  switch (reason) {
    case NoComparison::NoEarlierRun:
      return "no_earlier_run";
    case NoComparison::OtherPuzzles:
      return "other_puzzles";
    case NoComparison::NoSolver:
      return "solver_not_in_baseline";
    case NoComparison::Wrong:
      return "wrong_in_baseline";
    case NoComparison::Failed:
      return "failed_in_baseline";
    case NoComparison::NotTimed:
      return "not_timed_in_baseline";
  }
  return "unknown";
}

}  // namespace report
