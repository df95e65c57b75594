// The timed part of a benchmark run in a work folder that holds IN.TXT (PuzzleSource.h): every
// solver in rounds, started right after Start's stamp and timed as Ende does (and with a
// monotonic clock), and every OUT.TXT judged as Check does, against the puzzles Messlauf wrote.
// The programs' own core code does each step; only the solvers run as separate programs.
#pragma once

#include "Options.h"
#include "PuzzleSource.h"
#include "RunRecord.h"

namespace runner {

// The subfolder of the work folder where each solver's start-up runs take place, on an IN.TXT
// with the set's first puzzle alone.
inline constexpr const char* StartupFolderName = "anlauf";

// Runs and judges every solver of `plan` on every set in turn: for each set its IN.TXT is written
// (PreparePuzzles), then every round runs each solver once on the whole set and once on the set's
// first puzzle alone. A solver that fails or answers wrongly leaves that set; it goes on in
// the others, and so do the other solvers. Progress goes to standard error. Throws kit::FileError
// when the work folder fails the run. When SIGINT or SIGTERM asks it to stop, the whole rounds are
// kept and the record says where it stopped (RunRecord::Interruption); Interrupted is thrown only
// when not one timed round of the first set was finished.
record::RunRecord PerformRun(const Plan& plan, const std::vector<CheckedSource>& sources,
                             const record::MachineContext& context);

}  // namespace runner
