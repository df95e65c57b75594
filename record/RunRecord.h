// Everything a benchmark run found, in one record: the machine it ran on, what it was asked to
// do, the puzzle sets, the solvers, and every run with its own verdict, times and failure or
// reason. Reports only read it; the summaries they share are computed once (Summarize).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Comparison.h"
#include "Statistics.h"

namespace record {

// What a published figure needs beside it: the machine it was taken on, the kit's build that took
// it, the moment, and how busy the machine was before the run began.
struct MachineContext {
  std::string Processor;                // the model name the system gives
  int LogicalCores = 0;                 // online logical CPUs
  std::uint64_t MemoryBytes = 0;        // the physical memory
  std::string OperatingSystem;          // e.g. "Debian GNU/Linux 12 (bookworm)"
  std::string Kernel;                   // the kernel's name and release
  std::string KitVersion;               // the project's version
  std::string GitCommit;                // the checkout's commit it was built from, or empty
  bool GitChanges = false;              // the checkout had changes not committed
  std::string Compiler;                 // compiler and version
  std::string BuildType;                // e.g. "Release"
  std::string StartedUtc;               // ISO 8601, to the second
  std::array<double, 3> LoadAverage{};  // over 1, 5 and 15 minutes
  std::string Host;                     // the host name
  std::string MachineId;                // SHA-256 of /etc/machine-id in hex, or empty

  bool operator==(const MachineContext&) const = default;
};

// Whether the machine was busy when the run began: a load above 0.5 per logical core.
bool BusyAtStart(const MachineContext& context);

// What the run was asked to do, beside the sets and solvers.
struct Settings {
  std::filesystem::path Folder;          // where IN.TXT, Start.txt and OUT.TXT went
  int Repeat = 1;                        // timed rounds
  int Warmup = 0;                        // untimed rounds before them, judged all the same
  std::optional<double> TimeoutSeconds;  // the time limit of a solver run
  std::optional<int> PinnedCpu;          // the CPU the solvers ran on
  // The threads that judged each OUT.TXT; none when not known (a run stored by an earlier kit).
  std::optional<int> CheckThreads = {};
  // Differences below this share of the time (5 = 5 %) are taken for the machine's noise.
  double NoisePercent = 7;
  std::string SaveBaseline = {};  // the name the stored run is given (--save-baseline)
  bool FailOnRegression = false;  // fail when a comparison says "langsamer" or none decided

  bool operator==(const Settings&) const = default;
};

// Which run of a solver a round is, as reports name it: "Aufwärmrunde 1", "Runde 2".
std::string RunName(const Settings& settings, int round);

// One set of puzzles, written as one IN.TXT.
struct PuzzleSet {
  std::string Name;                  // as reports name it
  std::filesystem::path Collection;  // the collection it came from; empty: Build's generator
  std::int32_t Seed = 0;             // the generator's seed, for a generated set
  std::int64_t Count = 0;            // puzzles in its IN.TXT
  std::uintmax_t InBytes = 0;        // the size of its IN.TXT
  std::string InSha256 = {};         // SHA-256 of its IN.TXT in hex
  // The --count asked for, where the collection held fewer puzzles and all of them were taken.
  std::optional<std::int64_t> Requested = {};

  bool operator==(const PuzzleSet&) const = default;
};

// How a solver takes the puzzles: a program that reads IN.TXT and writes OUT.TXT in its folder,
// one that reads a puzzle a line on standard input and prints an answer a line, or a library's
// function called on each puzzle in memory by the kit's host program.
enum class SolverKind { Program, Lines, Library };

// As exported files name it: "program", "lines" or "library".
const char* SolverKindName(SolverKind kind);
// The kind a name read back stands for; none for a name this kit does not know.
std::optional<SolverKind> SolverKindOf(std::string_view name);

// A file named on a solver's command line (a script, a table it loads): a new version of it is a
// new version of the solver.
struct SolverInput {
  std::filesystem::path Path;  // absolute
  std::string Sha256;          // of its bytes, in hex

