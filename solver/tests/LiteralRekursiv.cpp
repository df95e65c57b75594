#include "LiteralRekursiv.h"

namespace quadrin::literal {

void LiteralRekursiv::InitBoxStart() {
  BoxStart = {0, 3, 6, 27, 30, 33, 54, 57, 60};
}

int LiteralRekursiv::SolvePuzzle() {
  SolutionCount = 0;
  if (HasRepeatedDigit(SolverInput)) {
    SolverResult = SearchBoard{};
    return 3;
  }
  const SearchBoard r = SearchNode(SolverInput);
  if (r.Solved == 1 && SolutionCount <= 1) {
    SolverResult = r;
    return 1;
  }
  if (r.Solved == 1 && SolutionCount >= 2) {
    NegateCells(r, SolverResult);
    return 2;
  }
  SolverResult = SearchBoard{};
  return 3;
}

SearchBoard LiteralRekursiv::SearchNode(const SearchBoard& input) {
  ++Nodes;
  SearchBoard w = input;
  if (!Propagate(w)) {
    w.Solved = 0;
    return w;
  }
  int x = 0;
  std::array<int, 10> u{};
  if (ChooseBranchCell(w, x, u)) {
    SearchBoard best{};
    for (int d = 1; d <= 9; ++d) {
      if (u[static_cast<std::size_t>(d)] != 0) continue;
      w.Cells[static_cast<std::size_t>(x)] = d;
      const SearchBoard child = SearchNode(w);
      if (child.Solved == 1) best = child;
      if (SolutionCount > 1) break;
    }
    return best;
  }
  if (HasRepeatedDigit(w)) return SearchBoard{};
  ++SolutionCount;
  w.Solved = 1;
  return w;
}

bool LiteralRekursiv::HasRepeatedDigit(const SearchBoard& board) const {
  for (int r = 0; r < 9; ++r) {
    int seen[10] = {};
    for (int c = 0; c < 9; ++c) {
      const int v = board.Cells[static_cast<std::size_t>(9 * r + c)];
      if (v > 0) {
        if (seen[v]) return true;
        seen[v] = 1;
      }
    }
  }
  for (int c = 0; c < 9; ++c) {
    int seen[10] = {};
    for (int r = 0; r < 9; ++r) {
      const int v = board.Cells[static_cast<std::size_t>(9 * r + c)];
      if (v > 0) {
        if (seen[v]) return true;
        seen[v] = 1;
      }
    }
  }
  for (int b = 0; b < 9; ++b) {
    int seen[10] = {};
    for (int i = 0; i < 9; ++i) {
      const int v = board.Cells[static_cast<std::size_t>(BoxStart[static_cast<std::size_t>(b)] +
                                                         9 * (i / 3) + i % 3)];
      if (v > 0) {
        if (seen[v]) return true;
        seen[v] = 1;
      }
    }
  }
  return false;
}

bool LiteralRekursiv::ChooseBranchCell(const SearchBoard& board, int& cell,
                                       std::array<int, 10>& used) const {
  int best = 10;
  cell = 0;
  used = {};
  for (int x = 0; x <= 80; ++x) {
    if (board.Cells[static_cast<std::size_t>(x)] > 0) continue;
    std::array<int, 10> u{};
    const int count = CountCandidates(board, x, u);
    if (count < best) {
      cell = x;
      best = count;
      used = u;
      if (count < 3) break;
    }
  }
  return best < 10;
}

int LiteralRekursiv::CountCandidates(const SearchBoard& board, int x,
                                     std::array<int, 10>& used) const {
  const int row = x / 9, column = x % 9;
  const int boxStart = 27 * (row / 3) + 3 * (column / 3);
  used = {};
  for (int i = 0; i < 9; ++i) {
    const int cells[3] = {9 * row + i, 9 * i + column, boxStart + 9 * (i / 3) + i % 3};
    for (int y : cells) {
      const int v = board.Cells[static_cast<std::size_t>(y)];
      if (v > 0) used[static_cast<std::size_t>(v)] = 1;
    }
  }
  int count = 0;
  for (int d = 1; d <= 9; ++d) count += used[static_cast<std::size_t>(d)] == 0;
  return count;
}

bool LiteralRekursiv::Propagate(SearchBoard& board) {
  for (;;) {
    CountPlaced(board);
    int placed = 0;
    for (int d = 1; d <= 9; ++d) {
      if (DigitCount[static_cast<std::size_t>(d)] >= 9) continue;
      MarkEmptyCells(board, -d);
      EliminateMarks(board, d);
      if (CheckPlaceable(board, d)) return false;
      placed += PlaceHiddenSingles(board, d);
    }
    if (placed == 0) return true;
  }
}

void LiteralRekursiv::CountPlaced(const SearchBoard& board) {
  DigitCount = {};
  for (int v : board.Cells) {
    if (v >= 1 && v <= 9) ++DigitCount[static_cast<std::size_t>(v)];
  }
}

void LiteralRekursiv::MarkEmptyCells(SearchBoard& board, int m) {
  for (int& v : board.Cells) {
    if (v < 1) v = m;
  }
}

void LiteralRekursiv::EliminateMarks(SearchBoard& board, int d) {
  auto cell = [&](int i) -> std::int32_t& { return board.Cells[static_cast<std::size_t>(i)]; };
  for (int x = 0; x < 81; ++x) {
    if (cell(x) != d) continue;
    const int row = x / 9, column = x % 9;
    for (int i = 0; i < 9; ++i) {
      if (cell(9 * row + i) < 0) cell(9 * row + i) = 0;
      if (cell(9 * i + column) < 0) cell(9 * i + column) = 0;
    }
  }
  for (int b = 0; b < 9; ++b) {
    const int start = BoxStart[static_cast<std::size_t>(b)];
    for (int i = 0; i < 9; ++i) {
      if (cell(start + 9 * (i / 3) + i % 3) != d) continue;
      for (int j = 0; j < 9; ++j) {
        if (cell(start + 9 * (j / 3) + j % 3) < 0) cell(start + 9 * (j / 3) + j % 3) = 0;
      }
    }
  }
  PointingReduction(board, -d);
}

void LiteralRekursiv::PointingReduction(SearchBoard& board, int m) {
  auto cell = [&](int r, int c) -> std::int32_t& {
    return board.Cells[static_cast<std::size_t>(9 * r + c)];
  };
  for (int b = 0; b < 9; ++b) {
    const int r0 = 3 * (b / 3), c0 = 3 * (b % 3);
    int rowFound = -1;
    for (int r = r0; r < r0 + 3 && rowFound < 0; ++r) {
      for (int c = c0; c < c0 + 3; ++c) {
        if (cell(r, c) == m) rowFound = r;
      }
    }
    if (rowFound >= 0) {
      bool below = false;
      for (int r = rowFound + 1; r < r0 + 3; ++r) {
        for (int c = c0; c < c0 + 3; ++c) below = below || cell(r, c) == m;
      }
      if (!below) {
        for (int c = 0; c < 9; ++c) {
          if ((c < c0 || c >= c0 + 3) && cell(rowFound, c) < 0) cell(rowFound, c) = 0;
        }
      }
    }
    int columnFound = -1;
    for (int c = c0; c < c0 + 3 && columnFound < 0; ++c) {
      for (int r = r0; r < r0 + 3; ++r) {
        if (cell(r, c) == m) columnFound = c;
      }
    }
    if (columnFound >= 0) {
      bool right = false;
      for (int c = columnFound + 1; c < c0 + 3; ++c) {
        for (int r = r0; r < r0 + 3; ++r) right = right || cell(r, c) == m;
      }
      if (!right) {
        for (int r = 0; r < 9; ++r) {
          if ((r < r0 || r >= r0 + 3) && cell(r, columnFound) < 0) cell(r, columnFound) = 0;
        }
      }
    }
  }
}

bool LiteralRekursiv::CheckPlaceable(const SearchBoard& board, int d) const {
  auto holds = [&](int i) {
    const int v = board.Cells[static_cast<std::size_t>(i)];
    return v == d || v == -d;
  };
  for (int r = 0; r < 9; ++r) {
    bool any = false;
    for (int c = 0; c < 9; ++c) any = any || holds(9 * r + c);
    if (!any) return true;
  }
  for (int c = 0; c < 9; ++c) {
    bool any = false;
    for (int r = 0; r < 9; ++r) any = any || holds(9 * r + c);
    if (!any) return true;
  }
  for (int b = 0; b < 9; ++b) {
    bool any = false;
    for (int i = 0; i < 9; ++i)
      any = any || holds(BoxStart[static_cast<std::size_t>(b)] + 9 * (i / 3) + i % 3);
    if (!any) return true;
  }
  return false;
}

int LiteralRekursiv::PlaceHiddenSingles(SearchBoard& board, int d) {
  int placed = 0;
  auto scan = [&](auto cellOf) {
    int remembered = -1;
    for (int i = 0; i < 9; ++i) {
      const int x = cellOf(i);
      const int v = board.Cells[static_cast<std::size_t>(x)];
      if (v == d) return;
      if (v == -d) {
        if (remembered >= 0) return;
        remembered = x;
      }
    }
    if (remembered >= 0) {
      board.Cells[static_cast<std::size_t>(remembered)] = d;
      ++placed;
    }
  };
  for (int r = 0; r < 9; ++r) scan([r](int i) { return 9 * r + i; });
  for (int c = 0; c < 9; ++c) scan([c](int i) { return c + 9 * i; });
  for (int b = 0; b < 9; ++b) {
    const int start = BoxStart[static_cast<std::size_t>(b)];
    scan([start](int i) { return start + 9 * (i / 3) + i % 3; });
  }
  return placed;
}

void LiteralRekursiv::NegateCells(const SearchBoard& source, SearchBoard& target) {
  for (std::size_t i = 0; i < 81; ++i) target.Cells[i] = -source.Cells[i];
}

}  // namespace quadrin::literal
