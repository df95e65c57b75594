// The report of a run for scripts, as JSON. Its fields are described in the README.
#pragma once

#include <string>

#include "BenchmarkRun.h"

namespace runner {

std::string FormatJson(const RunReport& report);

}  // namespace runner
