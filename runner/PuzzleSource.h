// Where a run's IN.TXT comes from: Build's generator with a seed, or a puzzle collection in the
// line format. Either way IN.TXT is written by Build's writer, byte for byte as Build writes it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "PuzzleFile.h"
#include "RunRecord.h"
#include "WorkFolderLock.h"

namespace runner {

struct PuzzleSource {
  std::filesystem::path Collection;  // a collection in the line format; empty: generate
  std::int32_t Seed = 0;             // the generator's seed
  std::int32_t Count = 500000;       // puzzles to generate, or to take from the collection's
                                     // beginning (0: all of it)
};

struct PreparedPuzzles {
  record::PuzzleSet Set;  // its name, source, count and the size of IN.TXT
  std::string Warning;    // what the user should know, e.g. fewer puzzles than asked for
  // The bytes of IN.TXT as written: what every answer is judged against, and what IN.TXT must
  // still hold after each solver's run.
  std::shared_ptr<const kit::PuzzleText> Text;
};

// Writes IN.TXT into `folder` (created if need be), replacing an earlier one only when complete.
// A collection is read before anything is written, so a line it refuses (FileError naming the
// file and the line) leaves the folder as it was; then the folder is locked into `lock`
// (WorkFolderLock), which the caller holds to the end of the run. Progress goes to standard error;
// SIGINT or SIGTERM (TakeOverInterruptions) stops the generation, leaves an earlier IN.TXT as it
// was and throws Interrupted.
PreparedPuzzles PreparePuzzles(const PuzzleSource& source, const std::filesystem::path& folder,
                               std::optional<WorkFolderLock>& lock);

}  // namespace runner
