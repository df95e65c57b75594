#include "LibraryFigures.h"

#include <algorithm>

#include "Numbers.h"

namespace report {

bool HasLibrary(const record::RunRecord& record) {
  return std::any_of(record.Solvers.begin(), record.Solvers.end(),
                     [](const record::Solver& s) { return s.Kind == record::SolverKind::Library; });
}

const record::PuzzleTimes* LibraryPass(const record::Solver& solver,
                                       const record::SolverSummary& summary) {
  return solver.Kind == record::SolverKind::Library ? summary.MedianPuzzles : nullptr;
}

std::optional<double> GuessesPerPuzzle(const record::PuzzleTimes& pass, std::int64_t count) {
  if (!pass.Guesses || count <= 0) return std::nullopt;
  return static_cast<double>(*pass.Guesses) / static_cast<double>(count);
}

std::optional<double> ShareWithoutGuess(const record::PuzzleTimes& pass, std::int64_t count) {
  if (!pass.Guesses || count <= 0) return std::nullopt;
  return static_cast<double>(pass.WithoutGuess) / static_cast<double>(count);
}

std::vector<ReportItem> LibraryItems(const record::SolverSummary& summary,
                                     const record::PuzzleTimes& pass, std::int64_t count,
                                     const std::string& sep) {
  const auto shown = [&](const std::optional<double>& value) {
    return value ? Figure(*value, sep) : std::string("–");
  };
  std::vector<ReportItem> items;
  items.push_back({"µs je Rätsel im Prozess", shown(summary.MicrosecondsPerPuzzle)});
  items.push_back({"Rätsel je Sekunde", shown(summary.PuzzlesPerSecond)});
  // Its pass is the timed one: nothing was started apart from the puzzles.
  items.push_back({"Start", "–"});
  items.push_back({"Rateschritte je Rätsel", shown(GuessesPerPuzzle(pass, count))});
  const std::optional<double> share = ShareWithoutGuess(pass, count);
  items.push_back({"ohne Raten gelöst", share ? ShownPercent(*share * 100, sep) : "–"});
  items.push_back({"µs je Aufruf p50 / p90 / p99 / max",
                   Figure(pass.P50, sep) + " / " + Figure(pass.P90, sep) + " / " +
                       Figure(pass.P99, sep) + " / " + Figure(pass.Max, sep)});
  if (!pass.SolutionsGiven) items.push_back({"Prüfung", CountsOnly, false, Tone::Warning});
  return items;
}

std::vector<std::vector<std::string>> SlowestRows(const record::PuzzleTimes& pass,
                                                  const std::string& sep) {
  std::vector<std::vector<std::string>> rows{{"Nr.", "Zeile", "µs", "Rateschritte"}};
  for (const record::SlowPuzzle& slow : pass.Slowest) {
    rows.push_back({std::to_string(slow.Number), slow.Line ? std::to_string(*slow.Line) : "–",
                    Figure(slow.Microseconds, sep),
                    slow.Guesses ? std::to_string(*slow.Guesses) : "–"});
  }
  return rows;
}

}  // namespace report
