// The report of a run for people: German, one item a line, times with the user's decimal
// separator.
#pragma once

#include <filesystem>
#include <string>

#include "BenchmarkRun.h"

namespace runner {

std::string FormatReport(const RunReport& report);

// Only IN.TXT was written (--prepare): where, from what, how much.
std::string FormatPrepared(const RunOptions& options, const PreparedPuzzles& puzzles);

// A path as the report shows it: relative to the current folder when it lies below it, so that a
// report can be shown elsewhere; otherwise absolute.
std::string ReportPath(const std::filesystem::path& path);

}  // namespace runner
