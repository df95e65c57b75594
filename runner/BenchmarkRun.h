// The timed part of a benchmark run in a work folder that holds IN.TXT (PuzzleSource.h): time one
// solver or several side by side, in rounds, as Start and Ende do (and with a monotonic clock),
// and judge every OUT.TXT as Check does. The programs' own core code does each step; only the
// solvers run as separate programs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "CheckIt.h"
#include "MachineContext.h"
#include "PuzzleSource.h"
#include "SolverProcess.h"

namespace runner {

// A program to time: it reads IN.TXT and writes OUT.TXT in its working folder.
struct SolverSpec {
  std::string Name;  // as reports show it
  std::filesystem::path Program;
};

struct RunOptions {
  PuzzleSource Source;                 // the generator and its seed, or a collection
  std::filesystem::path Folder;        // where IN.TXT, Start.txt and OUT.TXT go
  std::vector<SolverSpec> Solvers;     // run in this order in every round
  int Repeat = 1;                      // timed rounds
  int Warmup = 0;                      // untimed rounds before them, judged all the same
  SolverLimits Limits;                 // time limit and CPU of every solver run
  std::string DecimalSeparator = ",";  // for the times as Ende shows them
};

// One run of one solver.
struct SolverRun {
  int Round = 0;  // 1-based, warm-up rounds first
  bool Warmup = false;
  double EndeSeconds = 0;       // from Start.txt to the end, as Ende computes it
  std::string EndeText;         // as Ende shows it, e.g. "56,034 Sek."
  double MonotonicSeconds = 0;  // from the start of the process to its end, steady clock
  // Messlauf's own checks after the run, untimed: ending what the solver left running, comparing
  // IN.TXT and Start.txt with what was written.
  double GuardSeconds = 0;
};

enum class SolverState {
  Correct,  // every run's answers were correct
  Wrong,    // a run answered wrongly: Check says which puzzle and why
  Failed,   // a run failed: Failure says how
};

// The state as the exported files name it: "correct", "wrong" or "failed".
const char* StateName(SolverState state);

struct SolverReport {
  SolverSpec Solver;
  SolverState State = SolverState::Correct;
  std::vector<SolverRun> Runs;  // every run that ended, warm-up runs included
  std::uintmax_t OutBytes = 0;  // the size of its last OUT.TXT
  checker::CheckResult Check;   // of its last judged run: the wrong one for SolverState::Wrong
  int LastRound = 0;            // the round of its last run: the one that failed or was wrong
  std::string Failure;          // for SolverState::Failed, the German message

  // The timed runs' monotonic and Ende times.
  std::vector<double> MonotonicTimes() const;
  std::vector<double> EndeTimes() const;
};

struct RunReport {
  RunOptions Options;
  MachineContext Context;  // taken before anything ran
  PreparedPuzzles Puzzles;
  std::vector<SolverReport> Solvers;  // in the order of the options
};

// The name a solver gets from its path: the file name, unless `given` names it; names that would
// be the same for two solvers get " (2)", " (3)", ... in order.
std::vector<SolverSpec> NameSolvers(const std::vector<std::pair<std::string, std::string>>& given);

// Which run of a solver a round is, as reports name it: "Aufwärmrunde 1", "Runde 2".
std::string RunName(const RunOptions& options, int round);

// The exit status of a run: 2 when any run failed, else 1 when any answer was wrong, else 0.
int ExitStatus(const RunReport& report);

// The fastest of the solvers that stayed correct, by mean monotonic time of the timed runs; none
// unless at least two of them are compared.
std::optional<std::size_t> Fastest(const RunReport& report);

// Times and judges every solver, round by round, on the IN.TXT that PreparePuzzles wrote into the
// work folder. A solver that fails or answers wrongly leaves the comparison; the others go on.
// Progress goes to standard error. Throws kit::FileError when the work folder fails the run, and
// Interrupted when SIGINT or SIGTERM asks it to stop.
RunReport PerformRun(const RunOptions& options, const PreparedPuzzles& puzzles,
                     const MachineContext& context);

}  // namespace runner
