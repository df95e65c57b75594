// The search written down step by step as the algorithm is told: cells hold marks −d while a
// digit is handled, and everything is re-marked on every pass. Far too slow for the program,
// but an independent second reading to hold the bitboard version against.
#pragma once

#include <array>
#include <cstdint>

namespace quadrin::literal {

struct SearchBoard {
  std::array<std::int32_t, 81> Cells{};
  std::int32_t Solved = 0;
};

class LiteralRekursiv {
 public:
  void InitBoxStart();
  int SolvePuzzle();  // 1, 2 or 3 as SolveOutcome

  SearchBoard SolverInput;
  SearchBoard SolverResult;
  int SolutionCount = 0;
  long long Nodes = 0;  // search nodes visited, to see how much work a puzzle is

 private:
  SearchBoard SearchNode(const SearchBoard& input);
  bool HasRepeatedDigit(const SearchBoard& board) const;
  bool ChooseBranchCell(const SearchBoard& board, int& cell, std::array<int, 10>& used) const;
  int CountCandidates(const SearchBoard& board, int x, std::array<int, 10>& used) const;
  bool Propagate(SearchBoard& board);  // false on a contradiction
  void CountPlaced(const SearchBoard& board);
  static void MarkEmptyCells(SearchBoard& board, int m);
  void EliminateMarks(SearchBoard& board, int d);
  void PointingReduction(SearchBoard& board, int m);
  bool CheckPlaceable(const SearchBoard& board, int d) const;  // true on a contradiction
  int PlaceHiddenSingles(SearchBoard& board, int d);
  static void NegateCells(const SearchBoard& source, SearchBoard& target);

  std::array<int, 10> DigitCount{};
  std::array<int, 9> BoxStart{};
};

}  // namespace quadrin::literal
