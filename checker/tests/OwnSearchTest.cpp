// Check's own result: the exact counter on its own, and the budgeted shared search with the
// counter behind it against the shared search without a budget.
#include <gtest/gtest.h>

#include <memory>

#include "BuildSudokus.h"
#include "CheckIt.h"
#include "PuzzleMix.h"
#include "SampleData.h"
#include "SolutionCounter.h"

namespace checker {
namespace {

using kit::Board;
using kit::testing::CountSolutions;
using kit::testing::PuzzleMix;
using kit::testing::SamplePuzzles;

Board Parse(const char* digits) {
  Board b{};
  for (std::size_t i = 0; i < 81; ++i) b[i] = static_cast<std::uint8_t>(digits[i] - '0');
  return b;
}

// A complete grid without a repeated digit that keeps the givens.
bool SolvesGivens(const Board& grid, const Board& givens) {
  for (std::size_t i = 0; i < 81; ++i) {
    if (grid[i] == 0 || (givens[i] != 0 && grid[i] != givens[i])) return false;
  }
  return CountSolutions(grid) == 1;
}

TEST(SolutionCounter, DecidesTheSimpleCases) {
  SolutionCounter counter;
  EXPECT_EQ(counter.Count(Board{}).Solutions, 2);
  const Board grid =
      Parse("693784512487512936125963874932651487568247391741398625319475268856129743274836159");
  CountResult r = counter.Count(grid);
  EXPECT_EQ(r.Solutions, 1);
  EXPECT_EQ(r.Solution, grid);
  r = counter.Count(
      Parse("000000010400000000020000000000050407008000300001090000300400200050100000000806000"));
  EXPECT_EQ(r.Solutions, 1);
  EXPECT_EQ(r.Solution, grid);
  Board repeated{};
  repeated[3] = repeated[75] = 4;  // one column
  EXPECT_EQ(counter.Count(repeated).Solutions, 0);
  Board unplaceable{};  // 1–8 in the first row and 9 below the free cell's box: no place for 9
  for (int c = 0; c < 8; ++c)
    unplaceable[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c + 1);
  unplaceable[17] = 9;
  EXPECT_EQ(counter.Count(unplaceable).Solutions, 0);
  EXPECT_EQ(counter.Count(unplaceable).Solution, Board{});
}

TEST(SolutionCounter, AgreesWithPlainBacktrackingOnRandomSparseBoards) {
  SolutionCounter counter;
  PuzzleMix mix(4711);
  int compared = 0, outcomes[3] = {};
  for (int i = 0; i < 1500; ++i) {
    Board p{};
    const int givens = 8 + mix.Below(23);  // 8 to 30 random digits in random cells
    for (int k = 0; k < givens; ++k)
      p[static_cast<std::size_t>(mix.Below(81))] = static_cast<std::uint8_t>(1 + mix.Below(9));
    if (i % 2 == 0) p = mix.GridPuzzle(45, 75);  // cut from a grid: one solution or several
    const int plain = CountSolutions(p, 2, 200000);
    if (plain < 0) continue;  // too slow for plain backtracking
    const CountResult r = counter.Count(p);
    ASSERT_EQ(r.Solutions, plain) << i;
    if (r.Solutions == 1) {
      ASSERT_TRUE(SolvesGivens(r.Solution, p)) << i;
    }
    ++compared;
    ++outcomes[plain];
  }
  EXPECT_GT(compared, 1200);
  for (int n : outcomes) EXPECT_GT(n, 50);  // every outcome well represented
}

TEST(SolutionCounter, SolvesTheHardSamplesAndSeesTheSeveralSolutions) {
  SolutionCounter counter;
  for (const char* name : {"17-clue", "top1465", "hardest-1905-11plus", "hardest-1106"}) {
    for (const Board& p : SamplePuzzles(name, 100)) {
      const CountResult r = counter.Count(p);
      ASSERT_EQ(r.Solutions, 1) << name;
      ASSERT_TRUE(SolvesGivens(r.Solution, p)) << name;
    }
  }
  for (const Board& p : SamplePuzzles("serg", 100)) ASSERT_EQ(counter.Count(p).Solutions, 2);
}

// The puzzle with one more given, in an empty cell, that differs from the grid it was cut from
// and clashes with no other given: mostly a puzzle without solution that is quick to refute.
Board WithWrongGiven(Board puzzle, const Board& grid, PuzzleMix& mix) {
  for (;;) {
    const auto cell = static_cast<std::size_t>(mix.Below(81));
    const auto digit = static_cast<std::uint8_t>(1 + mix.Below(9));
    if (puzzle[cell] != 0 || digit == grid[cell]) continue;
    bool clash = false;
    for (std::size_t j = 0; j < 81; ++j) {
      const bool peer = j / 9 == cell / 9 || j % 9 == cell % 9 ||
                        (j / 27 == cell / 27 && j % 9 / 3 == cell % 9 / 3);
      clash |= peer && puzzle[j] == digit;
    }
    if (clash) continue;
    puzzle[cell] = digit;
    return puzzle;
  }
}

// The puzzles of the side-by-side comparison: quick for the shared search without a budget.
std::vector<Board> QuickPuzzles() {
  kit::StringSink file;
  generator::BuildSudokus(31, 2500, file, [](std::int32_t) { return true; });
  std::vector<Board> puzzles = kit::ReadAllPuzzles(kit::PuzzleText{file.Text, "IN.TXT"});
  for (const char* name : kit::testing::SampleNames) {
    for (const Board& p : SamplePuzzles(name, 8)) puzzles.push_back(p);
  }
  PuzzleMix mix(99);
  for (int i = 0; i < 300; ++i) {  // 30 or more givens and no solution
    const Board grid = mix.Grid();
    Board p = grid;
    for (int k = 0; k < 40; ++k) p[static_cast<std::size_t>(mix.Below(81))] = 0;
    puzzles.push_back(WithWrongGiven(p, grid, mix));
  }
  return puzzles;
}

TEST(OwnSearch, GivesWhatTheSharedSearchWithoutBudgetGives) {
  static const std::vector<Board> puzzles = QuickPuzzles();
  for (const std::int64_t budget : {CheckStepBudget, std::int64_t{1}, std::int64_t{12}}) {
    const auto own = std::make_unique<OwnSearch>(budget);
    const auto unbounded = std::make_unique<kit::Rekursiv>();
    unbounded->InitTables();
    std::array<int, 3> outcomes{};
    for (std::size_t i = 0; i < puzzles.size(); ++i) {
      kit::PuzzleRecord a, b;
      a.Cells = b.Cells = puzzles[i];
      own->SolveSudoku(a);
      unbounded->SolveSudoku(b);
      ASSERT_EQ(a.Status, b.Status) << "budget " << budget << ", puzzle " << i;
      if (a.Status == 1) {
        ASSERT_EQ(a.Cells, b.Cells) << "budget " << budget << ", puzzle " << i;
      }
      ++outcomes[static_cast<std::size_t>(a.Status)];
    }
    for (int n : outcomes) EXPECT_GT(n, 100) << "budget " << budget;
    // The counter decided the hard samples at least, and with tiny budgets every puzzle that
    // singles alone do not complete.
    EXPECT_GE(own->Counted, budget == CheckStepBudget ? 25 : 300) << "budget " << budget;
  }
}

}  // namespace
}  // namespace checker
