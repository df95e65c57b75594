// One run of a solver program: spawned in the work folder in a process group of its own, with
// its output going to solver.log, optionally pinned to one logical CPU and stopped at a time
// limit, and waited for while the blocks it writes are counted. Nothing it started is left running
// when a run ends, however it ends: neither its process group nor any process that left the group
// or its session, which the system hands to Messlauf as their reaper.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "Module1.h"

namespace runner {

// A run that failed: the solver could not be started, failed, wrote nothing, or ran past its
// limit. The text is the German message.
class RunFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Ctrl-C (SIGINT) or SIGTERM arrived: the solver, if one ran, got it too and has ended.
class Interrupted : public std::runtime_error {
 public:
  explicit Interrupted(int signal);
  int Signal;
};

struct SolverLimits {
  std::optional<double> TimeoutSeconds;  // a run past it is stopped and fails
  std::optional<int> PinnedCpu;          // the logical CPU the solver runs on
};

struct SolverEnd {
  double MonotonicSeconds = 0;  // from just before the start to the end
  timing::SYSTEMTIME Clock{};   // the clock as Ende, started right after, would read it
  double CleanupSeconds = 0;    // ending and reaping whatever the solver left running
};

inline constexpr const char* SolverLogName = "solver.log";

// Runs `program` in `folder`. `name` and `runName` ("Runde 2") go into messages, `phase` into the
// progress display. Throws RunFailed or Interrupted.
SolverEnd RunSolver(const std::filesystem::path& folder, const std::filesystem::path& program,
                    const std::string& name, const std::string& runName, const std::string& phase,
                    std::int64_t puzzles, const SolverLimits& limits);

// Why the solver cannot be pinned to `cpu` here (it does not exist, or the system does not allow
// it), as a German sentence; nothing when it can.
std::optional<std::string> CannotPin(int cpu);

// From now on SIGINT and SIGTERM only mark the run as interrupted (see InterruptedBy); a solver
// that runs gets the signal passed on. Orphaned processes of a solver become this process's
// children, so that they can be ended and reaped.
void TakeOverInterruptions();

// The signal that asked to stop, or 0.
int InterruptedBy();

}  // namespace runner
