// One complete benchmark run in a work folder: generate IN.TXT as Build does, time the solver as
// Start and Ende do (and with a monotonic clock), and judge OUT.TXT as Check does. The programs'
// own core code does each step; only the solver runs as a separate program.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "CheckIt.h"

namespace runner {

struct RunOptions {
  std::int32_t Count = 500000;         // puzzles to generate
  std::int32_t Seed = 0;               // the generator's seed
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
  std::uintmax_t InBytes = 0;
  std::uintmax_t OutBytes = 0;
  std::vector<SolverRun> Runs;
  checker::CheckResult Check;  // of the last run's OUT.TXT, or of the first one that failed
};

// A step of the run that failed: the solver could not be started, failed, or wrote nothing.
class RunFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The whole run. Progress goes to standard error. Throws RunFailed or kit::FileError.
RunReport PerformRun(const RunOptions& options);

// The report for people (German, one item a line) and for scripts (JSON).
std::string FormatReport(const RunReport& report);
std::string FormatJson(const RunReport& report);

// Minimum, median and maximum of the runs' times (Ende's, then monotonic).
struct Spread {
  double Minimum, Median, Maximum;
};
Spread EndeSpread(const RunReport& report);
Spread MonotonicSpread(const RunReport& report);

}  // namespace runner
