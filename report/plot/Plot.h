// A picture of a comparison: one panel per set of puzzles, in it one row per solver, each timed
// run a dot in the solver's colour, its median marked, over a time axis in seconds of its own.
// Drawn with QPainter into a QImage; where it is saved is the caller's business, so that a test
// can look at the pixels.
#pragma once

#include <QColor>
#include <QImage>
#include <cstddef>

#include "PlotData.h"

namespace report {

// The colour of the solver at `index`: a fixed palette that keeps clear of the median's red,
// repeated beyond its end.
QColor SolverColour(std::size_t index);

// Width and layout are fixed; the height grows with the panels, their rows and the legend. Needs
// a QGuiApplication.
QImage DrawComparison(const PlotData& data);

}  // namespace report
