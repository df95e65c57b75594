// What a run is compared with: the stored run a --baseline names, and for each solver and set of
// the run the same solver on the same puzzles there.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "RunRecord.h"

struct sqlite3;

namespace store {

// The stored run `reference` names in a store of layout `version`: a run's number, or the latest
// run saved under that name (--save-baseline). None when there is no such run.
std::optional<std::int64_t> RunNamed(sqlite3* database, int version, const std::string& reference);

// For each solver and set of `now`, the same solver name on the same puzzles (the IN.TXT's
// digest) in the stored run `run`, or without one in the latest stored run on this machine that
// has it; only where that solver stayed correct there, and else why there is nothing to
// compare. Each stored run is read and summed up once. Warnings when a run compared with ran on
// another processor, kernel or compiler. `reference` is kept as given.
record::Baseline BaselineOf(sqlite3* database, int version, const std::string& reference,
                            std::optional<std::int64_t> run, const record::RunRecord& now);

// The generated set of the stored run `run`, or without one of the latest stored run on this
// machine that had one: that run's number, the seed and the count. None when there is no such set.
std::optional<record::PuzzlesFrom> GeneratedSetOf(sqlite3* database,
                                                  std::optional<std::int64_t> run,
                                                  const record::MachineContext& machine);

}  // namespace store
