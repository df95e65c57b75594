// A picture of a comparison: one panel per set of puzzles, in it one row per solver, each timed
// run a dot in the solver's colour, its median marked, over a time axis in seconds of its own.
// Drawn with QPainter into a QImage; where it is saved is the caller's business, so that a test
// can look at the pixels.
#pragma once

#include <QColor>
#include <QImage>
#include <cstddef>
#include <string>
#include <vector>

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
};

struct PlotData {
  std::string Title;
  std::vector<PlotPanel> Panels;
  std::vector<std::string> Solvers;    // the legend: each solver's name beside its colour
  std::string DecimalSeparator = ",";  // for the axes, as the user's number settings have it
};

// The colour of the solver at `index`: a fixed palette that keeps clear of the median's red,
// repeated beyond its end.
QColor SolverColour(std::size_t index);

// Width and layout are fixed; the height grows with the panels, their rows and the legend. Needs
// a QGuiApplication.
QImage DrawComparison(const PlotData& data);

// What the picture of a run shows: per set its timed runs per solver (not the start-up runs),
// under a German title that names the count and the source of the puzzles, or the number of
// sets.
PlotData PlotOf(const record::RunRecord& record, const record::Summaries& summaries,
                const std::string& decimalSeparator);

}  // namespace report
