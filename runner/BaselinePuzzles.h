// A comparison with a stored run needs the same puzzles. With --baseline and neither --seed nor
// --puzzles, the generated set is therefore the baseline run's: its seed, and its count unless
// --count gives one. Otherwise the seed would be the time of day, and nothing could be compared.
#pragma once

#include <optional>

#include "Options.h"
#include "ResultsStore.h"

namespace runner {

// Takes the baseline run's seed (and count) into the plan's generated set, before any puzzle is
// made, and says where they came from. None when the plan keeps its own: a seed or collections
// given, no baseline, or for latest no stored run of `machine` with a generated set (there is
// nothing to compare with yet). Throws std::runtime_error, refusing the run, when the run a name
// or number means has no generated set; kit::FileError when there is no such run.
std::optional<record::PuzzlesFrom> TakeBaselinePuzzles(Plan& plan,
                                                       const store::ResultsStore& results,
                                                       const record::MachineContext& machine);

}  // namespace runner
