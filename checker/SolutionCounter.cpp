#include "SolutionCounter.h"

#include <bit>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace checker {
namespace {

constexpr std::uint32_t Row = 0x1FF;                          // the first row of a band
constexpr std::uint32_t Box = 0x7 | 0x7 << 9 | 0x7 << 18;     // the first box of a band
constexpr std::uint32_t Column = 0x1 | 0x1 << 9 | 0x1 << 18;  // the first column of a band
constexpr std::uint32_t Band = 0x7FFFFFF;                     // all 27 cells of a band

// Changes are kept as bit 16b + d for band b, digit d.
constexpr std::uint64_t AllDigits = 0x1FF;
constexpr std::uint64_t Everything = AllDigits | AllDigits << 16 | AllDigits << 32;

// A mini-row is the three cells that a row and a box of a band share: bit 3r + k of a band's
// mini-rows stands for row r and box k.
struct Tables {
  // A row's nine bits to the mini-rows of it that hold a place, as bits 0 to 2.
  std::uint8_t MiniRows[512] = {};
  // The mini-rows of a band that hold a place to the cells of those mini-rows that lie on a
  // pattern of one mini-row in each row and in each box; 0 when no pattern fits.
  std::uint32_t Fitting[512] = {};
  // A band's cell to the cells of the band in its row, column or box.
  std::uint32_t PeersInBand[27] = {};
};

constexpr Tables MakeTables() {
  Tables t;
  for (unsigned row = 0; row < 512; ++row) {
    for (unsigned k = 0; k < 3; ++k) {
      if ((row >> (3 * k)) & 7) t.MiniRows[row] |= static_cast<std::uint8_t>(1u << k);
    }
  }
  constexpr unsigned patterns[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2},
                                       {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};  // the box of each row
  for (unsigned present = 0; present < 512; ++present) {
    for (const auto& boxOf : patterns) {
      std::uint32_t cells = 0;
      bool fits = true;
      for (unsigned r = 0; r < 3; ++r) {
        fits = fits && ((present >> (3 * r + boxOf[r])) & 1) != 0;
        cells |= 7u << (9 * r + 3 * boxOf[r]);
      }
      if (fits) t.Fitting[present] |= cells;
    }
  }
  for (unsigned k = 0; k < 27; ++k) {
    t.PeersInBand[k] = Row << (k / 9 * 9) | Column << (k % 9) | Box << (k % 9 / 3 * 3);
  }
  return t;
}

constexpr Tables tables = MakeTables();

// The places of one digit in a band, without those that no pattern of one mini-row in each row
// and each box can use.
std::uint32_t FittingPlaces(std::uint32_t places) {
  const unsigned present = tables.MiniRows[places & Row] |
                           static_cast<unsigned>(tables.MiniRows[(places >> 9) & Row]) << 3 |
                           static_cast<unsigned>(tables.MiniRows[places >> 18]) << 6;
  return places & tables.Fitting[present];
}

// The rows (bits 0 to 2) with exactly one place, of places that have some in every row: then
// subtracting one from each row's nine bits borrows within the row only.
unsigned RowsWithOnePlace(std::uint32_t places) {
  const std::uint32_t rest = places & (places - Column);  // each row without its lowest place
  return static_cast<unsigned>((rest & Row) == 0) |
         static_cast<unsigned>((rest & Row << 9) == 0) << 1 |
         static_cast<unsigned>((rest & Row << 18) == 0) << 2;
}

// The cells of a band's rows (bits 0 to 2).
constexpr std::uint32_t RowCells[8] = {
    0, Row, Row << 9, Row | Row << 9, Row << 18, Row | Row << 18, Row << 9 | Row << 18, Band};

// Takes `cells` from the places of all digits of a band; returns the digits (bits 0 to 8) that
// had any of them.
unsigned TakeFromBand(std::uint32_t (&band)[12], std::uint32_t cells) {
#if defined(__SSE2__)
  const __m128i taken = _mm_set1_epi32(static_cast<int>(cells));
  unsigned had = 0;
  for (int k = 0; k < 3; ++k) {
    auto* words = reinterpret_cast<__m128i*>(band + 4 * k);
    const __m128i places = _mm_load_si128(words);
    const __m128i missed = _mm_cmpeq_epi32(_mm_and_si128(places, taken), _mm_setzero_si128());
    had |= static_cast<unsigned>(~_mm_movemask_ps(_mm_castsi128_ps(missed)) & 0xF) << (4 * k);
    _mm_store_si128(words, _mm_andnot_si128(taken, places));
  }
  return had;
#else
  unsigned had = 0;
  for (int d = 0; d < 9; ++d) {
    had |= static_cast<unsigned>((band[d] & cells) != 0) << d;
    band[d] &= ~cells;
  }
  return had;
#endif
}

// The number of bits set, without relying on a population-count instruction.
int BitCount(std::uint64_t bits) {
  bits -= (bits >> 1) & 0x5555555555555555;
  bits = (bits & 0x3333333333333333) + ((bits >> 2) & 0x3333333333333333);
  bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0F;
  return static_cast<int>((bits * 0x0101010101010101) >> 56);
}

// Four digits' words of one band.
using Lanes = std::uint32_t __attribute__((vector_size(16)));

// The lanes (bits 0 to 3) that are not zero.
unsigned NonZeroLanes(Lanes v) {
#if defined(__SSE2__)
  const __m128i zero = _mm_cmpeq_epi32(reinterpret_cast<__m128i>(v), _mm_setzero_si128());
  return static_cast<unsigned>(~_mm_movemask_ps(_mm_castsi128_ps(zero)) & 0xF);
#else
  return static_cast<unsigned>(v[0] != 0) | static_cast<unsigned>(v[1] != 0) << 1 |
         static_cast<unsigned>(v[2] != 0) << 2 | static_cast<unsigned>(v[3] != 0) << 3;
#endif
}

// Places every digit that has one place left in a column and is not placed there yet, by leaving
// it no other place in that row; marks the digit's band in `changed`. False at a dead end: a
// column without a place for a digit, or two such places of one digit in one row.
bool PlaceColumnSingles(std::uint32_t (&places)[3][12], const std::uint32_t (&open)[3],
                        std::uint64_t& changed) {
  for (int g = 0; g < 3; ++g) {  // digits 4g to 4g + 3
    Lanes p[3];
    Lanes once{}, twice{};  // columns with a place for the digit, and with more than one
    for (int b = 0; b < 3; ++b) {
      std::memcpy(&p[b], &places[b][4 * g], sizeof(Lanes));
      const Lanes above = p[b] >> 9, below = p[b] >> 18;
      const Lanes here = (p[b] | above | below) & Row;
      twice |= ((p[b] & above) | ((p[b] | above) & below) | (once & here)) & Row;
      once |= here;
    }
    const unsigned digits = g < 2 ? 0xF : 0x1;
    if ((NonZeroLanes(once ^ Row) & digits) != 0) return false;
    const Lanes single = (once & ~twice) * Column;
    for (int b = 0; b < 3; ++b) {
      const Lanes cells = p[b] & single & open[b];
      const unsigned hit = NonZeroLanes(cells);
      if (hit == 0) continue;
      Lanes rows{};
      for (int r = 0; r < 3; ++r) {
        const Lanes inRow = (cells >> (9 * r)) & Row;
        if (NonZeroLanes(inRow & (inRow - 1)) != 0) return false;
        rows |= reinterpret_cast<Lanes>(inRow != 0) & (Row << (9 * r));
      }
      p[b] = (p[b] & ~rows) | cells;
      std::memcpy(&places[b][4 * g], &p[b], sizeof(Lanes));
      changed |= static_cast<std::uint64_t>(hit) << (16 * b + 4 * g);
    }
  }
  return true;
}

// Takes the places in `changed` through what they imply, until nothing changes any more: only
// fitting places stay, and a digit with one place left in a row is placed there. False at a dead
// end, a band in which a digit cannot fill every row.
bool Propagate(std::uint32_t (&places)[3][12], std::uint32_t (&open)[3], std::uint64_t changed) {
  while (changed != 0) {
    const int i = std::countr_zero(changed);
    changed &= changed - 1;
    const int b = i >> 4, d = i & 15;
    const std::uint32_t fitting = FittingPlaces(places[b][d]);
    if (fitting == 0) return false;
    places[b][d] = fitting;
    // A row's one place that is still open is new: any other digit placed there would have
    // taken it.
    const std::uint32_t placed = fitting & RowCells[RowsWithOnePlace(fitting)] & open[b];
    if (placed == 0) continue;
    // The new placements leave no other place in their rows, and fitting took their boxes from
    // the band's other rows. Left: the cells for every other digit, the columns in other bands.
    open[b] &= ~placed;
    changed |= static_cast<std::uint64_t>(TakeFromBand(places[b], placed)) << (16 * b);
    const std::uint32_t columns = ((placed | placed >> 9 | placed >> 18) & Row) * Column;
    for (int other = 0; other < 3; ++other) {
      std::uint32_t& there = places[other][d];
      changed |= static_cast<std::uint64_t>((there & columns) != 0) << (16 * other + d);
      there &= ~columns;
    }
    // Its own band lost only what fitting took already, and the placements themselves.
    places[b][d] = fitting;
    changed &= ~(std::uint64_t{1} << i);
  }
  return true;
}

}  // namespace

