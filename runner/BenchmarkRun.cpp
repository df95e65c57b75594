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
#include "Statistics.h"

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
SolverEnd RunSolver(const std::filesystem::path& folder, const std::filesystem::path& solver,
                    const std::string& phase, std::int64_t puzzles) {
  const ChildSignal childSignal;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, SolverLogName, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);

  const std::string program = solver.string();
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

  ProgressDisplay progress(phase, puzzles);
  BlockCounter blocks(folder);
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

  const std::filesystem::path log = folder / SolverLogName;
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

// One run of one solver: Start's stamp, the solver, Ende's time, Check's verdict. A failure
// throws RunFailed.
SolverRun RunOnce(const RunOptions& options, const PreparedPuzzles& puzzles, SolverReport& solver,
                  int round) {
  // An answer file left from before must not be judged in place of one the solver failed to
  // write.
  while (const auto stale = kit::FindFileIgnoringCase(options.Folder, kit::SolutionFileName)) {
    std::filesystem::remove(*stale);
  }
  std::filesystem::remove(options.Folder / "OUT.TXT.tmp");  // left by a solver that was killed
  std::ostringstream startErrors;
  if (timing::RunStart(options.Folder, timing::GetSystemTime, startErrors) != 0) {
    throw kit::FileError(startErrors.str());
  }
  const int rounds = options.Warmup + options.Repeat;
  const std::string phase = solver.Solver.Name + (round <= options.Warmup ? ", Aufwärmen " : ", Runde ") +
                            std::to_string(round) + "/" + std::to_string(rounds);
  const SolverEnd end = RunSolver(options.Folder, solver.Solver.Program, phase, puzzles.Count);
  SolverRun run;
  run.Round = round;
  run.Warmup = round <= options.Warmup;
  run.MonotonicSeconds = end.MonotonicSeconds;
  // What Ende shows when it runs right after the solver.
  const timing::StartStamp stamp = timing::ReadStartStamp(options.Folder, ".");
  run.EndeSeconds = timing::ElapsedSeconds(
      timing::SecondsOfDay(stamp.Values[0], stamp.Values[1], stamp.Values[2], stamp.Values[3]),
      timing::SecondsOfDay(end.Clock));
  run.EndeText = timing::FormatElapsed(run.EndeSeconds, options.DecimalSeparator);

  const auto answers = kit::FindFileIgnoringCase(options.Folder, kit::SolutionFileName);
  if (!answers) {
    throw RunFailed("Der Löser " + solver.Solver.Program.string() + " hat keine OUT.TXT in " +
                    options.Folder.string() + " geschrieben.");
  }
  solver.OutBytes = std::filesystem::file_size(*answers);

  ProgressDisplay progress("Prüfen  ", puzzles.Count);
  solver.Check = checker::CheckIt(options.Folder, [&](std::int32_t n) {
    progress.Update(n);
    return true;
  });
  progress.Finish(solver.Check.Number);
  return run;
}

std::vector<double> Times(const std::vector<SolverRun>& runs, double SolverRun::*time) {
  std::vector<double> times;
  for (const SolverRun& run : runs) {
    if (!run.Warmup) times.push_back(run.*time);
  }
  return times;
}

}  // namespace

std::vector<double> SolverReport::MonotonicTimes() const {
  return Times(Runs, &SolverRun::MonotonicSeconds);
}

std::vector<double> SolverReport::EndeTimes() const {
  return Times(Runs, &SolverRun::EndeSeconds);
}

std::vector<SolverSpec> NameSolvers(const std::vector<std::pair<std::string, std::string>>& given) {
  std::vector<SolverSpec> solvers;
  auto taken = [&solvers](const std::string& name) {
    return std::any_of(solvers.begin(), solvers.end(),
                       [&name](const SolverSpec& s) { return s.Name == name; });
  };
  for (const auto& [name, path] : given) {
    const std::string base = name.empty() ? std::filesystem::path(path).filename().string() : name;
    std::string unique = base;
    for (int n = 2; taken(unique); ++n) unique = base + " (" + std::to_string(n) + ")";
    solvers.push_back({unique, path});
  }
  return solvers;
}

int ExitStatus(const RunReport& report) {
  int status = 0;
  for (const SolverReport& solver : report.Solvers) {
    if (solver.State == SolverState::Failed) return 2;
    if (solver.State == SolverState::Wrong) status = 1;
  }
  return status;
}

std::optional<std::size_t> Fastest(const RunReport& report) {
  std::optional<std::size_t> fastest;
  double best = 0;
  int compared = 0;
  for (std::size_t i = 0; i < report.Solvers.size(); ++i) {
    const SolverReport& s = report.Solvers[i];
    if (s.State != SolverState::Correct || s.MonotonicTimes().empty()) continue;
    ++compared;
    const double mean = Summarize(s.MonotonicTimes()).Mean;
    if (!fastest || mean < best) fastest = i, best = mean;
  }
  return compared >= 2 ? fastest : std::nullopt;
}

RunReport PerformRun(const RunOptions& options, const PreparedPuzzles& puzzles) {
  RunReport report;
  report.Options = options;
  report.Puzzles = puzzles;
  for (const SolverSpec& spec : options.Solvers) {
    SolverReport solver;
    solver.Solver = spec;
    report.Solvers.push_back(solver);
  }

  for (int round = 1; round <= options.Warmup + options.Repeat; ++round) {
    for (SolverReport& solver : report.Solvers) {
      if (solver.State != SolverState::Correct) continue;  // it has left the comparison
      solver.LastRound = round;
      try {
        solver.Runs.push_back(RunOnce(options, puzzles, solver, round));
      } catch (const RunFailed& e) {
        solver.State = SolverState::Failed;
        solver.Failure = e.what();
        continue;
      }
      if (solver.Check.Kind == checker::Verdict::Wrong) solver.State = SolverState::Wrong;
      if (solver.Check.Kind == checker::Verdict::CannotJudge) {
        solver.State = SolverState::Failed;
        solver.Failure = solver.Check.Message;
      }
    }
  }
  return report;
}

}  // namespace runner
