#include <gtest/gtest.h>

#include <memory>

#include "LiteralSharedSearch.h"
#include "PuzzleMix.h"
#include "Rekursiv.h"

namespace kit {
namespace {

using testing::CountSolutions;
using testing::PuzzleMix;

Board Parse(const char* digits) {
  Board b{};
  for (std::size_t i = 0; i < 81; ++i) b[i] = static_cast<std::uint8_t>(digits[i] - '0');
  return b;
}

// A fresh module per test: about 60 KiB, so on the heap.
std::unique_ptr<Rekursiv> NewSearch() {
  auto search = std::make_unique<Rekursiv>();
  search->InitTables();
  return search;
}

PuzzleRecord Solve(Rekursiv& search, const Board& givens) {
  PuzzleRecord record;
  record.Cells = givens;
  search.SolveSudoku(record);
  return record;
}

bool IsCompleteGrid(const Board& b) {
  for (std::uint8_t v : b) {
    if (v == 0) return false;
  }
  return CountSolutions(b) == 1;
}

bool Keeps(const Board& grid, const Board& givens) {
  for (std::size_t i = 0; i < 81; ++i) {
    if (givens[i] != 0 && grid[i] != givens[i]) return false;
  }
  return true;
}

const char* const Unique17 =
    "000000010400000000020000000000050407008000300001090000300400200050100000000806000";
const char* const Unique17Solution =
    "693784512487512936125963874932651487568247391741398625319475268856129743274836159";
// No solution, 34 givens, no digit repeated: chained singles put a digit twice into a unit.
const char* const ChainRepeats =
    "008000046003460572062005000030600200800531007000020100000047010240800060017956000";

TEST(SharedSearchTables, HoldTheBoardsShapes) {
  const auto search = NewSearch();
  EXPECT_EQ(search->BoxStartOfCell[40], 30);
  EXPECT_EQ(search->BoxOf[40], 4);
  EXPECT_EQ(search->RowStart[80], 72);
  EXPECT_EQ(search->ColumnStart[80], 8);
  EXPECT_EQ(search->BoxOf[80], 8);
  EXPECT_EQ(search->DigitBit[0], 0);
  EXPECT_EQ(search->DigitBit[9], 256);
  EXPECT_EQ(search->BoxStart[7], 57);
}

// The literal transcription is the reference the fast search is held against: its threshold
// reading of the ninth digit must name it for every set of eight.
TEST(SharedSearchTables, TheReferenceNamesTheNinthDigit) {
  using literal::LiteralRekursiv;
  EXPECT_EQ(LiteralRekursiv::MissingDigit(510), 1);
  EXPECT_EQ(LiteralRekursiv::MissingDigit(495), 5);
  EXPECT_EQ(LiteralRekursiv::MissingDigit(255), 9);
  for (int d = 1; d <= 9; ++d) {
    EXPECT_EQ(LiteralRekursiv::MissingDigit(static_cast<std::int16_t>(511 - (1 << (d - 1)))), d);
  }
}

TEST(SolveSudoku, EmptyBoardHasSeveralSolutionsAndGivesAGrid) {
  const auto search = NewSearch();
  search->LastCell = 57;  // where the previous search ended does not matter here
  const PuzzleRecord r = Solve(*search, Board{});
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Filled, 81);
  EXPECT_TRUE(IsCompleteGrid(r.Cells));
}

TEST(SolveSudoku, NineDigitsGiveAGridAroundThemOrNothing) {
  const auto search = NewSearch();
  Board start{};
  const int cells[9] = {3, 17, 22, 40, 44, 58, 61, 70, 80};
  for (int d = 1; d <= 9; ++d)
    start[static_cast<std::size_t>(cells[d - 1])] = static_cast<std::uint8_t>(d);
  PuzzleRecord r = Solve(*search, start);
  EXPECT_EQ(r.Status, 2);
  EXPECT_TRUE(IsCompleteGrid(r.Cells));
  EXPECT_TRUE(Keeps(r.Cells, start));

  Board blocked{};  // 1–8 in row 0, and 9 in the box of its empty cell: no grid fits
  for (int d = 1; d <= 8; ++d)
    blocked[static_cast<std::size_t>(d - 1)] = static_cast<std::uint8_t>(d);
  blocked[17] = 9;
  r = Solve(*search, blocked);
  EXPECT_EQ(r.Status, 0);
}

TEST(SolveSudoku, CompleteGridAndRepeatedGivens) {
  const auto search = NewSearch();
  const Board grid = Parse(Unique17Solution);
  PuzzleRecord r = Solve(*search, grid);
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Cells, grid);
  EXPECT_EQ(r.Filled, 81);

  Board twice{};
  twice[4] = 6;
  twice[4 + 9 * 7] = 6;  // the same column
  r = Solve(*search, twice);
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Cells, twice);
  EXPECT_EQ(r.Filled, 0);
}

TEST(SolveSudoku, UniquePuzzleWithFewGivensIsFoundBySearch) {
  const auto search = NewSearch();
  const PuzzleRecord r = Solve(*search, Parse(Unique17));
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Cells, Parse(Unique17Solution));
}

TEST(SolveSudoku, ChainedSinglesThatRepeatADigitMeanNoSolution) {
  const auto search = NewSearch();
  const Board givens = Parse(ChainRepeats);
  ASSERT_EQ(CountSolutions(givens), 0);
  const PuzzleRecord r = Solve(*search, givens);
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Cells, givens);
  EXPECT_EQ(r.Filled, 0);
}

