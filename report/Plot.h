// A picture of a comparison: one row per solver, each timed run a dot, its median marked, under a
// time axis in seconds. Drawn with QPainter into a QImage; where it is saved is the caller's
// business, so that a test can look at the pixels.
#pragma once

#include <QImage>
#include <string>
#include <vector>

#include "RunRecord.h"

namespace report {

struct PlotRow {
  std::string Name;             // the solver, and a note when it left the comparison
  std::vector<double> Seconds;  // its timed runs
};

struct PlotData {
  std::string Title;
  std::vector<PlotRow> Rows;
  std::string DecimalSeparator = ",";  // for the axis, as the user's number settings have it
};

// Width and layout are fixed; the height grows with the rows. Needs a QGuiApplication.
QImage DrawComparison(const PlotData& data);

// What the picture of a run shows: its timed runs per solver, under a German title that names
// the count and the source of the puzzles.
PlotData PlotOf(const record::RunRecord& record, const record::Summaries& summaries,
                const std::string& decimalSeparator);

}  // namespace report
