// The report of a run for scripts, as JSON. Its fields are described in the README.
#pragma once

#include <string>

#include "RunRecord.h"

namespace report {

std::string FormatJson(const record::RunRecord& record, const record::Summaries& summaries);

}  // namespace report
