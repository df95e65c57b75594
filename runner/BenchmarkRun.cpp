#include "BenchmarkRun.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>

#include "ElapsedTime.h"
#include "FileError.h"
#include "FileNames.h"
#include "ProgressDisplay.h"
#include "PuzzleFile.h"
#include "SolutionFile.h"
#include "StartFile.h"

extern char** environ;

namespace runner {
namespace {

constexpr const char* SolverLogName = "solver.log";

// Counts the result blocks a solver has written so far, reading only what is new. A block ends
// with its last value line and the empty line: two CR LF in a row.
class BlockCounter {
 public:
  explicit BlockCounter(std::filesystem::path folder) : folder_(std::move(folder)) {}

  std::int64_t Count() {
    // Quadrin writes to OUT.TXT.tmp and renames it at the end; other solvers may write OUT.TXT.
    // A renamed file is the same file: counting goes on where it stopped.
    for (const char* name : {"OUT.TXT.tmp", "OUT.TXT"}) {
      const auto path = folder_ / name;
      struct stat info {};
      if (::stat(path.c_str(), &info) != 0) continue;
      std::ifstream in(path, std::ios::binary);
      if (!in) continue;
      if (info.st_ino != inode_) {
        inode_ = info.st_ino;
        offset_ = 0;
        blocks_ = 0;
        tail_ = 0;
      }
      in.seekg(offset_);
      char buffer[1 << 16];
      while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        for (std::streamsize i = 0; i < in.gcount(); ++i) {
          tail_ = (tail_ << 8) | static_cast<unsigned char>(buffer[i]);
          if (tail_ == 0x0D0A0D0A) ++blocks_;
        }
        offset_ += in.gcount();
      }
      return blocks_;
    }
    return blocks_;
  }

 private:
  std::filesystem::path folder_;
  ino_t inode_ = 0;
  std::streamoff offset_ = 0;
  std::int64_t blocks_ = 0;
  std::uint32_t tail_ = 0;
};

std::string Tail(const std::filesystem::path& file, std::size_t maxBytes) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  std::string all = text.str();
  if (all.size() > maxBytes) all = "…" + all.substr(all.size() - maxBytes);
  while (!all.empty() && (all.back() == '\n' || all.back() == '\r')) all.pop_back();
  return all;
}

// Blocks SIGCHLD while it lives, so that the end of the solver can be waited for with a timeout.
class ChildSignal {
 public:
  ChildSignal() {
    sigemptyset(&set_);
    sigaddset(&set_, SIGCHLD);
    sigprocmask(SIG_BLOCK, &set_, &previous_);
  }
  ~ChildSignal() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
  // Waits until a child changes state or `milliseconds` pass.
  void Wait(long milliseconds) const {
    const timespec timeout{milliseconds / 1000, (milliseconds % 1000) * 1000000};
    sigtimedwait(&set_, nullptr, &timeout);
  }

 private:
  sigset_t set_{}, previous_{};
};

struct SolverEnd {
  double MonotonicSeconds;   // from just before the start to the end
  timing::SYSTEMTIME Clock;  // the clock as Ende, started right after, would read it
};

// Starts the solver in `folder` with its output going to solver.log, and waits for it while
// showing how many blocks it has written.
SolverEnd RunSolver(const RunOptions& options, std::int64_t puzzles) {
  const ChildSignal childSignal;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, options.Folder.c_str());
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, SolverLogName, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);

  const std::string program = options.Solver.string();
  char* const argv[] = {const_cast<char*>(program.c_str()), nullptr};
  pid_t child = 0;
  const auto started = std::chrono::steady_clock::now();
  const int error = posix_spawn(&child, program.c_str(), &actions, &attributes, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) {
    throw RunFailed("Der Löser " + program +
                    " lässt sich nicht starten: " + kit::SystemErrorText(error) + ".");
  }

  ProgressDisplay progress("Löser   ", puzzles);
  BlockCounter blocks(options.Folder);
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) break;
    if (done < 0 && errno != EINTR) throw RunFailed("Der Löser ging verloren.");
    progress.Update(blocks.Count());
    childSignal.Wait(250);
  }
  const SolverEnd end{
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
      timing::GetSystemTime()};
  progress.Finish(blocks.Count());

  const std::filesystem::path log = options.Folder / SolverLogName;
  if (WIFSIGNALED(status)) {
    throw RunFailed("Der Löser " + program + " wurde durch das Signal " +
                    std::to_string(WTERMSIG(status)) + " beendet. Seine Ausgabe (" + log.string() +
                    "):\n" + Tail(log, 2000));
  }
  if (WEXITSTATUS(status) != 0) {
    throw RunFailed("Der Löser " + program + " endete mit dem Status " +
                    std::to_string(WEXITSTATUS(status)) + ". Seine Ausgabe (" + log.string() +
                    "):\n" + Tail(log, 2000));
  }
  return end;
}

}  // namespace

RunReport PerformRun(const RunOptions& options, const PreparedPuzzles& puzzles) {
  RunReport report;
  report.Options = options;
  report.Puzzles = puzzles;

  for (int run = 0; run < options.Repeat; ++run) {
    // An answer file left from before must not be judged in place of one the solver failed to
    // write.
    while (const auto stale = kit::FindFileIgnoringCase(options.Folder, kit::SolutionFileName)) {
      std::filesystem::remove(*stale);
    }
    std::filesystem::remove(options.Folder / "OUT.TXT.tmp");  // left by a solver that was killed
    std::ostringstream startErrors;
    if (timing::RunStart(options.Folder, timing::GetSystemTime, startErrors) != 0) {
      throw RunFailed(startErrors.str());
    }
    const SolverEnd end = RunSolver(options, puzzles.Count);
    SolverRun timed;
    timed.MonotonicSeconds = end.MonotonicSeconds;
    // What Ende shows when it runs right after the solver.
    const timing::StartStamp stamp = timing::ReadStartStamp(options.Folder, ".");
    timed.EndeSeconds = timing::ElapsedSeconds(
        timing::SecondsOfDay(stamp.Values[0], stamp.Values[1], stamp.Values[2], stamp.Values[3]),
        timing::SecondsOfDay(end.Clock));
    timed.EndeText = timing::FormatElapsed(timed.EndeSeconds, options.DecimalSeparator);
    report.Runs.push_back(timed);

    const auto answers = kit::FindFileIgnoringCase(options.Folder, kit::SolutionFileName);
    if (!answers) {
      throw RunFailed("Der Löser " + options.Solver.string() + " hat keine OUT.TXT in " +
                      options.Folder.string() + " geschrieben.");
    }
    report.OutBytes = std::filesystem::file_size(*answers);

    ProgressDisplay progress("Prüfen  ", puzzles.Count);
    report.Check = checker::CheckIt(options.Folder, [&](std::int32_t n) {
      progress.Update(n);
      return true;
    });
    progress.Finish(report.Check.Number);
    if (report.Check.Kind != checker::Verdict::AllCorrect) break;
  }
  return report;
}

}  // namespace runner
