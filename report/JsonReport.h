// The report of a run for scripts, as JSON: every set with its solvers and every run of each;
// and the record read back from it.
// Its fields are described in docs/messlauf-json.md; a test holds the two to each other.
#pragma once

#include <string>

#include "RunRecord.h"

namespace report {

// `exitStatus` is what the run ends with, as the runner decided it.
std::string FormatJson(const record::RunRecord& record, const record::Summaries& summaries,
                       int exitStatus);

// The record back from such a report (version 2 or later), e.g. one made on another machine;
// `shownName` names the file in messages. The runs come back in the order Messlauf runs them.
// Version 3 keeps Check's message and outcomes and the size of OUT.TXT with every run; version 2
// kept them per solver and set only, so there each judged run of that solver on that set gets
// those of the last. Anything else than a complete report, or one whose sets list different
// solvers, throws kit::FileError.
record::RunRecord ReadJsonReport(const std::string& text, const std::string& shownName);

}  // namespace report
