// Sets of cells as bits, as both searches keep them: bit i of word k stands for cell 27k + i, so
// that a word holds three rows and a row nine neighbouring bits; word 3 stays zero, so that a set
// fills one 16-byte vector and all words change at once.
#pragma once

#include <cstdint>
#include <cstring>

namespace kit {

using CellVector = std::uint32_t __attribute__((vector_size(16)));

// A set of cells in four words, in any container laid out as four 32-bit words.
template <class Words>
CellVector LoadCells(const Words& words) {
  static_assert(sizeof(Words) == sizeof(CellVector));
  CellVector v;
  std::memcpy(&v, &words, sizeof v);
  return v;
}

// For every cell, in how many of `sets` it is (0 to 9), kept in four bit planes: Plane[p] holds
// the cells whose count has bit p set.
struct CellCounts {
  CellVector Plane[4] = {};

  template <class Sets>
  explicit CellCounts(const Sets& sets) {
    for (const auto& set : sets) {
      const CellVector a = LoadCells(set);
      const CellVector c0 = Plane[0] & a;
      Plane[0] ^= a;
      const CellVector c1 = Plane[1] & c0;
      Plane[1] ^= c0;
      const CellVector c2 = Plane[2] & c1;
      Plane[2] ^= c1;
      Plane[3] |= c2;
    }
  }

  // The cells whose count is below 3.
  CellVector FewerThanThree() const { return ~Plane[3] & ~Plane[2] & ~(Plane[1] & Plane[0]); }

  // The cells whose count is exactly `n`.
  CellVector Exactly(int n) const {
    CellVector cells = ~CellVector{};
    for (int p = 0; p < 4; ++p) cells &= ((n >> p) & 1) ? Plane[p] : ~Plane[p];
    return cells;
  }
};

}  // namespace kit
