// A picture of the stored runs: one panel per set, in it each solver's median with the range from
// its fastest to its slowest run, one mark per stored run, its medians joined from run to run.
#pragma once

#include <QImage>
#include <string>
#include <vector>

#include "History.h"

namespace report {

// A set is its name and its puzzles' digest: the same name over other puzzles is a panel of its
// own. Panels and solvers in the order they first appear; a solver keeps its colour in every
// panel. Width as the comparison; the height grows with the panels and the legend. Without lines,
// a picture that says so. Needs a QGuiApplication.
QImage DrawHistory(const std::vector<record::HistoryLine>& lines, const std::string& decimalSeparator);

}  // namespace report
