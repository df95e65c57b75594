// The report of a run for scripts, as JSON: every set with its solvers and every run of each.
// Its fields are described in docs/messlauf-json.md; a test holds the two to each other.
#pragma once

#include <string>

#include "RunRecord.h"

namespace report {

std::string FormatJson(const record::RunRecord& record, const record::Summaries& summaries);

}  // namespace report
