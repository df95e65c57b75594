#include "ComparisonRows.h"

#include "BaselineWords.h"
#include "Numbers.h"

namespace report {
namespace {

ComparisonRow RowOf(const std::string& solver, const std::string& set, std::string against,
                    const record::Comparison& c, const std::string& sep) {
  ComparisonRow row{solver, set, std::move(against), "–", "–", "–", record::ChangeWord(c.Change)};
  row.Tone = ToneOf(c.Change);
  if (c.Count > 0 && c.OtherCount > 0) {
    row.Ratio = Decimal(c.Ratio.Ratio, 3, sep);
    row.Interval = Decimal(c.Ratio.Low, 3, sep) + "–" + Decimal(c.Ratio.High, 3, sep);
  }
  if (c.P) row.P = ShownP(*c.P, sep);
  if (c.Change == record::Change::TooFewRounds) {
    row.Verdict += " (" + std::to_string(c.Count) + " und " + std::to_string(c.OtherCount) + ")";
  }
  return row;
}

// A solver on a set that the baseline found nothing to compare with: why, and the run it looked
// into.
ComparisonRow UncomparedRow(const record::Baseline& baseline, std::size_t set, std::size_t i,
                            const std::string& solver, const std::string& name) {
  const record::UncomparedCell* cell = UncomparedOf(baseline, set, i);
  if (!cell) return {solver, name, "–", "–", "–", "–", "kein Vergleich mit der Basis"};
  const std::string against = cell->Run ? StoredRunText(*cell->Run, cell->Name) : "–";
  // Not compared is worth a warning: a gate fails on it.
  return {solver, name, against, "–", "–", "–", NoComparisonWords(baseline, *cell), Tone::Warning};
}

}  // namespace

std::vector<ComparisonRow> ComparisonRowsOf(const record::RunRecord& record,
                                            const record::Summaries& summaries,
                                            const std::string& decimalSeparator) {
  const std::string& sep = decimalSeparator;
  std::vector<ComparisonRow> rows;
  for (std::size_t set = 0; set < summaries.Sets.size(); ++set) {
    const record::SetSummary& summary = summaries.Sets[set];
    for (std::size_t i = 0; i < summary.Solvers.size(); ++i) {
      const record::SolverSummary& s = summary.Solvers[i];
      if (!s.AgainstFastest) continue;
      rows.push_back(RowOf(record.Solvers[i].Name, record.Sets[set].Name,
                           record.Solvers[*summary.Fastest].Name + " (gleiche Runden)",
                           *s.AgainstFastest, sep));
    }
  }
  if (!record.Baseline) return rows;
  for (std::size_t set = 0; set < summaries.Sets.size(); ++set) {
    for (std::size_t i = 0; i < summaries.Sets[set].Solvers.size(); ++i) {
      const record::SolverSummary& s = summaries.Sets[set].Solvers[i];
      const std::string& solver = record.Solvers[i].Name;
      const std::string& name = record.Sets[set].Name;
      if (!s.Baseline) {
        rows.push_back(UncomparedRow(*record.Baseline, set, i, solver, name));
        continue;
      }
      const std::string against = StoredRunText(s.Baseline->Run, s.Baseline->Name);
      if (!s.AgainstBaseline) {
        rows.push_back(
            {solver, name, against, "–", "–", "–", "nicht verglichen: nicht korrekt", Tone::Bad});
        continue;
      }
      rows.push_back(RowOf(solver, name, against, *s.AgainstBaseline, sep));
    }
  }
  return rows;
}

}  // namespace report
