// The pictures of the page as SVG elements: drawn as the PNG pictures are, in text that a
// browser shows without loading anything and that can be searched and copied from.
#pragma once

#include <string>
#include <vector>

#include "History.h"
#include "PlotData.h"

namespace report {

// A set's timed runs: a row per solver, each run a dot in the solver's colour, their median a
// red stroke, seconds along the bottom. `id` names the picture's title within the page.
std::string DotPictureSvg(const PlotPanel& panel, const std::string& title, const std::string& id,
                          const std::string& decimalSeparator);

// A set of the history: each solver's median per stored run with its range from fastest to
// slowest run, joined from run to run; a wrong run's mark hollow. `solvers` names the colours'
// order, as HistorySetsOf gives it.
std::string HistorySvg(const HistorySet& set, const std::vector<std::string>& solvers,
                       const std::string& title, const std::string& id,
                       const std::string& decimalSeparator);

// A set's per-puzzle times of its libraries: a step curve per library in its colour, the share of
// its puzzles per bin over a logarithmic time axis from 0,1 µs to 100 s, and a legend.
std::string HistogramSvg(const HistogramPanel& panel, const std::string& title,
                         const std::string& id, const std::string& decimalSeparator);

}  // namespace report
