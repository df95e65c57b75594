// The shared search written down step by step as the algorithm is told, with the exclusion
// sets per cell: the slow second reading that the bitboard version in Rekursiv.h is held
// against, call sequence by call sequence.
#pragma once

#include <array>
#include <cstdint>

#include "Rekursiv.h"

namespace kit::literal {

// A set of digits: bit d − 1 of Mask stands for digit d; Count is the number of bits set.
struct DigitSet {
  std::int16_t Count = 0;
  std::int16_t Mask = 0;
};

// The working state, copied whole into and out of the per-depth slots.
struct SolverState {
  kit::PuzzleRecord Record;
  // For an empty cell the digits placed among its peers; a filled cell holds 9 / 511.
  std::array<DigitSet, CellCount> CellSets{};
  std::array<std::int32_t, 10> DigitCount{};  // how often each digit is placed; index 0 unused
  std::array<DigitSet, 9> RowSets{};
  std::array<DigitSet, 9> ColumnSets{};
  std::array<DigitSet, 9> BoxSets{};
};

class LiteralRekursiv {
 public:
  // Fills the lookup tables; once per run, before the first SolveSudoku.
  void InitTables();

  // Solves `record` in place. On entry Status and Filled are 0 and Cells hold the givens. On
  // return the record is unchanged when the givens repeat a digit (or when chained forced
  // placements from them would repeat one, which proves there is no solution); otherwise it holds
  // the Status, Cells and Filled of the search's end: the solution for Status 1, the second
  // solution found for Status 2.
  void SolveSudoku(kit::PuzzleRecord& record);

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
  // Levels of the search the latest SolveSudoku went through: what Check's budget counts.
  std::int64_t Steps = 0;

  static int MissingDigit(std::int16_t mask);

 private:
  bool LoadGivens();
  void PlaceDigit(int cell);
  void PlaceDigitChained(int cell);
  bool FillAllSingles();
  int ChooseCell() const;
  void SearchSolutions();
  bool FillRowSingles();
  bool FillColumnSingles();
  bool FillBoxSingles();
  bool SweepSingles();
  void AddToPeers(int cell, std::int16_t bit);

  SolverState State;
  const SolverState EmptyState{};
  std::array<SolverState, CellCount> SavedStates{};
  std::array<SolverState, CellCount> ResultStates{};
  bool chainRepeated_ = false;  // the chained placements put a digit twice into a unit
};

}  // namespace kit::literal