TEST(SolveSudoku, AStepBudgetAbandonsTheSearchAndLeavesTheRecord) {
  const auto search = NewSearch();
  const Board givens = Parse(Unique17);
  Solve(*search, givens);
  const std::int64_t needed = search->Steps;
  ASSERT_GT(needed, 100);
  EXPECT_FALSE(search->Abandoned());  // no budget: never

  search->StepBudget = 100;
  PuzzleRecord r;
  r.Cells = givens;
  r.Filled = 7;  // whatever the caller had stays
  search->SolveSudoku(r);
  EXPECT_TRUE(search->Abandoned());
  EXPECT_EQ(search->Steps, 101);
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Cells, givens);
  EXPECT_EQ(r.Filled, 7);

  // The next search within the budget is finished and right, whatever was left behind.
  const Board grid = Parse(Unique17Solution);
  Board easy = grid;
  for (std::size_t i = 0; i < 81; i += 3) easy[i] = 0;
  r = Solve(*search, easy);
  EXPECT_FALSE(search->Abandoned());
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Cells, grid);

  for (const std::int64_t budget : {needed, needed - 1}) {  // as the first search of a module
    const auto fresh = NewSearch();
    fresh->StepBudget = budget;
    Solve(*fresh, givens);
    EXPECT_EQ(fresh->Abandoned(), budget < needed) << budget;
  }
}

TEST(SolveSudoku, ScanWrapsFromTheLastCell) {
  // With LastCell 80 the first part of the scan is empty and the second covers everything.
  const auto a = NewSearch();
  const auto b = NewSearch();
  a->LastCell = 80;
  b->LastCell = -1;  // the same scan, started at cell 0
  PuzzleMix mix(3);
  for (int i = 0; i < 50; ++i) {
    const Board p = mix.ScatterPuzzle();
    a->LastCell = 80;
    b->LastCell = -1;
    const PuzzleRecord ra = Solve(*a, p), rb = Solve(*b, p);
    ASSERT_EQ(ra.Status, rb.Status) << i;
    ASSERT_EQ(ra.Cells, rb.Cells) << i;
  }
}

TEST(SolveSudoku, StatusAndUniqueSolutionsAgreeWithPlainBacktracking) {
  const auto search = NewSearch();
  PuzzleMix mix(11);
  for (int i = 0; i < 400; ++i) {
    const Board p = i % 3 == 0 ? mix.ScatterPuzzle() : mix.GridPuzzle(30, 64);
    const int count = CountSolutions(p);
    const PuzzleRecord r = Solve(*search, p);
    ASSERT_EQ(r.Status, count > 2 ? 2 : count) << i;
    if (r.Status == 1) {
      ASSERT_TRUE(IsCompleteGrid(r.Cells)) << i;
      ASSERT_TRUE(Keeps(r.Cells, p)) << i;
    }
  }
}

// Everything the callers see depends on what earlier searches left behind, so the two versions
// get the same sequence of calls and must agree after every one, in result and in LastCell.
void ExpectSameSequence(const std::vector<Board>& puzzles) {
  const auto fast = NewSearch();
  const auto literal = std::make_unique<literal::LiteralRekursiv>();
  literal->InitTables();
  for (std::size_t i = 0; i < puzzles.size(); ++i) {
    PuzzleRecord a, b;
    a.Cells = b.Cells = puzzles[i];
    fast->SolveSudoku(a);
    literal->SolveSudoku(b);
    ASSERT_EQ(a.Status, b.Status) << "call " << i;
    ASSERT_EQ(a.Cells, b.Cells) << "call " << i;
    ASSERT_EQ(a.Filled, b.Filled) << "call " << i;
    ASSERT_EQ(fast->LastCell, literal->LastCell) << "call " << i;
    ASSERT_EQ(fast->Steps, literal->Steps) << "call " << i;
  }
}

TEST(SolveSudoku, SameSequenceAsTheLiteralSearchOnGeneratorStarts) {
  // Nine digits in random cells, as the generator hands them over.
  PuzzleMix mix(2024);
  std::vector<Board> starts;
  for (int i = 0; i < 3000; ++i) {
    Board b{};
    for (int d = 1; d <= 9; ++d)
      b[static_cast<std::size_t>(mix.Below(81))] = static_cast<std::uint8_t>(d);
    starts.push_back(b);
  }
  ExpectSameSequence(starts);
}

TEST(SolveSudoku, SameSequenceAsTheLiteralSearchOnCheckedPuzzles) {
  PuzzleMix mix(77);
  std::vector<Board> puzzles = mix.Mix(2000);
  for (int i = 0; i < 500; ++i) puzzles.push_back(mix.GridPuzzle(45, 70));
  for (int i = 0; i < 300; ++i) {  // more than 18 givens, often without solution
    Board b = mix.GridPuzzle(20, 50);
    for (int k = 0; k < 2; ++k)
      b[static_cast<std::size_t>(mix.Below(81))] = static_cast<std::uint8_t>(1 + mix.Below(9));
    puzzles.push_back(b);
  }
  puzzles.push_back(Parse(ChainRepeats));
  ExpectSameSequence(puzzles);
}

}  // namespace
}  // namespace kit