  bool operator==(const SolverInput&) const = default;
};

// A program or a library that was timed.
struct Solver {
  std::string Name;  // as reports show it, unique within the run
  std::filesystem::path Program;
  std::string ProgramSha256 = {};  // SHA-256 of the program file in hex
  SolverKind Kind = SolverKind::Program;
  // The words it was run with, the first the program's absolute path; none read back from a
  // store or report that predates them, where the program alone was run.
  std::vector<std::string> Command = {};
  std::vector<SolverInput> Inputs = {};
  // What tells its versions apart: the program's digest when no file is among its words,
  // otherwise the digest of the program's and every input's digest, in order.
  std::string VersionSha256 = {};
  // A library's file (absolute), the function called and the configuration handed to it; its
  // Program is the host that calls it and its version is the library's digest.
  std::filesystem::path Library = {};
  std::string Function = {};
  std::uint32_t Configuration = 0;
  std::string LibrarySha256 = {};

  bool operator==(const Solver&) const = default;
};

enum class Verdict {
  Correct,  // every answer was right
  Wrong,    // an answer was wrong: Check says which and why
  Failed,   // the run failed: Failure says how
};

// As exported files name it: "correct", "wrong" or "failed".
const char* VerdictName(Verdict verdict);

// The verdict a name read back from a file or the store stands for; none for a name this kit
// does not know (a reader refuses it rather than guess).
std::optional<Verdict> VerdictOf(std::string_view name);

// Check's verdict on one OUT.TXT.
struct Judgement {
  std::string Message;                     // "Alle Lösungen korrekt", or the wrong puzzle
  std::int32_t Number = 0;                 // the wrong puzzle, for Verdict::Wrong
  std::string Reason;                      // why it is wrong, for Verdict::Wrong
  std::array<std::int64_t, 3> Outcomes{};  // puzzles with no solution, one, several

  bool operator==(const Judgement&) const = default;
};

// Per-puzzle times are counted in bins of a tenth of a decade from 0.1 µs to 100 s: bin i holds
// the times from 0.1 µs · 10^(i/10) on; those below go to the first, those above to the last.
inline constexpr int PuzzleTimeBins = 90;
double BinStartMicroseconds(int bin);
int PuzzleTimeBin(double microseconds);

// One of the slowest puzzles of a library's timed pass.
struct SlowPuzzle {
  std::int64_t Number = 0;              // in the set, from 1
  std::optional<std::int64_t> Line;     // of the collection it came from; none for Build's
  double Microseconds = 0;              // the call's time
  std::optional<std::int64_t> Guesses;  // none when the library does not report them

  bool operator==(const SlowPuzzle&) const = default;
};

// A library's timed pass, puzzle by puzzle.
struct PuzzleTimes {
  // Whether the library gave a solution to judge; when it never did, its counts alone were.
  bool SolutionsGiven = true;
  std::optional<std::int64_t> Guesses;  // over the pass; none when the library never wrote them
  std::int64_t WithoutGuess = 0;        // puzzles it solved without a guess, where reported
  double P50 = 0, P90 = 0, P99 = 0, Max = 0;  // of the calls' times, in µs
  std::vector<SlowPuzzle> Slowest;            // the ten slowest (fewer in a smaller set)
  std::vector<std::int64_t> Histogram;        // PuzzleTimeBins counts, or none stored

  bool operator==(const PuzzleTimes&) const = default;
};

// One run of one solver on one set.
struct Measurement {
  std::size_t Set = 0;     // index into RunRecord::Sets
  std::size_t Solver = 0;  // index into RunRecord::Solvers
  int Round = 0;           // 1-based, warm-up rounds first
  bool Warmup = false;
  // A run on the set's first puzzle alone, in every round: what the program costs to start,
  // load and write its files, apart from the puzzles.
  bool Startup = false;
  // The process ran to an end: its times, CPU times and memory below are real (a failed run may
  // have them too, one that could not be started has not).
  bool Timed = false;
  record::Verdict Verdict = record::Verdict::Correct;
  double EndeSeconds = 0;       // from Start.txt to the end, as Ende computes it
  double MonotonicSeconds = 0;  // from the start of the process to its end, steady clock
  double GuardSeconds = 0;      // the checks after the run: leftovers ended, files compared
  // Judging its OUT.TXT, not timed as the solver's; none when not known (stored by an earlier
  // kit).
  std::optional<double> CheckSeconds = {};
  double UserSeconds = 0;  // CPU time of the solver process
  double SystemSeconds = 0;
  std::int64_t MaxRssBytes = 0;  // its peak memory
  std::uintmax_t OutBytes = 0;   // the size of its OUT.TXT
  Judgement Check;               // for Correct and Wrong
  std::string Failure;           // for Failed: the German message
  // A library's judged run: its pass puzzle by puzzle (MonotonicSeconds is the pass).
  std::optional<PuzzleTimes> Puzzles = {};

