// The timed part of a benchmark run in a work folder that holds IN.TXT (PuzzleSource.h): every
// solver in rounds, started right after Start's stamp and timed as Ende does (and with a
// monotonic clock), and every OUT.TXT judged as Check does, against the puzzles Messlauf wrote.
// The programs' own core code does each step; only the solvers run as separate programs.
#pragma once

#include "Options.h"
#include "PuzzleSource.h"
#include "RunRecord.h"

namespace runner {

// Runs and judges every solver of `plan`, round by round, on the puzzles that PreparePuzzles
// wrote. A solver that fails or answers wrongly leaves the comparison; the others go on. Progress
// goes to standard error. Throws kit::FileError when the work folder fails the run, and
// Interrupted when SIGINT or SIGTERM asks it to stop.
record::RunRecord PerformRun(const Plan& plan, const PreparedPuzzles& puzzles,
                             const record::MachineContext& context);

}  // namespace runner
