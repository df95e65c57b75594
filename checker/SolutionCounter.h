// Check's second opinion: an exact count of a puzzle's solutions, up to two, written apart from
// every other search of the kit so that Check never judges a solver with that solver's own logic.
// Check asks it about the puzzles on which the shared search runs out of its step budget.
//
// What it computes: for givens 0–9 (0 = empty), whether they have no solution, exactly one or
// more, and for exactly one the solution. Givens that repeat a digit in a row, column or box have
// none.
//
// How: for each band of three rows and each digit the cells where the digit may still stand (its
// placed cells included), as 27-bit sets. Within a band a digit stands once in each row and once
// in each box, so only the mini-rows (the three cells a row and a box share) that fit such a
// pattern keep their places, looked up in a fixed table of the 512 sets of mini-rows. A digit
// left with one place in a row is placed there: the cell is taken from every other digit and its
// column from the digit's other bands; a digit with one place left in a box has, after fitting,
// one place left in its row too. Cells left with one digit, and digits left with one place in a
// column, are placed as well. A cell without a digit, or a row or column without a place for a
// digit, is a dead end. When nothing more follows, the search branches on an open cell with
// fewest candidates, of those the one that sees the most open cells, trying its digits in
// increasing order, and stops at the second solution.
//
// Cost: nothing is allocated; the instance holds one state per depth (about 13 KiB). The work is
// exponential in the worst case, as for any exact count; on the public collections of hard
// puzzles it stays well below a millisecond a puzzle. Nothing carries from one Count to the next.
#pragma once

#include <array>
#include <cstdint>

#include "Board.h"

namespace checker {

struct CountResult {
  int Solutions = 0;      // 0, 1, or 2 for "two or more"
  kit::Board Solution{};  // the solution when Solutions is 1; all zero otherwise
};

class SolutionCounter {
 public:
  CountResult Count(const kit::Board& givens);

  // Search nodes (branch candidates tried) of the latest Count.
  std::int64_t Nodes = 0;

 private:
  // Band b holds rows 3b to 3b + 2; cell bit 9r + c of a band word is its row r, column c.
  // A band's nine digits lie side by side (three more words stay empty) so that a cell leaves
  // all of them in three vector steps.
  struct Node {
    alignas(16) std::uint32_t Places[3][12];  // by band and digit: where the digit may stand
    std::uint32_t Open[3];                    // the cells without a digit, by band
  };

  bool Settle(Node& node, std::uint64_t changed, std::uint32_t (&pairs)[3]) const;
  std::uint32_t BranchCell(const Node& node, const std::uint32_t (&pairs)[3], int& band) const;
  void Search(int depth, std::uint64_t changed);
  void Record(const Node& node);

  std::array<Node, kit::CellCount + 1> states_{};  // by depth
  CountResult result_;
};

}  // namespace checker
