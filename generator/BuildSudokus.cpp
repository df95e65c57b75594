#include "BuildSudokus.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <memory>

#include "PuzzleFile.h"
#include "RandomDraws.h"

namespace generator {
namespace {

// The nine drops that start every puzzle: digit d into a random cell, later ones overwriting.
void DropDigits(kit::PuzzleRecord& puzzle, RandomDraws& random) {
  for (int d = 1; d <= 9; ++d)
    puzzle.Cells[static_cast<std::size_t>(random.Cell())] = static_cast<std::uint8_t>(d);
}

void MakeScatterPuzzle(kit::PuzzleRecord& puzzle, RandomDraws& random) {
  DropDigits(puzzle, random);
  for (int i = 0; i < 3; ++i) {
    const int cell = random.Cell();
    const int digit = random.Digit();
    puzzle.Cells[static_cast<std::size_t>(cell)] = static_cast<std::uint8_t>(digit);
  }
}

}  // namespace

bool BuildSudokus(std::int32_t seed, std::int32_t count, kit::TextSink& out,
                  const Progress& progress) {
  const auto search = std::make_unique<kit::Rekursiv>();  // one search module for the run
  search->InitTables();
  return BuildSudokus(seed, count, out, progress,
                      [&search](kit::PuzzleRecord& record) { search->SolveSudoku(record); });
}

bool BuildSudokus(std::int32_t seed, std::int32_t count, kit::TextSink& out,
                  const Progress& progress, const Solver& solveSudoku) {
  RandomDraws random(seed);
  kit::PuzzleRecord currentPuzzle, workPuzzle;
  int kind = 0;
  for (std::int32_t i = 1; i < count; ++i) {
    currentPuzzle = kit::PuzzleRecord{};
    kind = (kind + 1) % 5;
    if (kind != 0) {
      DropDigits(currentPuzzle, random);
      workPuzzle = currentPuzzle;
      solveSudoku(workPuzzle);
      // A completed grid, or whatever board came back for a start without completion, replaces
      // the start when its first cell is filled.
      if (workPuzzle.Cells[0] != 0) currentPuzzle = workPuzzle;
    } else {
      MakeScatterPuzzle(currentPuzzle, random);
    }
    const int clearings = random.Clearings();
    for (int n = 0; n < clearings; ++n)
      currentPuzzle.Cells[static_cast<std::size_t>(random.Cell())] = 0;
    kit::WritePuzzleBlock(out, currentPuzzle.Cells, false);
    if (i % 1000 == 0 && !progress(i)) return false;
  }
  currentPuzzle = kit::PuzzleRecord{};
  MakeScatterPuzzle(currentPuzzle, random);
  kit::WritePuzzleBlock(out, currentPuzzle.Cells, true);
  return true;
}

BuildResult WritePuzzleFile(const std::filesystem::path& folder, std::int32_t seed,
                            std::int32_t count, const Progress& progress) {
  kit::ReplacingFile file(folder / kit::PuzzleFileName, kit::PuzzleFileName);
  if (!BuildSudokus(seed, count, file, progress)) return BuildResult::Stopped;
  file.Commit();
  return BuildResult::Written;
}

void WritePuzzleFile(const std::filesystem::path& folder, const std::vector<kit::Board>& puzzles) {
  kit::ReplacingFile file(folder / kit::PuzzleFileName, kit::PuzzleFileName);
  kit::WritePuzzleBlocks(file, puzzles);
  file.Commit();
}

std::int32_t ProposedSeed() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const double fraction =
      std::chrono::duration<double>(now.time_since_epoch()).count() - static_cast<double>(seconds);
  return static_cast<std::int32_t>(
      std::lround(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec + fraction));
}

}  // namespace generator
