#include "SetMatrix.h"

#include "Numbers.h"

namespace report {
namespace {

using record::Verdict;

// Net figures only when every solver that has a gross one has a net one too, above zero: on a
// set of a few puzzles the start-up's spread can exceed what the puzzles cost.
bool AllNet(const record::Summaries& summaries) {
  bool any = false;
  for (const record::SetSummary& set : summaries.Sets) {
    for (const record::SolverSummary& s : set.Solvers) {
      if (s.Verdict != Verdict::Correct || !s.MicrosecondsPerPuzzle) continue;
      if (!s.MicrosecondsPerPuzzleNet || *s.MicrosecondsPerPuzzleNet <= 0) return false;
      any = true;
    }
  }
  return any;
}

Cell CellOf(const record::SolverSummary& s, bool net, const std::string& sep) {
  if (s.Verdict == Verdict::Wrong) return {"falsch", Tone::Bad};
  if (s.Verdict == Verdict::Failed) return {"gescheitert", Tone::Bad};
  const std::optional<double>& us = net ? s.MicrosecondsPerPuzzleNet : s.MicrosecondsPerPuzzle;
  if (!us) return "–";
  std::string cell = Figure(*us, sep) + " µs";
  if (s.RelativeToFastest) cell += " (" + Decimal(s.RelativeToFastest->Factor, 2, sep) + ")";
  return cell;
}

}  // namespace

SetMatrix MatrixOf(const record::RunRecord& record, const record::Summaries& summaries,
                   const std::string& decimalSeparator) {
  const std::string& sep = decimalSeparator;
  const bool net = AllNet(summaries);
  SetMatrix matrix;
  matrix.Header.push_back("Sammlung");
  for (const record::Solver& solver : record.Solvers) matrix.Header.push_back(solver.Name);
  for (std::size_t set = 0; set < summaries.Sets.size(); ++set) {
    const record::PuzzleSet& puzzles = record.Sets[set];
    std::vector<Cell> row{puzzles.Name + " (" + std::to_string(puzzles.Count) + " Rätsel)"};
    for (const record::SolverSummary& s : summaries.Sets[set].Solvers) {
      row.push_back(CellOf(s, net, sep));
    }
    matrix.Rows.push_back(std::move(row));
  }
  matrix.Notes.push_back(net ? "µs je Rätsel netto, ohne den Start: (Median − Start) ÷ (N − 1)."
                             : "µs je Rätsel brutto: Median ÷ N.");
  matrix.Notes.push_back("In Klammern der Faktor zum Schnellsten der Sammlung (mittlere Zeit).");
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
