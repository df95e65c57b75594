// What a picture of a run shows, whichever way it is drawn: per set a row per solver with its
// timed runs, each solver by its index, which keeps its colour in every panel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Axis.h"
#include "RunRecord.h"

namespace report {

struct PlotRow {
  std::string Name;             // the solver, and a note when it left the comparison
  std::size_t Solver = 0;       // its colour, the same in every panel: an index into Solvers
  std::vector<double> Seconds;  // its timed runs
};

struct PlotPanel {
  std::string Title;  // the set and its count; empty for a run of one set, which Title names
  std::vector<PlotRow> Rows;

  // An axis of seconds over every run of the panel.
  plot::Ticks TimeAxis() const;
};

// A library's per-puzzle times on a set: the counts of its pass nearest the median in the bins of
// record::PuzzleTimeBins.
struct HistogramCurve {
  std::string Name;        // the library, and a note when it left the comparison
  std::size_t Solver = 0;  // its colour, as in PlotRow
  std::vector<std::int64_t> Counts;

  std::int64_t Total() const;
};

// A set's picture of per-puzzle times: a curve per library solver with a histogram.
struct HistogramPanel {
  std::string Title;    // the set and its count
  std::size_t Set = 0;  // an index into RunRecord::Sets
  std::vector<HistogramCurve> Curves;

  // The largest share of a curve's puzzles in one bin, 0 to 1; 0 without counts.
  double PeakShare() const;
};

struct PlotData {
  std::string Title;
  std::vector<PlotPanel> Panels;
  // Only for sets with a library's histogram; none in a run without libraries.
  std::vector<HistogramPanel> Histograms = {};
  std::vector<std::string> Solvers;    // the legend: each solver's name beside its colour
  std::string DecimalSeparator = ",";  // for the axes, as the user's number settings have it
};

// What the picture of a run shows: per set its timed runs per solver (not the start-up runs),
// under a German title that names the count and the source of the puzzles, or the number of
// sets.
PlotData PlotOf(const record::RunRecord& record, const record::Summaries& summaries,
                const std::string& decimalSeparator);

}  // namespace report
