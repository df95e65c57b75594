// What the results store hands back: stored runs with their numbers and comparisons, and the
// lines the history lists of them (one per solver and set of each run), with the filter that
// picks some of them. The store fills these; the reports lay them out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "RunRecord.h"

namespace record {

// A comparison as the run's report made it: a solver on a set against the fastest of the set
// (Other: its solver) or against a stored run (Other: that run's number).
struct StoredComparison {
  std::size_t Set = 0, Solver = 0;
  bool AgainstBaseline = false;
  std::int64_t Other = 0;
  Comparison Result;

  bool operator==(const StoredComparison&) const = default;
};

// A run as the results store gives it back: its number there, everything it found, and what its
// comparisons said.
struct StoredRun {
  std::int64_t Number = 0;
  RunRecord Record;
  std::vector<StoredComparison> Comparisons = {};

  bool operator==(const StoredRun&) const = default;
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
  // What tells the solver's versions apart: its VersionSha256, or where that is empty (a record
  // made before solvers had one) its program's digest; empty when neither is known.
  std::string VersionSha256;
  std::string Set;           // the set's name in that run
  std::string SetSha256;     // its IN.TXT's digest, or empty
  std::int64_t Count = 0;    // puzzles in the set
  int TimedRuns = 0;         // judged timed runs on the whole set
  // Over those runs, monotonic seconds; none without one.
  std::optional<double> MedianSeconds, MinimumSeconds, MaximumSeconds;
  std::optional<double> MicrosecondsPerPuzzleNet;
  // The threads that judged the run's answers, and the median time judging one of those runs
  // took; none when not known (a run stored before the store kept them).
  std::optional<int> CheckThreads;
  std::optional<double> CheckSeconds;
  record::Verdict Verdict = record::Verdict::Correct;
  std::string BaselineName;  // the name the run was saved under, or empty
  // What the comparison with a baseline said then: the stored run and the verdict.
  std::optional<StoredComparison> AgainstBaseline;

  bool operator==(const HistoryLine&) const = default;
};

// The lines of one stored run: per set, per solver, in the run's order.
std::vector<HistoryLine> HistoryLinesOf(const StoredRun& run);

// Those of every run, in the order given.
std::vector<HistoryLine> HistoryLinesOf(const std::vector<StoredRun>& runs);

// Which history lines to list; empty fields take all.
struct HistoryFilter {
  std::string Solver;   // the solver's name
  std::string Set;      // the set's name
  std::string Machine;  // the host name, or the start of the machine's identity

  bool operator==(const HistoryFilter&) const = default;
};

// Whether the filter takes a line of the history.
bool Takes(const HistoryFilter& filter, const HistoryLine& line);

}  // namespace record
