// The page of a run and the page of the stored history: one HTML file each that any browser
// opens, with its style and its pictures inside and nothing loaded from elsewhere, in the words
// of the text report.
#pragma once

#include <string>
#include <vector>

#include "History.h"
#include "RunRecord.h"

namespace report {

// The machine, the matrix of sets by solvers, where a solver left a set and why, the
// comparisons with their verdicts, and per set its picture and every solver's items as the text
// report has them.
std::string FormatHtml(const record::RunRecord& record, const record::Summaries& summaries,
                       const std::string& decimalSeparator);

// Per set each solver's median over the stored runs, as a picture and a table, then every line
// as the history lists it.
std::string FormatHistoryHtml(const std::vector<record::HistoryLine>& lines,
                              const std::string& decimalSeparator);

}  // namespace report
