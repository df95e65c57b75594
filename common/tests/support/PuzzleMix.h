// Puzzles shaped like the generator's, made without any of the kit's search code so that tests
// and benchmarks can use them to judge that code: complete grids come from shuffling a fixed
// valid grid (digits, rows within bands, bands, columns within stacks, stacks, transposition).
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "Board.h"

namespace kit::testing {

class PuzzleMix {
 public:
  explicit PuzzleMix(std::uint32_t seed) : random_(seed) {}

  // A complete valid grid.
  Board Grid() {
    std::array<int, 9> digits{1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::shuffle(digits.begin(), digits.end(), random_);
    const auto rows = LinePermutation();
    const auto columns = LinePermutation();
    const bool transpose = Below(2) == 1;
    Board grid{};
    for (int r = 0; r < 9; ++r) {
      for (int c = 0; c < 9; ++c) {
        const int br = rows[static_cast<std::size_t>(r)], bc = columns[static_cast<std::size_t>(c)];
        const int base = (3 * br + br / 3 + bc) % 9;  // a valid grid
        const int cell = transpose ? 9 * c + r : 9 * r + c;
        grid[static_cast<std::size_t>(cell)] =
            static_cast<std::uint8_t>(digits[static_cast<std::size_t>(base)]);
      }
    }
    return grid;
  }

  // A grid with `low` to `high` random cells emptied (a cell may be drawn twice).
  Board GridPuzzle(int low = 30, int high = 49) {
    Board b = Grid();
    Clear(b, low + Below(high - low + 1));
    return b;
  }

  // Nine different digits and three random ones in random cells, then 30 to 49 clearings.
  Board ScatterPuzzle() {
    Board b{};
    for (int d = 1; d <= 9; ++d)
      b[static_cast<std::size_t>(Below(81))] = static_cast<std::uint8_t>(d);
    for (int i = 0; i < 3; ++i) {
      const int cell = Below(81);
      b[static_cast<std::size_t>(cell)] = static_cast<std::uint8_t>(1 + Below(9));
    }
    Clear(b, 30 + Below(20));
    return b;
  }

  // The generator's mix: four grid puzzles, then a scatter puzzle.
  std::vector<Board> Mix(int count) {
    std::vector<Board> puzzles;
    for (int i = 1; i <= count; ++i) puzzles.push_back(i % 5 == 0 ? ScatterPuzzle() : GridPuzzle());
    return puzzles;
  }

  int Below(int n) { return static_cast<int>(random_() % static_cast<std::uint32_t>(n)); }

 private:
  void Clear(Board& b, int n) {
    for (int i = 0; i < n; ++i) b[static_cast<std::size_t>(Below(81))] = 0;
  }

  // Row (or column) order that keeps the bands (stacks) intact.
  std::array<int, 9> LinePermutation() {
    std::array<int, 3> bands{0, 1, 2};
    std::shuffle(bands.begin(), bands.end(), random_);
    std::array<int, 9> lines{};
    for (int b = 0; b < 3; ++b) {
      std::array<int, 3> within{0, 1, 2};
      std::shuffle(within.begin(), within.end(), random_);
      for (int i = 0; i < 3; ++i)
        lines[static_cast<std::size_t>(3 * b + i)] =
            3 * bands[static_cast<std::size_t>(b)] + within[static_cast<std::size_t>(i)];
    }
    return lines;
  }

  std::mt19937 random_;
};

// Counts the solutions of a puzzle up to `limit` by plain backtracking on the emptiest cell.
// Returns 0 for givens that repeat a digit, and −1 when the search would take more than
// `maxNodes` tries, so that a sparse board cannot stall a test.
inline int CountSolutions(const Board& puzzle, int limit = 2, long maxNodes = 1L << 40) {
  std::array<int, 81> cell{};
  std::array<unsigned, 9> rows{}, columns{}, boxes{};
  for (int x = 0; x < 81; ++x) {
    const int v = puzzle[static_cast<std::size_t>(x)];
    if (v == 0) continue;
    const unsigned bit = 1u << v;
    auto& r = rows[static_cast<std::size_t>(x / 9)];
    auto& c = columns[static_cast<std::size_t>(x % 9)];
    auto& b = boxes[static_cast<std::size_t>(x / 27 * 3 + x % 9 / 3)];
    if ((r | c | b) & bit) return 0;
    r |= bit, c |= bit, b |= bit;
    cell[static_cast<std::size_t>(x)] = v;
  }
  int found = 0;
  long nodes = 0;
  auto search = [&](auto&& self) -> void {
    int best = -1, bestCount = 10;
    unsigned bestFree = 0;
    for (int x = 0; x < 81; ++x) {
      if (cell[static_cast<std::size_t>(x)] != 0) continue;
      const unsigned used = rows[static_cast<std::size_t>(x / 9)] |
                            columns[static_cast<std::size_t>(x % 9)] |
                            boxes[static_cast<std::size_t>(x / 27 * 3 + x % 9 / 3)];
      const unsigned free = ~used & 0x3FE;
      const int n = __builtin_popcount(free);
      if (n < bestCount) best = x, bestCount = n, bestFree = free;
    }
    if (best < 0) {
      ++found;
      return;
    }
    for (int v = 1; v <= 9 && found < limit && nodes <= maxNodes; ++v) {
      const unsigned bit = 1u << v;
      if (!(bestFree & bit)) continue;
      ++nodes;
      auto& r = rows[static_cast<std::size_t>(best / 9)];
      auto& c = columns[static_cast<std::size_t>(best % 9)];
      auto& b = boxes[static_cast<std::size_t>(best / 27 * 3 + best % 9 / 3)];
      r |= bit, c |= bit, b |= bit;
      cell[static_cast<std::size_t>(best)] = v;
      self(self);
      r &= ~bit, c &= ~bit, b &= ~bit;
      cell[static_cast<std::size_t>(best)] = 0;
    }
  };
  search(search);
  return nodes > maxNodes ? -1 : found;
}

}  // namespace kit::testing
