// The stored runs as the history lists them: one line per solver and set of each run, in the
// order the runs began.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Axis.h"
#include "RunRecord.h"

namespace report {

// A comparison as the run's report made it: a solver on a set against the fastest of the set
// (Other: its solver) or against a stored run (Other: that run's number).
struct StoredComparison {
  std::size_t Set = 0, Solver = 0;
  bool AgainstBaseline = false;
  std::int64_t Other = 0;
  record::Comparison Result;
};

// A run as the results store gives it back: its number there, everything it found, and what its
// comparisons said.
struct StoredRun {
  std::int64_t Number = 0;
  record::RunRecord Record;
  std::vector<StoredComparison> Comparisons = {};
};

// One solver on one set in one stored run.
struct HistoryLine {
  std::int64_t Number = 0;   // the stored run
  std::string StartedUtc;    // when the run began, ISO 8601
  std::string Machine;       // the host name, or the start of the machine's identity
  std::string MachineId;     // SHA-256 of the machine's identity, or empty
  std::string Commit;        // the kit's commit, "+" when the checkout had changes
  std::string Solver;        // the solver's name in that run
  std::string SolverSha256;  // its program's digest, or empty
  std::string Set;           // the set's name in that run
  std::string SetSha256;     // its IN.TXT's digest, or empty
  std::int64_t Count = 0;    // puzzles in the set
  int TimedRuns = 0;         // judged timed runs on the whole set
  // Over those runs, monotonic seconds; none without one.
  std::optional<double> MedianSeconds, MinimumSeconds, MaximumSeconds;
  std::optional<double> MicrosecondsPerPuzzleNet;
  record::Verdict State = record::Verdict::Correct;
  std::string BaselineName;  // the name the run was saved under, or empty
  // What the comparison with a baseline said then: the stored run and the verdict.
  std::optional<StoredComparison> AgainstBaseline;
};

// The lines of one stored run: per set, per solver, in the run's order.
std::vector<HistoryLine> HistoryLinesOf(const StoredRun& run);

// Those of every run, in the order given.
std::vector<HistoryLine> HistoryLinesOf(const std::vector<StoredRun>& runs);

// The history as a table for a terminal, times with the given decimal separator; a note when
// there are no lines.
std::string FormatHistory(const std::vector<HistoryLine>& lines, const std::string& separator);

// The table of that history: a header, then a row of texts per line.
std::vector<std::vector<std::string>> HistoryRows(const std::vector<HistoryLine>& lines,
                                                  const std::string& separator);

// The same as a JSON array, one object per line.
std::string FormatHistoryJson(const std::vector<HistoryLine>& lines);

// A set of the history: its name and its puzzles' digest, so that the same name over other
// puzzles is a set of its own; the stored runs that measured it, in the order given, and its
// lines.
struct HistorySet {
  std::string Name, Sha256;
  std::string Title;  // name and count, and the digest's start where two sets share a name
  std::int64_t Count = 0;
  std::vector<std::int64_t> Runs;
  std::vector<std::string> Days;  // when each run began, "14.03.2026"
  std::vector<const HistoryLine*> Lines;
  std::vector<std::size_t> Solvers;  // those in the set, as indexes into the solvers' names

  std::size_t RunIndex(std::int64_t number) const {
    return static_cast<std::size_t>(std::find(Runs.begin(), Runs.end(), number) - Runs.begin());
  }
  // An axis of seconds over every median, fastest and slowest run of the set.
  plot::Ticks TimeAxis() const;
};

// The sets of `lines`, and in `solvers` every solver's name: each in the order it first
// appears. The sets point into `lines`.
std::vector<HistorySet> HistorySetsOf(const std::vector<HistoryLine>& lines,
                                      std::vector<std::string>& solvers);

// The day of a moment in ISO 8601 as "14.03.2026"; empty when it is not one.
std::string DayOf(const std::string& startedUtc);

// How the history words a state: "korrekt", "falsch", "gescheitert".
const char* StateWord(record::Verdict state);

}  // namespace report
