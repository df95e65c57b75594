// The comparison as tables for other tools: Markdown for pages, CSV for spreadsheets and scripts.
#pragma once

#include <string>

#include "RunRecord.h"

namespace report {

// One set: one row per solver with name, mean ± σ, minimum, maximum of the monotonic time in
// seconds, and the factor against the fastest. Several sets: one row per set, one column per
// solver, and the geometric means of the factors. With the user's decimal separator, as the text
// report.
std::string FormatMarkdown(const record::RunRecord& record, const record::Summaries& summaries,
                           const std::string& decimalSeparator);

// One row per run, of every set, warm-up, start-up and failed runs included, each with its own
// verdict, CPU times and peak memory, under a header row; numbers always with a decimal point,
// whatever the locale, and empty for a run whose process never ended.
std::string FormatCsv(const record::RunRecord& record, const record::Summaries& summaries);

}  // namespace report
