// The comparison as Markdown tables, for pages that other tools make.
#pragma once

#include <string>

#include "RunRecord.h"

namespace report {

// One set: one row per solver with name, mean ± σ, minimum, maximum of the monotonic time in
// seconds, its microseconds per puzzle, and the factor against the fastest: the ratio of those
// microseconds. Several sets: one row per set, one column per
// solver, and the geometric means of the factors. With the user's decimal separator, as the text
// report.
std::string FormatMarkdown(const record::RunRecord& record, const record::Summaries& summaries,
                           const std::string& decimalSeparator);

}  // namespace report
