// The 81-cell board and the box table that every program of the kit shares.
#pragma once

#include <array>
#include <cstdint>

namespace kit {

inline constexpr int CellCount = 81;

// Cells in row-major order, cell index = 9 × row + column; 0 = empty, 1–9 = digit.
using Board = std::array<std::uint8_t, CellCount>;

// Top-left cell of each 3×3 box, boxes numbered row by row.
inline constexpr std::array<int, 9> BoxStart = {0, 3, 6, 27, 30, 33, 54, 57, 60};

}  // namespace kit
