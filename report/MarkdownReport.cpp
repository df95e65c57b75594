#include "MarkdownReport.h"

#include <sstream>

#include "BaselineWords.h"
#include "ComparisonRows.h"
#include "LastRun.h"
#include "LibraryFigures.h"
#include "Numbers.h"
#include "SetMatrix.h"
#include "TextReport.h"

namespace report {
namespace {

using record::Verdict;

// A Markdown cell's text: a "|" would end it.
std::string Escaped(const std::string& text) {
  std::string cell;
  for (char c : text) cell += c == '|' ? std::string("\\|") : std::string(1, c);
  return cell;
}

// The last cell of a solver's row: its factor against the fastest, or why it has none.
std::string Relative(const record::SetSummary& summary, std::size_t solver,
                     const std::string& sep) {
  const record::SolverSummary& s = summary.Solvers[solver];
  if (s.Verdict == Verdict::Wrong)
    return "falsch (Nr. " + std::to_string(LastCheck(s).Number) + ")";
  if (summary.Fastest == solver || !s.RelativeToFastest) return Decimal(1, 2, sep);
  const stats::Ratio& r = *s.RelativeToFastest;
  return Decimal(r.Factor, 2, sep) + (r.Deviation ? " ± " + Decimal(*r.Deviation, 2, sep) : "");
}

// One set: a row per solver with its times, the figure per puzzle and the factor, which is the
// ratio of those figures.
void MarkdownTable(std::ostringstream& md, const record::RunRecord& record,
                   const record::Summaries& summaries, const std::string& sep) {
  const record::SetSummary& summary = summaries.Sets[0];
  md << "| Löser | Mittel ± σ [s] | Minimum [s] | Maximum [s] | µs je Rätsel "
     << FigureWord(summaries.Figure) << " | relativ |\n"
     << "|---|---:|---:|---:|---:|---:|\n";
  for (std::size_t i = 0; i < summary.Solvers.size(); ++i) {
    const record::SolverSummary& s = summary.Solvers[i];
    md << "| " << Escaped(record.Solvers[i].Name) << " | ";
    if (s.Verdict == Verdict::Failed || s.MonotonicTimes.empty()) {
      md << "– | – | – | – | " << (s.Verdict == Verdict::Correct ? "–" : "fehlgeschlagen")
         << " |\n";
      continue;
    }
    const stats::Summary& m = s.Monotonic;
    md << PreciseSeconds(m.Mean, sep);
    if (m.Deviation) md << " ± " << PreciseSeconds(*m.Deviation, sep);
    // Only a correct solver's figure is compared.
    const std::optional<double>& us = record::PerPuzzleFigure(s, summaries.Figure);
    md << " | " << PreciseSeconds(m.Minimum, sep) << " | " << PreciseSeconds(m.Maximum, sep)
       << " | " << (us && s.Verdict == Verdict::Correct ? Figure(*us, sep) : "–") << " | "
       << Relative(summary, i, sep) << " |\n";
  }
}

// Several sets: the matrix as one table, its notes below it.
void MarkdownMatrix(std::ostringstream& md, const SetMatrix& matrix) {
  md << "|";
  for (const std::string& name : matrix.Header) md << " " << Escaped(name) << " |";
  md << "\n|---|";
  for (std::size_t i = 1; i < matrix.Header.size(); ++i) md << "---:|";
  md << "\n";
  for (const std::vector<Cell>& row : matrix.Rows) {
    md << "|";
    for (const Cell& cell : row) md << " " << Escaped(cell.Text) << " |";
    md << "\n";
  }
  md << "\n";
  for (const std::string& note : matrix.Notes) md << note << "\n";
}

// The comparisons of medians, one row each.
void MarkdownComparisons(std::ostringstream& md, const record::RunRecord& record,
                         const record::Summaries& summaries, const std::string& sep) {
  const std::vector<ComparisonRow> rows = ComparisonRowsOf(record, summaries, sep);
  if (rows.empty()) return;
  md << "\n| Löser | Satz | gegen | Verhältnis | 95-%-Intervall | Test | Urteil |\n"
     << "|---|---|---|---:|---:|---|---|\n";
  for (const ComparisonRow& r : rows) {
    md << "| " << Escaped(r.Solver) << " | " << Escaped(r.Set) << " | " << Escaped(r.Against)
       << " | " << r.Ratio << " | " << r.Interval << " | " << r.P << " | " << r.Verdict << " |\n";
  }
  md << "\nVerhältnis der Mediane, jetzt ÷ anderer; als Rauschen gilt unter "
     << ShownPercent(record.Settings.NoisePercent, sep) << ".\n";
  if (!record.Baseline) return;
  if (auto from = PuzzlesFromText(*record.Baseline)) md << "\n" << Escaped(*from) << ".\n";
}

// Each library's pass on each set: its figures, then its slowest puzzles.
void MarkdownLibraries(std::ostringstream& md, const record::RunRecord& record,
                       const record::Summaries& summaries, const std::string& sep) {
  for (std::size_t set = 0; set < summaries.Sets.size(); ++set) {
    const record::PuzzleSet& puzzles = record.Sets[set];
    for (std::size_t i = 0; i < record.Solvers.size(); ++i) {
      const record::SolverSummary& s = summaries.Sets[set].Solvers[i];
      const record::PuzzleTimes* pass = LibraryPass(record.Solvers[i], s);
      // A wrong or failed library's times stand for no correct pass: the matrix says why.
      if (!pass || s.Verdict != Verdict::Correct) continue;
      md << "\n**" << Escaped(record.Solvers[i].Name) << " auf " << Escaped(puzzles.Name) << " ("
         << puzzles.Count << " Rätsel), Bibliothek**\n\n| Kennzahl | Wert |\n|---|---:|\n";
      for (const ReportItem& item : LibraryItems(s, *pass, puzzles.Count, sep)) {
        md << "| " << Escaped(item.Label) << " | " << Escaped(item.Value) << " |\n";
      }
      if (pass->Slowest.empty()) continue;
      const std::vector<std::vector<std::string>> rows = SlowestRows(*pass, sep);
      md << "\nDie langsamsten Rätsel:\n\n";
      for (std::size_t r = 0; r < rows.size(); ++r) {
        md << "|";
        for (const std::string& cell : rows[r]) md << " " << Escaped(cell) << " |";
        md << (r == 0 ? "\n|---:|---:|---:|---:|\n" : "\n");
      }
    }
  }
}

}  // namespace

std::string FormatMarkdown(const record::RunRecord& record, const record::Summaries& summaries,
                           const std::string& decimalSeparator) {
  std::ostringstream md;
  if (record.Interruption) md << "**" << InterruptionText(record) << "**\n\n";
  if (summaries.Sets.size() > 1) {
    MarkdownMatrix(md, MatrixOf(record, summaries, decimalSeparator));
  } else if (!summaries.Sets.empty()) {
    MarkdownTable(md, record, summaries, decimalSeparator);
  }
  MarkdownComparisons(md, record, summaries, decimalSeparator);
  MarkdownLibraries(md, record, summaries, decimalSeparator);
  return md.str();
}

}  // namespace report
