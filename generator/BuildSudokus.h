// Build's generation run: a reproducible puzzle file from a seed and a count.
//
// Four of every five puzzles are grid puzzles: the digits 1–9 are dropped into random cells, the
// shared search completes them to a grid, and 30 to 49 random cells are emptied again. Every
// fifth puzzle and the last one are scatter puzzles: the same nine drops and three random
// digits in random cells, never solved. The last puzzle gets no clearings and no empty line
// after it. A count of 1 or less gives the single last puzzle.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

#include "Rekursiv.h"
#include "TextFiles.h"

namespace generator {

// Called with the number of puzzles written so far, every 1000 puzzles; false stops the run.
using Progress = std::function<bool(std::int32_t written)>;

// Completes a grid puzzle's start in place, as kit::Rekursiv::SolveSudoku does.
using Solver = std::function<void(kit::PuzzleRecord& record)>;

// Writes the puzzles to `out` with one fresh shared search module for the run.
// Returns false when `progress` stopped it.
bool BuildSudokus(std::int32_t seed, std::int32_t count, kit::TextSink& out,
                  const Progress& progress);

// The same with the search given, so that another implementation of it can be compared.
bool BuildSudokus(std::int32_t seed, std::int32_t count, kit::TextSink& out,
                  const Progress& progress, const Solver& solveSudoku);

enum class BuildResult { Written, Stopped };

// Writes IN.TXT in `folder` so that it replaces an earlier one only when complete. A run that is
// stopped or fails (FileError) leaves the earlier file as it was.
BuildResult WritePuzzleFile(const std::filesystem::path& folder, std::int32_t seed,
                            std::int32_t count, const Progress& progress);

// Writes given puzzles as IN.TXT in `folder`, in the same bytes and the same way: replacing an
// earlier file only when complete. Throws FileError.
void WritePuzzleFile(const std::filesystem::path& folder, const std::vector<kit::Board>& puzzles);

// The seed Build proposes: the local time of day in whole seconds, rounded.
std::int32_t ProposedSeed();

}  // namespace generator
