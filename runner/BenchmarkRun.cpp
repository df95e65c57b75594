#include "BenchmarkRun.h"

#include <algorithm>
#include <chrono>
#include <sstream>

#include "ElapsedTime.h"
#include "FileError.h"
#include "FileNames.h"
#include "ProgressDisplay.h"
#include "PuzzleFile.h"
#include "SolutionFile.h"
#include "SolverProcess.h"
#include "StartFile.h"
#include "Statistics.h"
#include "TextFiles.h"
#include "WorkFiles.h"

namespace runner {
namespace {

// What the solver changed of the files it must leave alone, as one German sentence.
std::string TamperingText(const std::string& solver, const std::string& runName,
                          const std::vector<std::string>& changes) {
  std::string list;
  for (std::size_t i = 0; i < changes.size(); ++i) {
    list += (i == 0 ? "" : i + 1 == changes.size() ? " und " : ", ") + changes[i];
  }
  return "Der Löser " + solver + " hat in " + runName +
         " die Dateien des Arbeitsordners angetastet (" + list +
         "); seine Antworten werden nicht geprüft. IN.TXT ist wiederhergestellt.";
}

// One run of one solver: Start's stamp, the solver, Ende's time, Check's verdict on the puzzles
// Messlauf wrote. A failure throws RunFailed; so does a solver that changed IN.TXT or Start.txt.
SolverRun RunOnce(const RunOptions& options, const PreparedPuzzles& puzzles, SolverReport& solver,
                  int round) {
  // An answer file left from before must not be judged in place of one the solver failed to
  // write.
  RemoveAnswers(options.Folder);
  std::ostringstream startErrors;
  if (timing::RunStart(options.Folder, timing::GetSystemTime, startErrors) != 0) {
    throw kit::FileError(startErrors.str());
  }
  // Read before the solver runs: it cannot move Ende's start.
  const timing::StartStamp stamp = timing::ReadStartStamp(options.Folder, ".");
  const std::string startBytes = kit::ReadWholeFile(
      options.Folder / std::string(timing::StartFileName), std::string(timing::StartFileName));
  const int rounds = options.Warmup + options.Repeat;
  const std::string phase = solver.Solver.Name +
                            (round <= options.Warmup ? ", Aufwärmen " : ", Runde ") +
                            std::to_string(round) + "/" + std::to_string(rounds);
  const std::string runName = RunName(options, round);
  SolverEnd end;
  try {
    end = RunSolver(options.Folder, solver.Solver.Program, solver.Solver.Name, runName, phase,
                    puzzles.Count, options.Limits);
  } catch (const std::exception&) {
    RestoreWorkFiles(options.Folder, *puzzles.Text, startBytes);  // for the next solver
    TidyAnswers(options.Folder);
    throw;
  }
  const auto checked = std::chrono::steady_clock::now();
  const std::vector<std::string> changes =
      RestoreWorkFiles(options.Folder, *puzzles.Text, startBytes);
  TidyAnswers(options.Folder);
  if (!changes.empty()) throw RunFailed(TamperingText(solver.Solver.Name, runName, changes));

  SolverRun run;
  run.Round = round;
  run.Warmup = round <= options.Warmup;
  run.MonotonicSeconds = end.MonotonicSeconds;
  run.GuardSeconds =
      end.CleanupSeconds +
      std::chrono::duration<double>(std::chrono::steady_clock::now() - checked).count();
  // What Ende shows when it runs right after the solver.
  run.EndeSeconds = timing::ElapsedSeconds(
      timing::SecondsOfDay(stamp.Values[0], stamp.Values[1], stamp.Values[2], stamp.Values[3]),
      timing::SecondsOfDay(end.Clock));
  run.EndeText = timing::FormatElapsed(run.EndeSeconds, options.DecimalSeparator);

  // Anything of that name is judged: a FIFO or a device is a wrong answer, not a missing one.
  const auto answers = kit::FindEntryIgnoringCase(options.Folder, kit::SolutionFileName);
  if (!answers) {
    throw RunFailed("Der Löser " + solver.Solver.Name + " hat in " + runName +
                    " keine OUT.TXT in " + options.Folder.string() + " geschrieben.");
  }
  std::error_code error;
  solver.OutBytes = std::filesystem::file_size(*answers, error);

  ProgressDisplay progress("Prüfen  ", puzzles.Count);
  solver.Check = checker::CheckAnswers(*puzzles.Text, options.Folder, [&](std::int32_t n) {
    progress.Update(n);
    return InterruptedBy() == 0;
  });
  progress.Finish(solver.Check.Number);
  if (solver.Check.Kind == checker::Verdict::Stopped) throw Interrupted(InterruptedBy());
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

std::string RunName(const RunOptions& options, int round) {
  if (round <= options.Warmup) return "Aufwärmrunde " + std::to_string(round);
  return "Runde " + std::to_string(round - options.Warmup);
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

RunReport PerformRun(const RunOptions& options, const PreparedPuzzles& puzzles,
                     const MachineContext& context) {
  RunReport report;
  report.Options = options;
  report.Context = context;
  report.Puzzles = puzzles;
  for (const SolverSpec& named : options.Solvers) {
    SolverReport solver;
    solver.Solver = named;
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

const char* StateName(SolverState state) {
  switch (state) {
    case SolverState::Correct:
      return "correct";
    case SolverState::Wrong:
      return "wrong";
    default:
      return "failed";
  }
}

}  // namespace runner
