// Quadrin's search: decides for one puzzle whether it has no solution, exactly one, or more, and
// leaves the values to write in SolverResult: the solution, the second solution found (negated),
// or zeros.
//
// Every search node propagates to a fixed point, digit by digit: a digit's candidates are the
// empty cells that see no such digit; one pass of pointing reduction over the boxes in order
// (a box whose candidates lie in one row or column clears that line outside the box) narrows
// them; a unit without a candidate is a contradiction; a unit with exactly one is a hidden
// single and gets the digit. The node then branches on the first empty cell with fewer than 3
// candidates (counted from the placed digits only), else the one with the fewest, trying its
// digits in increasing order, and the search stops at the second complete grid.
//
// Candidates are kept per digit as bitboards and updated at each placement instead of being
// marked afresh on every pass. Every deduction only ever adds digits, so for a board that has a
// solution the fixed point is the same whatever order the deductions run in; boards without one
// produce no grid either way. Hence the branching cells, the order of the solutions and the
// grid written are those of marking afresh, which the tests check against a literal version.
//
// A digit's singles found together are placed together, and a set's three words are worked on
// side by side as one 16-byte vector; neither changes what is deduced, only what a step costs.
// Nothing carries from one SolvePuzzle to the next, and nothing is allocated while a puzzle is
// searched. The board's shapes are constant masks and tables built once.
#pragma once

#include <array>
#include <cstdint>

#include "Board.h"
#include "SolutionFile.h"

namespace quadrin {

// The record the search reads and returns: the grid, and whether it is a complete valid one.
struct SearchBoard {
  kit::SignedBoard Cells{};
  std::int32_t Solved = 0;
};

enum SolveOutcome : int {
  OneSolution = 1,
  SeveralSolutions = 2,
  NoSolution = 3,  // also: the givens already repeat a digit in a row, column or box
};

class Rekursiv {
 public:
  // Solves SolverInput (cells 0–9) into SolverResult and SolutionCount.
  SolveOutcome SolvePuzzle();

  SearchBoard SolverInput;
  SearchBoard SolverResult;
  int SolutionCount = 0;  // complete valid grids found for the current puzzle, stops at 2

  // A search node's board; defined where the search is.
  struct SearchState;

 private:
  void SearchNode(const SearchState& parent, int cell, int digit);
  void Explore(SearchState& s, unsigned dirty);
  // Writes a complete grid into SolverResult's cells: the first, then the second found.
  void RecordSolution(const SearchState& state);
};

}  // namespace quadrin
