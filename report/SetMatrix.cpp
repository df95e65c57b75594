#include "SetMatrix.h"

#include "Numbers.h"

namespace report {
namespace {

using record::Verdict;

Cell CellOf(const record::SolverSummary& s, record::PerPuzzle figure, const std::string& sep) {
  if (s.Verdict == Verdict::Wrong) return {"falsch", Tone::Bad};
  if (s.Verdict == Verdict::Failed) return {"gescheitert", Tone::Bad};
  const std::optional<double>& us = record::PerPuzzleFigure(s, figure);
  if (!us) return "–";
  std::string cell = Figure(*us, sep) + " µs";
  if (s.RelativeToFastest) cell += " (" + Decimal(s.RelativeToFastest->Factor, 2, sep) + ")";
  return cell;
}

}  // namespace

const char* FigureWord(record::PerPuzzle figure) {
  return figure == record::PerPuzzle::Net ? "netto" : "brutto";
}

SetMatrix MatrixOf(const record::RunRecord& record, const record::Summaries& summaries,
                   const std::string& decimalSeparator) {
  const std::string& sep = decimalSeparator;
  SetMatrix matrix;
  matrix.Header.push_back("Sammlung");
  for (const record::Solver& solver : record.Solvers) matrix.Header.push_back(solver.Name);
  for (std::size_t set = 0; set < summaries.Sets.size(); ++set) {
    const record::PuzzleSet& puzzles = record.Sets[set];
    std::vector<Cell> row{puzzles.Name + " (" + std::to_string(puzzles.Count) + " Rätsel)"};
    for (const record::SolverSummary& s : summaries.Sets[set].Solvers) {
      row.push_back(CellOf(s, summaries.Figure, sep));
    }
    matrix.Rows.push_back(std::move(row));
  }
  matrix.Notes.push_back(summaries.Figure == record::PerPuzzle::Net
                             ? "µs je Rätsel netto, ohne den Start: (Median − Start) ÷ (N − 1)."
                             : "µs je Rätsel brutto: Median ÷ N.");
  matrix.Notes.push_back(
      "In Klammern der Faktor zum Schnellsten der Sammlung: µs je Rätsel ÷ die kleinsten der "
      "Zeile.");
  if (record.Solvers.size() < 2) return matrix;
  std::vector<Cell> means{"Geometrisches Mittel"};
  for (const std::optional<double>& mean : summaries.GeometricMeanFactors) {
    means.push_back(mean ? Decimal(*mean, 2, sep) : "–");
  }
  matrix.Rows.push_back(std::move(means));
  matrix.Notes.push_back(
      "Das geometrische Mittel nimmt die Sammlungen, auf denen alle Löser bestanden.");
  return matrix;
}

}  // namespace report