  bool operator==(const Measurement&) const = default;
};

// What a comparison of times came to, as reports word it (ChangeWord) and files name it
// (ChangeName).
enum class Change {
  Slower,        // "langsamer": clear by the test, and beyond the noise
  Faster,        // "schneller"
  NoDifference,  // "kein messbarer Unterschied"
  TooFewRounds,  // "zu wenige Runden": no claim either way
};
const char* ChangeWord(Change change);
const char* ChangeName(Change change);

// The change a name read back stands for; none for a name this kit does not know.
std::optional<Change> ChangeOf(std::string_view name);

// Seconds in whole microseconds, half away from zero: the resolution at which a JSON report keeps
// the monotonic clock's times, and so the one at which the store's run key compares them.
std::int64_t Microseconds(double seconds);

// A solver's times on a set against others: the ratio of the medians (now ÷ other) with its 95 %
// bootstrap interval, the test's two-sided p and the verdict.
struct Comparison {
  stats::RatioInterval Ratio;
  std::optional<double> P;  // none when there were too few runs to test
  int Count = 0, OtherCount = 0;
  record::Change Change = record::Change::TooFewRounds;

  bool operator==(const Comparison&) const = default;
};

// Fewest timed runs a side for a claim against a stored run; with fewer than 8 rounds the
// signed-rank test of one run cannot reach p < 0.01.
inline constexpr int FewestBaselineRuns = 5;
inline constexpr int FewestPairedRounds = 8;

// Compares `now` with `other`: paired by round (solvers of one run, the signed-rank test on the
// rounds' ratios) or not (a stored run, the rank-sum test), with the noise threshold in per cent.
Comparison Compare(const std::vector<double>& now, const std::vector<double>& other, bool paired,
                   double noisePercent);

// A solver on a set in a stored earlier run, that this run's solver of that name on that set is
// compared with.
struct BaselineCell {
  std::size_t Set = 0, Solver = 0;       // in this run
  std::int64_t Run = 0;                  // the stored run's number
  std::string Name = {};                 // its baseline name, or empty
  std::vector<double> MonotonicSeconds;  // its judged timed runs on the whole set

  bool operator==(const BaselineCell&) const = default;
};

// Why a solver on a set of this run found nothing in the stored run to be compared with.
enum class NoComparison {
  NoEarlierRun,  // no stored run has that solver on those puzzles (--baseline latest)
  OtherPuzzles,  // the stored run has the solver, but no set with the same IN.TXT
  NoSolver,      // the stored run has no solver of that name
  Wrong,         // the solver answered wrongly on those puzzles there
  Failed,        // it failed on them there
  NotTimed,      // it was correct there, but no timed run of it ended (a run cut short)
};

// A solver on a set that --baseline found nothing to compare with, and why.
struct UncomparedCell {
  std::size_t Set = 0, Solver = 0;  // in this run
  NoComparison Reason = NoComparison::NoEarlierRun;
  std::optional<std::int64_t> Run = {};  // the stored run looked into; none: there was none
  std::string Name = {};                 // its baseline name, or empty

  bool operator==(const UncomparedCell&) const = default;
};

// The generated set a run took from its baseline, --seed not given.
struct PuzzlesFrom {
  std::int64_t Run = 0;  // the stored run whose set it was
  std::int32_t Seed = 0;
  std::optional<std::int64_t> Count = {};  // taken too; none when --count gave it

  bool operator==(const PuzzlesFrom&) const = default;
};

// What --baseline found before the reports: the cells, and how the machine differed.
struct Baseline {
  std::string Reference;                        // as given: "latest", a name or a run's number
  std::vector<BaselineCell> Cells;              // each solver and set with a stored run to compare
  std::vector<std::string> Warnings;            // another processor, kernel or compiler than now
  std::vector<UncomparedCell> Uncompared = {};  // each without one, and why
  std::optional<record::PuzzlesFrom> PuzzlesFrom = {};  // where the generated set came from

  bool operator==(const Baseline&) const = default;
};

// A run that Ctrl-C or SIGTERM stopped after at least one whole timed round: what it kept.
struct Interruption {
  int Signal = 0;                        // SIGINT or SIGTERM
  std::size_t Set = 0;                   // the set it stopped in, as an index into RunRecord::Sets
  int TimedRounds = 0;                   // the timed rounds every solver of that set finished
  std::vector<std::string> NotRun = {};  // the sets it did not reach, or reached too late

