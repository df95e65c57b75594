#include "PlotData.h"

#include <algorithm>

namespace report {

plot::Ticks PlotPanel::TimeAxis() const {
  double low = 0, high = 0;
  bool any = false;
  for (const PlotRow& row : Rows) {
    for (const double s : row.Seconds) {
      low = any ? std::min(low, s) : s;
      high = any ? std::max(high, s) : s;
      any = true;
    }
  }
  return plot::TicksOver(low, high);
}

std::int64_t HistogramCurve::Total() const {
  std::int64_t total = 0;
  for (const std::int64_t count : Counts) total += count;
  return total;
}

double HistogramPanel::PeakShare() const {
  double peak = 0;
  for (const HistogramCurve& curve : Curves) {
    const std::int64_t total = curve.Total();
    if (total <= 0) continue;
    for (const std::int64_t count : curve.Counts) {
      peak = std::max(peak, static_cast<double>(count) / static_cast<double>(total));
    }
  }
  return peak;
}

PlotData PlotOf(const record::RunRecord& record, const record::Summaries& summaries,
                const std::string& decimalSeparator) {
  PlotData data;
  data.DecimalSeparator = decimalSeparator;
  for (const record::Solver& solver : record.Solvers) data.Solvers.push_back(solver.Name);
  const int repeat = record.Settings.Repeat;
  const std::string rounds = std::to_string(repeat) + (repeat == 1 ? " Runde" : " Runden");
  const bool several = record.Sets.size() > 1;
  if (several) {
    data.Title = std::to_string(record.Sets.size()) + " Sammlungen, " + rounds;
  } else if (!record.Sets.empty()) {
    const record::PuzzleSet& puzzles = record.Sets[0];
    data.Title =
        std::to_string(puzzles.Count) + " Rätsel " +
        (puzzles.Collection.empty() ? "von Build (Startzahl " + std::to_string(puzzles.Seed) + ")"
                                    : "aus " + puzzles.Collection.filename().string()) +
        ", " + rounds;
  }
  for (std::size_t set = 0; set < summaries.Sets.size(); ++set) {
    PlotPanel panel;
    const record::PuzzleSet& puzzles = record.Sets[set];
    if (several) panel.Title = puzzles.Name + " (" + std::to_string(puzzles.Count) + " Rätsel)";
    const std::vector<record::SolverSummary>& solvers = summaries.Sets[set].Solvers;
    for (std::size_t i = 0; i < solvers.size(); ++i) {
      std::string name = record.Solvers[i].Name;
      if (solvers[i].Verdict == record::Verdict::Wrong) name += " (falsch)";
      if (solvers[i].Verdict == record::Verdict::Failed) name += " (fehlgeschlagen)";
      panel.Rows.push_back({name, i, solvers[i].MonotonicTimes});
    }
    data.Panels.push_back(std::move(panel));
    HistogramPanel histogram{
        puzzles.Name + " (" + std::to_string(puzzles.Count) + " Rätsel)", set, {}};
    for (std::size_t i = 0; i < solvers.size(); ++i) {
      const record::PuzzleTimes* pass = solvers[i].MedianPuzzles;
      if (record.Solvers[i].Kind != record::SolverKind::Library || !pass ||
          pass->Histogram.size() != static_cast<std::size_t>(record::PuzzleTimeBins)) {
        continue;
      }
      histogram.Curves.push_back({data.Panels.back().Rows[i].Name, i, pass->Histogram});
    }
    if (!histogram.Curves.empty()) data.Histograms.push_back(std::move(histogram));
  }
  return data;
}

}  // namespace report