CountResult SolutionCounter::Count(const kit::Board& givens) {
  result_ = CountResult{};
  Nodes = 0;
  Node& root = states_[0];
  root = Node{};
  for (int b = 0; b < 3; ++b) {
    for (int d = 0; d < 9; ++d) root.Places[b][d] = Band;
    root.Open[b] = Band;
  }
  for (int cell = 0; cell < kit::CellCount; ++cell) {
    const int digit = givens[static_cast<std::size_t>(cell)];
    if (digit == 0) continue;
    const int b = cell / 27, r = cell % 27 / 9, c = cell % 9, d = digit - 1;
    const std::uint32_t bit = 1u << (cell % 27);
    // A digit outside 1–9, or one that an earlier given already rules out here: no solution.
    if (digit > 9 || (root.Places[b][d] & bit) == 0) return result_;
    // Placed with all its peers at once, so that the next given sees this one.
    for (int e = 0; e < 9; ++e) root.Places[b][e] &= ~bit;
    for (int band = 0; band < 3; ++band) root.Places[band][d] &= ~(Column << c);
    root.Places[b][d] &= ~(Row << (9 * r) | Box << (3 * (c / 3)));
    root.Places[b][d] |= bit;
    root.Open[b] &= ~bit;
  }
  Search(0, Everything);
  return result_;
}

