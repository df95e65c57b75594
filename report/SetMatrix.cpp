#include "SetMatrix.h"

#include "Numbers.h"

namespace report {
namespace {

using record::Verdict;

// Whether the solver's cell shows a figure.
bool Shown(const record::SolverSummary& s, record::PerPuzzle figure) {
  return s.Verdict == Verdict::Correct && record::PerPuzzleFigure(s, figure).has_value();
}

// `measure` follows the unit where a row holds figures of both kinds: " im Prozess", " netto".
Cell CellOf(const record::SolverSummary& s, record::PerPuzzle figure, const std::string& measure,
            const std::string& sep) {
  if (s.Verdict == Verdict::Wrong) return {"falsch", Tone::Bad};
  if (s.Verdict == Verdict::Failed) return {"gescheitert", Tone::Bad};
  const std::optional<double>& us = record::PerPuzzleFigure(s, figure);
  if (!us) return "–";
  std::string cell = Figure(*us, sep) + " µs" + measure;
  if (s.RelativeToFastest) cell += " (" + Decimal(s.RelativeToFastest->Factor, 2, sep) + ")";
  return cell;
}

}  // namespace

bool MixedRow(const record::RunRecord& record, const record::SetSummary& set,
              record::PerPuzzle figure) {
  bool inProcess = false, started = false;
  for (std::size_t i = 0; i < set.Solvers.size() && i < record.Solvers.size(); ++i) {
    if (!Shown(set.Solvers[i], figure)) continue;
    (record.Solvers[i].Kind == record::SolverKind::Library ? inProcess : started) = true;
  }
  return inProcess && started;
}

const char* FigureWord(record::PerPuzzle figure) {
  return figure == record::PerPuzzle::Net ? "netto" : "brutto";
}

SetMatrix MatrixOf(const record::RunRecord& record, const record::Summaries& summaries,
                   const std::string& decimalSeparator) {
  const std::string& sep = decimalSeparator;
  SetMatrix matrix;
  const std::string others = FigureWord(summaries.Figure);
  bool anyMixed = false;
  matrix.Header.push_back("Sammlung");
  for (const record::Solver& solver : record.Solvers) matrix.Header.push_back(solver.Name);
  for (std::size_t set = 0; set < summaries.Sets.size(); ++set) {
    const record::PuzzleSet& puzzles = record.Sets[set];
    const record::SetSummary& summary = summaries.Sets[set];
    const bool mixed = MixedRow(record, summary, summaries.Figure);
    anyMixed = anyMixed || mixed;
    std::vector<Cell> row{puzzles.Name + " (" + std::to_string(puzzles.Count) + " Rätsel)" +
                          (mixed ? ", gemischt: µs im Prozess neben µs " + others : "")};
    for (std::size_t i = 0; i < summary.Solvers.size(); ++i) {
      const bool library =
          i < record.Solvers.size() && record.Solvers[i].Kind == record::SolverKind::Library;
      const std::string measure = !mixed ? "" : library ? " im Prozess" : " " + others;
      row.push_back(CellOf(summary.Solvers[i], summaries.Figure, measure, sep));
    }
    matrix.Rows.push_back(std::move(row));
  }
  matrix.Notes.push_back(summaries.Figure == record::PerPuzzle::Net
                             ? "µs je Rätsel netto, ohne den Start: (Median − Start) ÷ (N − 1)."
                             : "µs je Rätsel brutto: Median ÷ N.");
  if (anyMixed) {
    matrix.Notes.push_back(
        "Gemischt: µs im Prozess sind die Aufrufe einer Bibliothek in ihrem Gastgeber, µs " +
        others +
        (summaries.Figure == record::PerPuzzle::Net ? " ein Programm ohne seinen Start."
                                                    : " ein Programm mit seinem Start."));
  }
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
