#include "BenchmarkRun.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "AnswerCounter.h"
#include "CheckIt.h"
#include "ElapsedTime.h"
#include "FileError.h"
#include "FileNames.h"
#include "Hashes.h"
#include "Interruption.h"
#include "LibrarySolver.h"
#include "LineSolver.h"
#include "ParallelJudge.h"
#include "Process.h"
#include "ProgressDisplay.h"
#include "SolutionFile.h"
#include "SolverCommand.h"
#include "StartFile.h"
#include "TextFiles.h"
#include "WorkFiles.h"

namespace runner {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* SolverLogName = "solver.log";

// A run that failed: the solver could not be started, failed, wrote nothing, ran past its limit
// or changed files it must leave alone. The text is the German message.
class RunFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string Number(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value);
  return std::string(text, end.ptr);
}

// What an ending means for the run: nothing when the solver ended by itself with status 0,
// otherwise the failure (or the interruption) it is.
void JudgeEnding(const ProcessEnd& end, const Plan& plan, const std::filesystem::path& folder,
                 const record::Solver& solver, const std::string& runName) {
  const std::string log = (folder / SolverLogName).string();
  const std::string who = "Der Löser " + solver.Name;
  switch (end.How) {
    case Ending::NotStarted:
      throw RunFailed(who + " (" + solver.Program.string() +
                      ") lässt sich nicht starten: " + kit::SystemErrorText(end.Code) + ".");
    case Ending::Interrupted:
      throw Interrupted(end.Code);
    case Ending::TimedOut:
      throw RunFailed(who + " überschritt in " + runName + " die Zeitgrenze von " +
                      Number(*plan.Settings.TimeoutSeconds) +
                      " s und wurde beendet; seine OUT.TXT wird nicht geprüft.");
    case Ending::Signaled:
      throw RunFailed(who + " wurde in " + runName + " durch das Signal " +
                      std::to_string(end.Code) + " beendet. Seine Ausgabe (" + log + "):\n" +
                      LogTail(log, 2000));
    case Ending::Exited:
      if (end.Code == 0) return;
      throw RunFailed(who + " endete in " + runName + " mit dem Status " +
                      std::to_string(end.Code) + ". Seine Ausgabe (" + log + "):\n" +
                      LogTail(log, 2000));
  }
}

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

// Start's stamp in the work folder, and its bytes as written.
struct Stamp {
  timing::StartStamp Values;
  std::string Bytes;
};

Stamp StampStart(const std::filesystem::path& folder) {
  std::ostringstream startErrors;
  if (timing::RunStart(folder, timing::GetSystemTime, startErrors) != 0) {
    throw kit::FileError(startErrors.str());
  }
  // Read before the solver runs: it cannot move Ende's start.
  const std::string name(timing::StartFileName);
  return {timing::ReadStartStamp(folder, "."), kit::ReadWholeFile(folder / name, name)};
}

// Where a run takes place: the folder and the puzzles written there; and the other folder of the
// set, which a solver must leave alone as well.
struct Workplace {
  std::filesystem::path Folder;
  const PreparedPuzzles& Puzzles;
  checker::ParallelJudge& Checker;  // the judge's threads, idle while a solver runs
  const Workplace* Other = nullptr;
  // What a line solver is sent, made when the first one runs here; and a library's host, in
  // its sealed memory file.
  mutable std::optional<std::string> Lines = {};
  mutable std::optional<SealedPuzzles> Sealed = {};

  const std::string& LinesSent() const {
    if (!Lines) Lines = LineInput(*Puzzles.Text);
    return *Lines;
  }
  const SealedPuzzles& SealedSent() const {
    if (!Sealed) Sealed.emplace(LinesSent(), Puzzles.Set.Count);
    return *Sealed;
  }
};

// How one run hands the puzzles over besides IN.TXT: a line solver's pipes or a library's regions.
struct Exchanges {
  std::optional<LineExchange> Lines;
  std::optional<LibraryExchange> Library;
};

