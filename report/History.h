// The stored runs as the history lists them: the lines as a table for a terminal, as JSON, and
// grouped by set for the pictures.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Axis.h"
#include "StoredRuns.h"
#include "Tone.h"

namespace report {

// The history as a table for a terminal, times with the given decimal separator; a note when
// there are no lines.
std::string FormatHistory(const std::vector<record::HistoryLine>& lines,
                          const std::string& separator);

// The table of that history: a header, then a row per line, its verdict and a slowdown against
// its baseline toned.
std::vector<std::vector<Cell>> HistoryRows(const std::vector<record::HistoryLine>& lines,
                                           const std::string& separator);

// The same as a JSON array, one object per line.
std::string FormatHistoryJson(const std::vector<record::HistoryLine>& lines);

// A set of the history: its name and its puzzles' digest, so that the same name over other
// puzzles is a set of its own; the stored runs that measured it, in the order given, and its
// lines.
struct HistorySet {
  std::string Name, Sha256;
  std::string Title;  // name and count, and the digest's start where two sets share a name
  std::int64_t Count = 0;
  std::vector<std::int64_t> Runs;
  std::vector<std::string> Days;  // when each run began, "14.03.2026"
  std::vector<const record::HistoryLine*> Lines;
  std::vector<std::size_t> Solvers;  // those in the set, as indexes into the solvers' names

  std::size_t RunIndex(std::int64_t number) const {
    return static_cast<std::size_t>(std::find(Runs.begin(), Runs.end(), number) - Runs.begin());
  }
  // An axis of seconds over every median, fastest and slowest run of the set.
  plot::Ticks TimeAxis() const;
};

// The sets of `lines`, and in `solvers` every solver's name: each in the order it first
// appears. The sets point into `lines`.
std::vector<HistorySet> HistorySetsOf(const std::vector<record::HistoryLine>& lines,
                                      std::vector<std::string>& solvers);

// The day of a moment in ISO 8601 as "14.03.2026"; empty when it is not one.
std::string DayOf(const std::string& startedUtc);

// How the history words a state: "korrekt", "falsch", "gescheitert".
const char* VerdictWord(record::Verdict state);

}  // namespace report
