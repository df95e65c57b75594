// The comparison as tables for other tools: Markdown for pages, CSV for spreadsheets and scripts.
#pragma once

#include <string>

#include "BenchmarkRun.h"

namespace runner {

// One row per solver: name, mean ± σ, minimum, maximum of the monotonic time in seconds, and the
// factor against the fastest; with the user's decimal separator, as the text report.
std::string FormatMarkdown(const RunReport& report);

// One row per run, warm-up runs included, under a header row; numbers always with a decimal
// point, whatever the locale.
std::string FormatCsv(const RunReport& report);

}  // namespace runner