// Starts the solver right after Start's stamp and waits for it, with the progress of its
// answers: the blocks of its OUT.TXT, or for a line solver (`exchange`) its answer lines. Puts
// the work folder right afterwards, however the run ended.
ProcessEnd RunSolver(const Plan& plan, const Workplace& at, const record::Solver& solver,
                     const record::Measurement& run, const Stamp& stamp,
                     std::vector<std::string>& changes, Exchanges& exchanges) {
  LineExchange* exchange = exchanges.Lines ? &*exchanges.Lines : nullptr;
  LibraryExchange* library = exchanges.Library ? &*exchanges.Library : nullptr;
  const int rounds = plan.Settings.Warmup + plan.Settings.Repeat;
  const std::int64_t count = at.Puzzles.Set.Count;
  ProgressDisplay progress(solver.Name + (run.Startup ? ", Anlauf" : "") +
                               (run.Warmup ? ", Aufwärmen " : ", Runde ") +
                               std::to_string(run.Round) + "/" + std::to_string(rounds),
                           count);
  ProcessSetup setup{at.Folder,
                     solver.Program,
                     SolverLogName,
                     plan.Settings.TimeoutSeconds,
                     plan.Settings.PinnedCpu,
                     solver.Command};
  std::optional<AnswerCounter> blocks;
  if (exchange) {
    exchange->Hand(setup);
  } else if (library) {
    library->Hand(setup, solver.Program,
                  {solver.Name, solver.Library.string(), solver.Function, solver.Configuration});
  } else {
    blocks.emplace(at.Folder, count);
  }
  auto answered = [&] {
    return exchange ? exchange->Lines() : library ? library->Progress() : blocks->Count();
  };
  ProcessEnd end = RunProcess(setup, [&] { progress.Update(answered()); });
  if (exchange) exchange->Finish(end);
  if (library) library->Finish();
  progress.Finish(answered());
  const auto checked = Clock::now();
  changes = RestoreWorkFiles(at.Folder, *at.Puzzles.Text, &stamp.Bytes);
  if (at.Other) {
    for (const std::string& change :
         RestoreWorkFiles(at.Other->Folder, *at.Other->Puzzles.Text, nullptr)) {
      changes.push_back((at.Other->Folder.filename() / change).string());
    }
  }
  TidyAnswers(at.Folder);
  end.GuardSeconds += std::chrono::duration<double>(Clock::now() - checked).count();
  return end;
}

// What the end of a library's host means: nothing when the host ran its passes to the end,
// otherwise the failure named with the puzzle it was at, whose line goes to the log.
void JudgeLibraryEnding(const ProcessEnd& end, const Plan& plan, const Workplace& at,
                        const record::Solver& solver, const std::string& runName,
                        const LibraryExchange& library) {
  if (end.How == Ending::Interrupted) throw Interrupted(end.Code);
  if (end.How == Ending::Exited && end.Code == 0 && library.Completed()) return;
  const std::int64_t puzzle = library.Current();
  std::string failure =
      LibraryFailure(solver.Name, runName, end, puzzle, plan.Settings.TimeoutSeconds.value_or(0));
  const std::filesystem::path log = at.Folder / SolverLogName;
  if (puzzle > 0 && puzzle <= at.Puzzles.Set.Count && end.How != Ending::NotStarted) {
    const std::string& lines = at.LinesSent();
    const std::string line =
        lines.substr(static_cast<std::size_t>(puzzle - 1) * 82, 81);  // 81 characters and LF
    // In the host's log of this run and in Messlauf's own, which the next run does not replace.
    const std::string said =
        "SUDOKU-Nr. " + std::to_string(puzzle) + " der Bibliothek " + solver.Name + ": " + line;
    std::ofstream(log, std::ios::app) << "Messlauf: " << said << "\n";
    std::cerr << "Messlauf: " << said << "\n";
  }
  if (end.How == Ending::Exited) {
    failure += " Seine Ausgabe (" + log.string() + "):\n" + LogTail(log.string(), 2000);
  }
  throw RunFailed(failure);
}

