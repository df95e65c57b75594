// Check's exact solution counter as it was first written, kept unchanged as the reference that
// the faster SolutionCounter is held against: only their results must agree. Its method: for
// each digit its places as an 81-bit set, naked and hidden singles before each branch, branching
// on the first open cell with fewest candidates, stopping at the second solution.
#pragma once

#include <array>
#include <cstdint>

#include "Board.h"
#include "CellBits.h"
#include "SolutionCounter.h"

namespace checker::testing {

class ReferenceCounter {
 public:
  ReferenceCounter();

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

}  // namespace checker::testing
