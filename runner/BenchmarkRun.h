// The timed part of a benchmark run in a work folder that holds IN.TXT (PuzzleSource.h): time the
// solver as Start and Ende do (and with a monotonic clock), and judge OUT.TXT as Check does. The
// programs' own core code does each step; only the solver runs as a separate program.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "CheckIt.h"
#include "PuzzleSource.h"

namespace runner {

struct RunOptions {
  PuzzleSource Source;                 // the generator and its seed, or a collection
  std::filesystem::path Folder;        // where IN.TXT, Start.txt and OUT.TXT go
  std::filesystem::path Solver;        // the program timed: reads IN.TXT, writes OUT.TXT
  int Repeat = 1;                      // solver runs, each timed and checked
  std::string DecimalSeparator = ",";  // for the times as Ende shows them
};

struct SolverRun {
  double EndeSeconds = 0;       // from Start.txt to the end, as Ende computes it
  std::string EndeText;         // as Ende shows it, e.g. "56,034 Sek."
  double MonotonicSeconds = 0;  // from the start of the process to its end, steady clock
};

struct RunReport {
  RunOptions Options;
  PreparedPuzzles Puzzles;
  std::uintmax_t OutBytes = 0;
  std::vector<SolverRun> Runs;
  checker::CheckResult Check;  // of the last run's OUT.TXT, or of the first one that failed
};

// A step of the run that failed: the solver could not be started, failed, or wrote nothing.
class RunFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Times and checks the solver on the IN.TXT that PreparePuzzles wrote into the work folder.
// Progress goes to standard error. Throws RunFailed or kit::FileError.
RunReport PerformRun(const RunOptions& options, const PreparedPuzzles& puzzles);

}  // namespace runner