// Propagates, then places the cells left with one digit or, when there are none, the digits left
// with one place in a column, until nothing changes; false at a dead end. On success `pairs`
// holds the open cells with exactly two candidates, by band.
bool SolutionCounter::Settle(Node& node, std::uint64_t changed, std::uint32_t (&pairs)[3]) const {
  for (;;) {
    if (!Propagate(node.Places, node.Open, changed)) return false;
    changed = 0;
    for (int b = 0; b < 3; ++b) {
      const std::uint32_t open = node.Open[b];
      std::uint32_t once = 0, twice = 0, thrice = 0;
      for (int d = 0; d < 9; ++d) {
        const std::uint32_t places = node.Places[b][d] & open;
        thrice |= twice & places;
        twice |= once & places;
        once |= places;
      }
      if ((open & ~once) != 0) return false;  // a cell where no digit may stand
      pairs[b] = twice & ~thrice;
      const std::uint32_t naked = once & ~twice;
      if (naked == 0) continue;
      // A digit is placed by leaving it one place in the row; Propagate does the rest.
      for (int d = 0; d < 9; ++d) {
        std::uint32_t mine = naked & node.Places[b][d];
        if (mine == 0) continue;
        std::uint32_t places = node.Places[b][d];
        for (; mine != 0; mine &= mine - 1) {
          const std::uint32_t cell = mine & -mine;
          // Two of them in one row: the second lost its only digit.
          if ((places & cell) == 0) return false;
          places &= ~(Row << (std::countr_zero(cell) / 9 * 9)) | cell;
        }
        node.Places[b][d] = places;
        changed |= std::uint64_t{1} << (16 * b + d);
      }
    }
    if (changed != 0) continue;
    if (!PlaceColumnSingles(node.Places, node.Open, changed)) return false;
    if (changed == 0) return true;
  }
}

