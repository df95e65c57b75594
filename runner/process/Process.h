// One solver process: started by the launcher (Anlasser) in the work folder in a process group of
// its own, with its output going to a log file, optionally pinned to one logical CPU and stopped
// at a time limit. Nothing it started is left running when it ends, however it ends: neither its
// process group nor any process that left the group or its session, which the system hands to
// the launcher as their reaper. Its times are the launcher's steady clock right before the start
// and right after wait4, its peak memory its own: it starts from the launcher's small image, not
// from Messlauf's. It only starts, waits and stops; what an ending means for a run is for its
// caller to say.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Module1.h"

namespace runner {

struct ProcessSetup {
  std::filesystem::path Folder;             // its working folder
  std::filesystem::path Program;            // the file that is run
  std::filesystem::path Log;                // standard output and error, relative to Folder
  std::optional<double> TimeoutSeconds;     // a run past it is stopped
  std::optional<int> PinnedCpu;             // the logical CPU it runs on
  std::vector<std::string> Arguments = {};  // its argv; none: the program alone
  // Its standard input and output, where they are given (the ends of pipes): RunProcess hands
  // them to the launcher and closes them, however it ends. Otherwise input is /dev/null and
  // output goes to the log; standard error goes to the log either way.
  int Input = -1, Output = -1;
  // Further descriptors, which it finds as 3, 4, … in this order; handed over and closed as
  // Input and Output are.
  std::vector<int> Extras = {};
};

enum class Ending {
  NotStarted,   // the system refused to start it: Code is the error number
  Exited,       // it ended by itself: Code is its exit status
  Signaled,     // a signal ended it: Code is the signal
  TimedOut,     // it ran past the time limit and was stopped
  Interrupted,  // SIGINT or SIGTERM arrived (Code) and was passed on; it has ended
};

struct ProcessEnd {
  Ending How = Ending::NotStarted;
  int Code = 0;
  double MonotonicSeconds = 0;  // from just before the start to just after wait4
  // Those two moments on CLOCK_MONOTONIC, which std::chrono::steady_clock reads here as well.
  std::int64_t StartNs = 0, EndNs = 0;
  timing::SYSTEMTIME Clock{};  // the clock as Ende, started right after, would read it
  double GuardSeconds = 0;     // ending and reaping whatever it left running
  double UserSeconds = 0;      // its CPU time, from wait4: its own and its waited-for children's
  double SystemSeconds = 0;
  std::int64_t MaxRssBytes = 0;  // the peak memory of it or one of its waited-for children
};

// Starts the launcher `program` once, in a session of its own; it ends when this process does.
// Throws kit::FileError when it is missing or cannot be started.
void StartLauncher(const std::filesystem::path& program);

// Runs the process to its end through the launcher; `tick` is called about four times a second
// while it runs.
ProcessEnd RunProcess(const ProcessSetup& setup, const std::function<void()>& tick);

// Why a process cannot be pinned to `cpu` here (it does not exist, or the system does not allow
// it), as a German sentence; nothing when it can.
std::optional<std::string> CannotPin(int cpu);

}  // namespace runner