// Check's verdict on the solver's answers, against the puzzles Messlauf wrote: its OUT.TXT, or
// the answer lines a line solver gave (`exchange`).
void Judge(const Workplace& at, const std::string& who, const std::string& runName,
           const Exchanges& exchanges, record::Measurement& run) {
  const PreparedPuzzles& puzzles = at.Puzzles;
  const LineExchange* exchange = exchanges.Lines ? &*exchanges.Lines : nullptr;
  const LibraryExchange* library = exchanges.Library ? &*exchanges.Library : nullptr;
  if (library) {
    run.OutBytes = 0;  // the answers came in memory
  } else if (exchange) {
    if (!exchange->ReadError().empty()) throw RunFailed(exchange->ReadError());
    run.OutBytes = exchange->OutputBytes();
  } else {
    // Anything of that name is judged: a FIFO or a device is a wrong answer, not a missing one.
    const auto answers = kit::FindEntryIgnoringCase(at.Folder, kit::SolutionFileName);
    if (!answers) {
      throw RunFailed("Der Löser " + who + " hat in " + runName + " keine OUT.TXT in " +
                      at.Folder.string() + " geschrieben.");
    }
    std::error_code error;
    run.OutBytes = std::filesystem::file_size(*answers, error);
  }
  ProgressDisplay progress("Prüfen  ", puzzles.Set.Count);
  const auto started = Clock::now();
  const checker::Progress going = [&](std::int32_t n) {
    progress.Update(n);
    return InterruptedBy() == 0;
  };
  checker::CheckResult check;
  if (library) {
    LibraryAnswers answers(library->Slots());
    check = at.Checker.CheckAnswers(*puzzles.Text, answers, going);
  } else if (exchange) {
    checker::ClaimList::Answers answers(exchange->Claims());
    check = at.Checker.CheckAnswers(*puzzles.Text, answers, going);
  } else {
    check = at.Checker.CheckAnswers(*puzzles.Text, at.Folder, going);
  }
  run.CheckSeconds = std::chrono::duration<double>(Clock::now() - started).count();
  progress.Finish(check.Number);
  if (check.Kind == checker::Verdict::Stopped) throw Interrupted(InterruptedBy());
  if (check.Kind == checker::Verdict::CannotJudge) throw RunFailed(check.Message);
  run.Verdict =
      check.Kind == checker::Verdict::Wrong ? record::Verdict::Wrong : record::Verdict::Correct;
  run.Check = {check.Message, check.Number, check.Reason, check.Outcomes};
}

// How a run is named in messages: the set when there are several, the start-up run, the round.
std::string RunName(const Plan& plan, const PreparedPuzzles& puzzles,
                    const record::Measurement& run) {
  std::string name = record::RunName(plan.Settings, run.Round);
  if (run.Startup) name += " (Anlauf mit einem Rätsel)";
  if (plan.Sources.size() > 1) name = "Satz " + puzzles.Set.Name + ", " + name;
  return name;
}

// One run of one solver: Start's stamp, the solver, Ende's time, Check's verdict. A failure
// throws RunFailed; so does a solver that changed IN.TXT or Start.txt.
void RunOnce(const Plan& plan, const Workplace& at, const record::Solver& solver,
             record::Measurement& run) {
  RemoveAnswers(at.Folder);  // an old answer file must not be judged for a new run
  const std::string runName = RunName(plan, at.Puzzles, run);
  std::vector<std::string> changes;
  // Made before Start's stamp: what the kit prepares for a solver is not the solver's time.
  Exchanges exchanges;
  if (solver.Kind == record::SolverKind::Lines) {
    exchanges.Lines.emplace(at.LinesSent(), at.Puzzles.Set.Count);
  } else if (solver.Kind == record::SolverKind::Library) {
    exchanges.Library.emplace(at.SealedSent());
  }
  const Stamp stamp = StampStart(at.Folder);
  const ProcessEnd end = RunSolver(plan, at, solver, run, stamp, changes, exchanges);
  run.Timed = end.How != Ending::NotStarted;
  run.MonotonicSeconds = end.MonotonicSeconds;
  run.GuardSeconds = end.GuardSeconds;
  run.UserSeconds = end.UserSeconds;
  run.SystemSeconds = end.SystemSeconds;
  run.MaxRssBytes = end.MaxRssBytes;
  // What Ende shows when it runs right after the solver.
  const auto& v = stamp.Values.Values;
  run.EndeSeconds = timing::ElapsedSeconds(timing::SecondsOfDay(v[0], v[1], v[2], v[3]),
                                           timing::SecondsOfDay(end.Clock));
  if (exchanges.Library) {
    const LibraryExchange& library = *exchanges.Library;
    JudgeLibraryEnding(end, plan, at, solver, runName, library);
    if (!changes.empty()) throw RunFailed(TamperingText(solver.Name, runName, changes));
    if (auto why = library.Tampered(solver.Name, runName)) throw RunFailed(*why);
    run.MonotonicSeconds = library.PassSeconds();  // the pass alone is the library's time
    Judge(at, solver.Name, runName, exchanges, run);
    run.Puzzles = PassFigures(library.Slots(), at.Puzzles.Set.Collection);
    return;
  }
  JudgeEnding(end, plan, at.Folder, solver, runName);
  if (!changes.empty()) throw RunFailed(TamperingText(solver.Name, runName, changes));
  Judge(at, solver.Name, runName, exchanges, run);
}