  bool operator==(const Interruption&) const = default;
};

struct RunRecord {
  MachineContext Context;  // taken before anything ran
  record::Settings Settings;
  std::vector<PuzzleSet> Sets;
  std::vector<Solver> Solvers;               // in the order given
  std::vector<Measurement> Measurements;     // in the order they ran
  std::optional<record::Baseline> Baseline;  // with --baseline
  // Only whole rounds are kept: a round under way when the run stopped is dropped. An
  // interrupted run is reported, never stored.
  std::optional<record::Interruption> Interruption;

  bool operator==(const RunRecord&) const = default;
};

// The figure per puzzle that the reports show and the factors are ratios of.
enum class PerPuzzle {
  Gross,  // the median ÷ N
  Net,    // net of the start-up: (median − start-up) ÷ (N − 1)
};

// A solver's runs on one set, summed up.
struct SolverSummary {
  // Failed if a run failed, else Wrong if one was wrong.
  record::Verdict Verdict = record::Verdict::Correct;
  const Measurement* Last = nullptr;  // its last run: the one that failed or was wrong
  const Measurement* LastJudged =
      nullptr;                            // its last judged run on the whole set, or the wrong one
  std::vector<const Measurement*> Ended;  // its runs on the whole set that were judged, warm-up
                                          // runs included (start-up runs are not among them)
  std::vector<double> MonotonicTimes, EndeTimes;  // of its judged timed runs, in order
  stats::Summary Monotonic, Ende;
  // The median of its judged timed start-up runs, in seconds; none without such a run.
  std::optional<double> StartupSeconds;
  // A library, timed in its host's pass over the puzzles in memory: its net figures are its gross
  // ones, and MedianPuzzles its pass nearest the median, puzzle by puzzle (none without one).
  bool InProcess = false;
  const PuzzleTimes* MedianPuzzles = nullptr;
  // Per puzzle from the median of the set's timed runs: gross (median ÷ N), net of the start-up
  // ((median − start-up) ÷ (N − 1), none for N = 1 or without a start-up time), and puzzles per
  // second (N ÷ median). None without timed runs.
  std::optional<double> MicrosecondsPerPuzzle, MicrosecondsPerPuzzleNet, PuzzlesPerSecond;
  // The same figures of each judged timed run on the whole set, in its order: gross its time ÷ N;
  // net less the start-up run of its round, for the rounds that have one (none for N = 1).
  std::vector<double> RunsPerPuzzle, RunsPerPuzzleNet;
  // Its figure ÷ the fastest one's, the figure being Summaries::Figure, with the spread of their
  // runs' figures; for a correct solver beside a fastest one.
  std::optional<stats::Ratio> RelativeToFastest;
  // Against the fastest solver of the set in the same rounds, for a correct solver beside it.
  std::optional<Comparison> AgainstFastest;
  // Against its baseline cell, when both stayed correct.
  const BaselineCell* Baseline = nullptr;
  std::optional<Comparison> AgainstBaseline;
};

struct SetSummary {
  std::vector<SolverSummary> Solvers;  // in the order of RunRecord::Solvers
  // The fastest of the solvers that stayed correct, by the figure per puzzle the factors compare
  // (Summaries::Figure); none unless at least two of them have it.
  std::optional<std::size_t> Fastest;
};

struct Summaries {
  std::vector<SetSummary> Sets;  // in the order of RunRecord::Sets
  // One figure for the whole run, so that every set compares like with like: net when every
  // correct solver with a gross figure has a net one above 0 on every set, otherwise gross (on a
  // set of a few puzzles the start-up's spread can exceed what the puzzles cost; a set of one
  // puzzle has no net figure).
  PerPuzzle Figure = PerPuzzle::Gross;
  // Per solver: the geometric mean of its factors to the fastest, over the sets where every
  // solver stayed correct and was timed; none when there is no such set or fewer than two
  // solvers.
  std::vector<std::optional<double>> GeometricMeanFactors;
};

// The comparisons' bootstrap takes a few milliseconds each: a list of many runs goes without.
enum class Detail { Full, WithoutComparisons };

Summaries Summarize(const RunRecord& record, Detail detail = Detail::Full);

// A solver's figure of that kind in microseconds, and those of its single runs.
const std::optional<double>& PerPuzzleFigure(const SolverSummary& s, PerPuzzle figure);
const std::vector<double>& PerPuzzleRuns(const SolverSummary& s, PerPuzzle figure);

}  // namespace record
