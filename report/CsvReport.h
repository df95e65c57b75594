// Every run of a run record as CSV, for spreadsheets and scripts.
#pragma once

#include <string>

#include "RunRecord.h"

namespace report {

// One row per run, of every set, warm-up, start-up and failed runs included, each with its own
// verdict, CPU times and peak memory, under a header row; numbers always with a decimal point,
// whatever the locale, and empty for a run whose process never ended.
std::string FormatCsv(const record::RunRecord& record, const record::Summaries& summaries);

}  // namespace report