// Every round of one set: each solver that has not left it runs on the whole set, then on the
// set's first puzzle alone.
// `finished` counts the rounds, warm-up rounds included, that every solver of the set finished.
void RunSet(const Plan& plan, const Workplace& whole, const Workplace& first, std::size_t set,
            record::RunRecord& result, int& finished) {
  std::vector<bool> left(plan.Solvers.size(), false);  // failed or answered wrongly in this set
  for (int round = 1; round <= plan.Settings.Warmup + plan.Settings.Repeat; ++round) {
    for (std::size_t s = 0; s < plan.Solvers.size(); ++s) {
      for (const Workplace* at : {&whole, &first}) {
        if (left[s]) break;
        // A library is timed in its host's pass over the puzzles: it has nothing to start up.
        if (at == &first && plan.Solvers[s].Kind == record::SolverKind::Library) break;
        record::Measurement run;
        run.Set = set;
        run.Solver = s;
        run.Round = round;
        run.Warmup = round <= plan.Settings.Warmup;
        run.Startup = at == &first;
        run.CheckSeconds = 0;  // until it is judged
        try {
          RunOnce(plan, *at, plan.Solvers[s], run);
        } catch (const RunFailed& e) {
          run.Verdict = record::Verdict::Failed;
          run.Failure = e.what();
        }
        left[s] = run.Verdict != record::Verdict::Correct;
        result.Measurements.push_back(std::move(run));
      }
    }
    finished = round;
  }
}

// What an interruption in set `set` after `finished` whole rounds leaves of the run: the whole
// rounds, the round under way dropped; a set without a whole timed round dropped as well and
// named with the sets not reached. Nothing at all when no set kept a timed round.
record::RunRecord KeepWholeRounds(const Plan& plan, const std::vector<CheckedSource>& sources,
                                  std::size_t set, int finished, const Interrupted& stop,
                                  record::RunRecord result) {
  const int timed = std::max(0, finished - plan.Settings.Warmup);
  const int kept = timed > 0 ? finished : 0;
  std::erase_if(result.Measurements,
                [&](const record::Measurement& m) { return m.Set == set && m.Round > kept; });
  record::Interruption interruption{stop.Signal, set, timed, {}};
  std::size_t notRun = set + 1;
  if (timed == 0) {
    if (set == 0) throw stop;  // not one whole timed round: nothing to report
    if (result.Sets.size() > set) result.Sets.pop_back();
    notRun = set;
    interruption.Set = set - 1;
    interruption.TimedRounds = plan.Settings.Repeat;
  }
  for (std::size_t i = notRun; i < sources.size(); ++i) {
    interruption.NotRun.push_back(sources[i].Source.Name);
  }
  result.Interruption = std::move(interruption);
  return result;
}

}  // namespace

record::RunRecord PerformRun(const Plan& plan, const std::vector<CheckedSource>& sources,
                             const record::MachineContext& context) {
  record::RunRecord result;
  result.Context = context;
  result.Settings = plan.Settings;
  result.Solvers = plan.Solvers;
  for (record::Solver& solver : result.Solvers) {
    solver.ProgramSha256 = FileSha256(solver.Program);
    for (record::SolverInput& input : solver.Inputs) input.Sha256 = FileSha256(input.Path);
    if (solver.Kind == record::SolverKind::Library) {
      solver.LibrarySha256 = FileSha256(solver.Library);
    }
    solver.VersionSha256 = VersionDigest(solver);
  }
  const std::filesystem::path startupFolder = plan.Settings.Folder / StartupFolderName;
  checker::ParallelJudge judge(plan.Settings.CheckThreads.value());  // Options always sets it
  for (std::size_t set = 0; set < sources.size(); ++set) {
    // One set's puzzles at a time: the memory of the largest, not of all.
    const PreparedPuzzles whole = PreparePuzzles(sources[set], plan.Settings.Folder);
    const PreparedPuzzles first = PrepareFirstPuzzle(whole, startupFolder);
    result.Sets.push_back(whole.Set);
    Workplace all{plan.Settings.Folder, whole, judge}, one{startupFolder, first, judge};
    all.Other = &one;
    one.Other = &all;
    int finished = 0;
    try {
      RunSet(plan, all, one, set, result, finished);
    } catch (const Interrupted& stop) {
      return KeepWholeRounds(plan, sources, set, finished, stop, std::move(result));
    }
  }
  return result;
}

}  // namespace runner
