#include "ReferenceCounter.h"

#include <bit>
#include <utility>

namespace checker::testing {
namespace {

using Vec = kit::CellVector;

constexpr std::uint32_t Row = 0x1FF;                       // the first row of a word
constexpr std::uint32_t Box = 0x7 | 0x7 << 9 | 0x7 << 18;  // the first box of a word
constexpr std::uint32_t Band = 0x7FFFFFF;                  // all 27 cells of a word

Vec CellBit(int cell) {
  Vec v{};
  v[cell / 27] = 1u << (cell % 27);
  return v;
}

bool Any(Vec v) {
  return (v[0] | v[1] | v[2]) != 0;
}

bool Has(Vec v, int cell) {
  return (v[cell / 27] >> (cell % 27)) & 1u;
}

// Lanes whose value has at most one bit set are all ones, the others zero.
Vec AtMostOneBit(Vec v) {
  return reinterpret_cast<Vec>((v & (v - 1)) == 0);
}

// Lanes 0 to 2 (the three words of a set) of a comparison: whether any of them holds.
bool AnyWord(Vec flags) {
  return (flags[0] | flags[1] | flags[2]) != 0;
}

// Calls `visit(cell)` for every cell of a set, in increasing order.
template <class Visit>
bool EachCell(Vec cells, Visit visit) {
  for (int k = 0; k < 3; ++k) {
    for (std::uint32_t bits = cells[k]; bits != 0; bits &= bits - 1) {
      if (!visit(27 * k + std::countr_zero(bits))) return false;
    }
  }
  return true;
}

// The places of one digit that are its only place in a row, a column or a box. Sets `dead` when
// a row, column or box has no place for it at all.
Vec LonePlaces(Vec places, bool& dead) {
  const Vec r0 = places & Row, r1 = (places >> 9) & Row, r2 = (places >> 18) & Row;
  const Vec b0 = places & Box, b1 = places & (Box << 3), b2 = places & (Box << 6);
  dead |= AnyWord((r0 == 0) | (r1 == 0) | (r2 == 0) | (b0 == 0) | (b1 == 0) | (b2 == 0));
  Vec lone = (r0 & AtMostOneBit(r0)) | ((r1 & AtMostOneBit(r1)) << 9) |
             ((r2 & AtMostOneBit(r2)) << 18) | (b0 & AtMostOneBit(b0)) | (b1 & AtMostOneBit(b1)) |
             (b2 & AtMostOneBit(b2));

  // Columns: in how many of the nine rows each column has a place, once or more than once.
  const Vec once = r0 | r1 | r2;
  const Vec twice = (r0 & r1) | (r0 & r2) | (r1 & r2);
  const std::uint32_t any = once[0] | once[1] | once[2];
  const std::uint32_t more = twice[0] | twice[1] | twice[2] | (once[0] & once[1]) |
                             (once[0] & once[2]) | (once[1] & once[2]);
  dead |= any != Row;
  const std::uint32_t single = any & ~more;
  lone |= places & (single | single << 9 | single << 18);
  return lone;
}

}  // namespace

ReferenceCounter::ReferenceCounter() {
  for (int cell = 0; cell < kit::CellCount; ++cell) {
    const int r = cell / 9, c = cell % 9;
    Vec peers{};
    for (int other = 0; other < kit::CellCount; ++other) {
      const int ro = other / 9, co = other % 9;
      const bool sameBox = r / 3 == ro / 3 && c / 3 == co / 3;
      if (other != cell && (r == ro || c == co || sameBox)) peers |= CellBit(other);
    }
    others_[static_cast<std::size_t>(cell)] = peers;
  }
}

CountResult ReferenceCounter::Count(const kit::Board& givens) {
  result_ = CountResult{};
  Nodes = 0;
  Node& root = states_[0];
  const Vec all = {Band, Band, Band, 0};
  for (Vec& places : root.Places) places = all;
  root.Open = all;
  for (int cell = 0; cell < kit::CellCount; ++cell) {
    const int digit = givens[static_cast<std::size_t>(cell)];
    if (digit == 0) continue;
    // A digit outside 1–9, or one that an earlier given already rules out here: no solution.
    if (digit > 9 || !Has(root.Places[digit - 1], cell)) return result_;
    Place(root, cell, digit - 1);
  }
  Search(0, 0x1FF);
  return result_;
}

// Puts digit d (0-based) into the cell: no other digit may stand there, and d nowhere else in the
// cell's row, column and box. Returns the digits whose places changed: d and those that could
// stand in the cell.
unsigned ReferenceCounter::Place(Node& node, int cell, int digit) const {
  const auto word = static_cast<unsigned>(cell / 27);
  const std::uint32_t bit = 1u << (cell % 27);
  unsigned changed = 1u << digit;
  for (int d = 0; d < 9; ++d) {
    changed |= static_cast<unsigned>((node.Places[d][word] & bit) != 0) << d;
    node.Places[d][word] &= ~bit;
  }
  Vec& own = node.Places[digit];
  own &= ~others_[static_cast<std::size_t>(cell)];
  own[word] |= bit;
  node.Open[word] &= ~bit;
  return changed;
}

// Places naked and hidden singles until there are none; false at a dead end. Hidden singles are
// looked for only among the digits in `changed`, whose places changed since the last look: the
// others cannot have any.
bool ReferenceCounter::Settle(Node& node, unsigned changed) const {
  for (;;) {
    if (!Any(node.Open)) return true;
    Vec once{}, twice{};
    for (const Vec& places : node.Places) {
      const Vec open = places & node.Open;
      twice |= once & open;
      once |= open;
    }
    if (Any(node.Open & ~once)) return false;  // a cell where no digit may stand
    const Vec naked = once & ~twice;
    if (Any(naked)) {
      // A cell that an earlier single of this batch has emptied is a dead end.
      const bool fine = EachCell(naked, [&](int cell) {
        for (int d = 0; d < 9; ++d) {
          if (Has(node.Places[d], cell)) {
            changed |= Place(node, cell, d);
            return true;
          }
        }
        return false;
      });
      if (!fine) return false;
      continue;
    }
    if (changed == 0) return true;

    for (unsigned look = std::exchange(changed, 0u); look != 0; look &= look - 1) {
      const int d = std::countr_zero(look);
      bool dead = false;
      const Vec lone = LonePlaces(node.Places[d], dead) & node.Open;
      if (dead) return false;
      // Two lone places of one digit that see each other are a contradiction: placing the first
      // takes the second away.
      const bool fine = EachCell(lone, [&](int cell) {
        if (!Has(node.Places[d], cell)) return false;
        changed |= Place(node, cell, d);
        return true;
      });
      if (!fine) return false;
    }
  }
}

void ReferenceCounter::Search(int depth, unsigned changed) {
  Node& node = states_[static_cast<std::size_t>(depth)];
  if (!Settle(node, changed)) return;
  if (!Any(node.Open)) {
    Record(node);
    return;
  }
  // The first open cell with fewest candidates; after Settle every open cell has at least two.
  const kit::CellCounts counts(node.Places);
  int cell = -1;
  for (int n = 2; cell < 0 && n <= 9; ++n) {
    EachCell(counts.Exactly(n) & node.Open, [&](int first) {
      cell = first;
      return false;
    });
  }
  for (int d = 0; d < 9; ++d) {
    if (!Has(node.Places[d], cell)) continue;
    ++Nodes;
    Node& next = states_[static_cast<std::size_t>(depth) + 1];
    next = node;
    Search(depth + 1, Place(next, cell, d));
    if (result_.Solutions > 1) return;
  }
}

void ReferenceCounter::Record(const Node& node) {
  if (++result_.Solutions > 1) {
    result_.Solution = {};
    return;
  }
  for (int d = 0; d < 9; ++d) {
    EachCell(node.Places[d], [&](int cell) {
      result_.Solution[static_cast<std::size_t>(cell)] = static_cast<std::uint8_t>(d + 1);
      return true;
    });
  }
}

}  // namespace checker::testing