// The cell to branch on: one with fewest candidates (after Settle at least two), and of those the
// one that sees the most open cells, the first in cell order if several do: its digits then
// reach furthest, which about halves the search on hard puzzles against taking the first cell.
std::uint32_t SolutionCounter::BranchCell(const Node& node, const std::uint32_t (&pairs)[3],
                                          int& band) const {
  std::uint32_t fewest[3] = {pairs[0], pairs[1], pairs[2]};
  if ((pairs[0] | pairs[1] | pairs[2]) == 0) {
    std::uint32_t plane[3][4] = {};  // for each cell its number of candidates, bit by bit
    for (int b = 0; b < 3; ++b) {
      for (int d = 0; d < 9; ++d) {
        std::uint32_t carry = node.Places[b][d] & node.Open[b];
        for (std::uint32_t& p : plane[b]) {
          const std::uint32_t next = p & carry;
          p ^= carry;
          carry = next;
        }
      }
    }
    for (unsigned n = 3; (fewest[0] | fewest[1] | fewest[2]) == 0; ++n) {
      for (int b = 0; b < 3; ++b) {
        fewest[b] = node.Open[b];
        for (unsigned p = 0; p < 4; ++p)
          fewest[b] &= ((n >> p) & 1) != 0 ? plane[b][p] : ~plane[b][p];
      }
    }
  }
  std::uint32_t cell = 0;
  int most = -1;
  for (int b = 0; b < 3; ++b) {
    const std::uint32_t above = node.Open[b == 0 ? 1 : 0], below = node.Open[b == 2 ? 1 : 2];
    for (std::uint32_t cells = fewest[b]; cells != 0; cells &= cells - 1) {
      const int k = std::countr_zero(cells);
      const std::uint32_t column = Column << (k % 9);
      // The other bands' open cells of the column side by side: bits c, c + 9, c + 18 of one
      // band and c + 1, c + 10, c + 19 of the other.
      const std::uint32_t elsewhere = (above & column) | (below & column) << 1;
      const std::uint64_t seen =
          std::uint64_t{elsewhere} << 32 | (node.Open[b] & tables.PeersInBand[k]);
      const int n = BitCount(seen);
      if (n <= most) continue;
      most = n;
      band = b;
      cell = 1u << k;
    }
  }
  return cell;
}

void SolutionCounter::Search(int depth, std::uint64_t changed) {
  Node& node = states_[static_cast<std::size_t>(depth)];
  std::uint32_t pairs[3];
  if (!Settle(node, changed, pairs)) return;
  if ((node.Open[0] | node.Open[1] | node.Open[2]) == 0) {
    Record(node);
    return;
  }
  int band = 0;
  const std::uint32_t cell = BranchCell(node, pairs, band);
  const std::uint32_t row = Row << (std::countr_zero(cell) / 9 * 9);
  for (int d = 0; d < 9; ++d) {
    if ((node.Places[band][d] & cell) == 0) continue;
    ++Nodes;
    Node& next = states_[static_cast<std::size_t>(depth) + 1];
    next = node;
    next.Places[band][d] &= ~row | cell;  // d's only place in the row: Propagate places it
    Search(depth + 1, std::uint64_t{1} << (16 * band + d));
    if (result_.Solutions > 1) return;
  }
}

void SolutionCounter::Record(const Node& node) {
  if (++result_.Solutions > 1) {
    result_.Solution = {};
    return;
  }
  for (int b = 0; b < 3; ++b) {
    for (int d = 0; d < 9; ++d) {
      for (std::uint32_t bits = node.Places[b][d]; bits != 0; bits &= bits - 1) {
        const int cell = 27 * b + std::countr_zero(bits);
        result_.Solution[static_cast<std::size_t>(cell)] = static_cast<std::uint8_t>(d + 1);
      }
    }
  }
}

}  // namespace checker
