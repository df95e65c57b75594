// The snapshot search that Build and Check share. It solves one puzzle and counts its solutions
// up to two.
//
// For every cell it keeps the digits that its row, column and box already exclude, and for
// every row, column and box the digits placed there. Givens are entered first; a puzzle with
// more than 18 givens is tried by chained forced placements alone. Otherwise, or if that does not
// complete the board, a depth-first search runs on the cell with most exclusions (the scan starts
// behind the previous choice and stops at the first cell with seven or more), applies forced
// placements once the board is dense enough, keeps a whole snapshot of the state per depth
// instead of undoing moves, and stops at the second solution.
//
// What carries from one SolveSudoku to the next: LastCell, and the per-depth result slots. The cell
// choices therefore depend on the previous search, and the board returned for a puzzle without
// solution may be a solution kept from an earlier one. The same sequence of calls on a fresh
// instance always gives the same results. The instance owns all of this storage (about 60 KiB);
// nothing is allocated during a search.
//
// A step budget (Check sets one, Build does not) bounds the cost of one SolveSudoku: a search that
// would need more levels than the budget is abandoned, and the caller must decide that puzzle by
// other means.
#pragma once

#include <array>
#include <cstdint>

#include "Board.h"
#include "CellBits.h"

namespace kit {

// The record the caller hands over and gets back.
struct PuzzleRecord {
  std::int16_t Status = 0;  // 0 = no solution (or not searched), 1 = exactly one, 2 = more
  Board Cells{};            // 0 = empty, 1–9 = digit
  std::uint8_t Filled = 0;  // number of filled cells
};

// The working state, copied whole into and out of the per-depth slots. A cell's exclusion set
// (the digits placed among its peers) is kept the other way round, per digit: Candidates[d]
// holds the empty cells whose exclusions lack digit d + 1, bit i of word k standing for cell
// 27k + i. An empty cell's exclusion count is 9 minus the number of these sets that hold it, and
// a filled cell, whose exclusions are all nine digits, is in none of them. Word 3 of each set
// stays zero so that a set fills one 16-byte vector; the sets are only ever written whole, since
// a vector read right after a narrower write to the same place stalls the processor.
struct alignas(16) SolverState {
  std::array<CellVector, 9> Candidates{};
  CellVector Empty{};  // the empty cells, in the same bit layout
  PuzzleRecord Record;
  std::array<std::uint8_t, 10> DigitCount{};  // how often each digit is placed; index 0 unused
  // The digits placed in each row and column: bit d − 1 for digit d.
  std::array<std::uint16_t, 9> RowDigits{};
  std::array<std::uint16_t, 9> ColumnDigits{};
  // The box sets kept by digit: bit b of BoxesWith[d] is set when box b holds digit d.
  std::array<std::uint16_t, 10> BoxesWith{};
};

class Rekursiv {
 public:
  // Fills the lookup tables; once per run, before the first SolveSudoku.
  void InitTables();

  // Solves `record` in place. On entry Status and Filled are 0 and Cells hold the givens. On
  // return the record is unchanged when the givens repeat a digit (or when chained forced
  // placements from them would repeat one, which proves there is no solution); otherwise it holds
  // the Status, Cells and Filled of the search's end: the solution for Status 1, the second
  // solution found for Status 2.
  // With a StepBudget, a search that runs out of it is abandoned: the record is left as it was
  // and Abandoned() is true until the next call.
  void SolveSudoku(PuzzleRecord& record);

  // Levels of the search (SearchSolutions) one SolveSudoku may go through; 0 = no limit.
  std::int64_t StepBudget = 0;
  // Levels the latest SolveSudoku went through, and whether it ran out of its budget.
  std::int64_t Steps = 0;
  bool Abandoned() const { return abandoned_; }

  Rekursiv();

  // The lookup tables, by cell.
  std::array<std::int32_t, CellCount> RowStart{};
  std::array<std::int32_t, CellCount> ColumnStart{};
  std::array<std::int32_t, CellCount> BoxStartOfCell{};
  std::array<std::int32_t, CellCount> RowOf{};
  std::array<std::int32_t, CellCount> ColumnOf{};
  std::array<std::int32_t, CellCount> BoxOf{};
  std::array<std::int32_t, 9> BoxStart{};
  std::array<std::int16_t, 10> DigitBit{};

  // The search's own storage, public so that tests can look at what carries over.
  std::int32_t SolutionCount = 0;
  std::int32_t Depth = 0;
  std::int32_t LastCell = 0;

 private:
  bool LoadGivens(SolverState& s) const;
  void PlaceDigit(SolverState& s, int cell) const;
  void PlaceDigitChained(SolverState& s, int cell);
  bool FillAllSingles(SolverState& s);
  int ChooseCell(const SolverState& s, int& exclusions) const;
  SolverState* SearchSolutions(SolverState* s);
  bool FillRowSingles(SolverState& s) const;
  bool FillColumnSingles(SolverState& s) const;
  bool FillBoxSingles(SolverState& s) const;
  bool SweepSingles(SolverState& s) const;

  SolverState State;
  SolverState EmptyState;  // nothing placed, nothing excluded; State starts from it
  // Per depth, the state of the candidate being tried. It stands for the snapshot of the state
  // before the candidate: that state stays untouched while a copy of it is worked on, so going
  // back to it copies nothing.
  std::array<SolverState, CellCount> TrialStates{};
  std::array<SolverState, CellCount> ResultStates{};  // per depth, a solution kept from before
  bool chainRepeated_ = false;  // the chained placements put a digit twice into a unit
  bool abandoned_ = false;      // the latest search ran out of its step budget

  // Bit sets of the board's shapes, in the layout of SolverState::Candidates.
  std::array<CellVector, CellCount> CellBit{};   // the cell alone
  std::array<CellVector, CellCount> PeerBits{};  // its row, column and box, itself included
  std::array<std::array<std::uint32_t, 4>, 9> RowBits{};
  std::array<std::array<std::uint32_t, 4>, 9> ColumnBits{};
  std::array<CellVector, 9> ColumnCells{};
  std::array<std::array<std::uint32_t, 4>, 9> BoxBits{};
};

}  // namespace kit
