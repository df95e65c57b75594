// Check's second opinion: an exact count of a puzzle's solutions, up to two, written apart from
// every other search of the kit so that Check never judges a solver with that solver's own logic.
// Check asks it about the puzzles on which the shared search runs out of its step budget.
//
// What it computes: for givens 0–9 (0 = empty), whether they have no solution, exactly one or
// more, and for exactly one the solution. Givens that repeat a digit in a row, column or box have
// none.
//
// How: for each digit the cells where it may still stand (its own placed cells included), as bit
// sets. Placing a digit removes the cell from every other digit's set and the cell's peers from
// its own. Before every branch, naked singles (a cell left with one digit) and hidden singles (a
// digit left with one cell in a row, column or box) are placed until none is left; a cell or a
// unit without any place is a dead end. The search then branches on the first open cell with the
// fewest candidates, trying its digits in increasing order, and stops at the second solution.
//
// Cost: nothing is allocated; the instance holds one state per depth (about 14 KiB). The work is
// exponential in the worst case, as for any exact count; on the public collections of hard
// puzzles it stays below a millisecond a puzzle. Nothing carries from one Count to the next.
#pragma once

#include <array>
#include <cstdint>

#include "Board.h"
#include "CellBits.h"

namespace checker {

struct CountResult {
  int Solutions = 0;      // 0, 1, or 2 for "two or more"
  kit::Board Solution{};  // the solution when Solutions is 1; all zero otherwise
};

class SolutionCounter {
 public:
  SolutionCounter();

  CountResult Count(const kit::Board& givens);

  // Search nodes (branch candidates tried) of the latest Count.
  std::int64_t Nodes = 0;

 private:
  struct Node {
    kit::CellVector Places[9];  // where digit d + 1 may stand, its placed cells included
    kit::CellVector Open;       // the cells without a digit
  };

  unsigned Place(Node& node, int cell, int digit) const;
  bool Settle(Node& node, unsigned changed) const;
  void Search(int depth, unsigned changed);
  void Record(const Node& node);

  std::array<Node, kit::CellCount + 1> states_{};  // by depth
  CountResult result_;
  std::array<kit::CellVector, kit::CellCount> others_{};  // a cell's row, column and box without it
};

}  // namespace checker
