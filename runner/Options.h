// Messlauf's command line, parsed and checked into a plan before anything runs: every refusal
// (a bad value, options that do not fit together, a solver that cannot be started, a collection
// that cannot be read, an export file that cannot be written) comes before the work folder is
// touched.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "PuzzleSource.h"
#include "RunRecord.h"

namespace runner {

// Where the reports go besides standard output; an empty path: not written.
struct Exports {
  std::filesystem::path Json, Markdown, Csv, Plot, Html;
};

// Everything a run is to do.
struct Plan {
  record::Settings Settings;            // work folder, rounds, time limit, CPU
  std::vector<PuzzleSource> Sources;    // the sets, in turn: the generator's, or collections
  std::vector<record::Solver> Solvers;  // run in this order in every round
  runner::Exports Exports;
  bool PrepareOnly = false;  // only IN.TXT is written (--prepare)
  // The results store the run goes into; none with --no-store or --prepare.
  std::optional<std::filesystem::path> Store;
  // What the run is compared with (--baseline): "latest", a name or a stored run's number; empty:
  // nothing.
  std::string Baseline;
  // Whether --seed and --count were given: what they leave open, the baseline's run fills in.
  bool SeedGiven = false, CountGiven = false;
};

// What the command line came to: a plan, or what to print and the status to end with (the help,
// or a refusal).
struct ParsedOptions {
  std::optional<runner::Plan> Plan;
  int ExitStatus = 0;
  std::string Output;  // for standard output: the help
  std::string Error;   // for standard error: why the command line is refused
};

// `defaultSolver` is timed when no --solver is given.
ParsedOptions ParseOptions(int argc, const char* const argv[],
                           const std::filesystem::path& defaultSolver);

// The names in order, those that would be the same as an earlier one with " (2)", " (3)", ...
std::vector<std::pair<std::string, std::string>> UniqueNames(
    const std::vector<std::pair<std::string, std::string>>& named);

}  // namespace runner
