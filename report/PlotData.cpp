#include "PlotData.h"

#include <cstdio>

namespace report {

std::array<int, 3> SolverRgb(std::size_t index) {
  // Ten colours that people tell apart, less the red that marks the median.
  static const std::array<std::array<int, 3>, 9> palette{{{31, 119, 180},
                                                          {255, 127, 14},
                                                          {44, 160, 44},
                                                          {148, 103, 189},
                                                          {140, 86, 75},
                                                          {227, 119, 194},
                                                          {127, 127, 127},
                                                          {188, 189, 34},
                                                          {23, 190, 207}}};
  return palette[index % palette.size()];
}

std::string SolverHex(std::size_t index) {
  const std::array<int, 3> rgb = SolverRgb(index);
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
  return text;
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
  }
  return data;
}

}  // namespace report
