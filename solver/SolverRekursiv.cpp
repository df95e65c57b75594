#include "SolverRekursiv.h"

#include "CellBits.h"

#include <bit>
#include <cstring>

namespace quadrin {

// A node's board as bit sets: bit i of word k stands for cell 27k + i, that is rows 3k to 3k + 2
// of the board, nine bits a row. Word 3 stays zero so that a set also fills one 16-byte vector.
struct Rekursiv::SearchState {
  std::uint32_t Candidates[9][4];  // digit d + 1 may go there: the cell is empty and sees no d + 1
  std::uint32_t Placed[9][4];      // cells holding digit d + 1
  std::uint32_t Empty[4];
};

namespace {

using SearchState = Rekursiv::SearchState;

constexpr std::uint32_t RowBits = 0x1FF;                       // one row of a word
constexpr std::uint32_t BoxBits = 0x7 | 0x7 << 9 | 0x7 << 18;  // the left box of a word
constexpr unsigned AllDigits = 0x1FF;
constexpr std::uint8_t NotConfined = 15;

// Shapes of the board as bit sets, computed once.
struct Geometry {
  std::uint8_t Word[81];
  std::uint32_t Bit[81];
  std::uint32_t Peers[81][3];  // the cell's row, column and box, the cell included
  // What one box's pointing reduction clears: by box and by Confined[pattern] of the box's nine
  // candidate bits, which codes 4 × (the one row holding them, or 3) + (the one column, or 3).
  std::uint32_t PointingClear[9][16][3];
  std::uint8_t Confined[512];
  // By the 9 flags "row r of box j holds candidates" (bit 3j + r) of one band: whether a box
  // holds them in one row only while another box holds some in that row too.
  bool RowConfinedElsewhere[512];
  // By the 9 column flags of one band: the columns that are the only ones of their box.
  std::uint16_t OnlyColumnOfBox[512];

  Geometry() {
    for (int x = 0; x < 81; ++x) {
      Word[x] = static_cast<std::uint8_t>(x / 27);
      Bit[x] = 1u << (x % 27);
    }
    for (int x = 0; x < 81; ++x) {
      const int r = x / 9, c = x % 9;
      for (int y = 0; y < 81; ++y) {
        const int ry = y / 9, cy = y % 9;
        const bool peer = ry == r || cy == c || (ry / 3 == r / 3 && cy / 3 == c / 3);
        Peers[x][Word[y]] |= peer ? Bit[y] : 0;
      }
    }
    for (unsigned pattern = 0; pattern < 512; ++pattern) {
      const unsigned rows = static_cast<unsigned>((pattern & 0x7) != 0) |
                            static_cast<unsigned>((pattern & 0x38) != 0) << 1 |
                            static_cast<unsigned>((pattern & 0x1C0) != 0) << 2;
      const unsigned columns = (pattern | pattern >> 3 | pattern >> 6) & 0x7;
      const int row = std::has_single_bit(rows) ? std::countr_zero(rows) : 3;
      const int column = std::has_single_bit(columns) ? std::countr_zero(columns) : 3;
      Confined[pattern] = static_cast<std::uint8_t>(4 * row + column);

      bool elsewhere = false;
      std::uint16_t only = 0;
      for (unsigned j = 0; j < 3; ++j) {
        const unsigned rowsOfBox = (pattern >> (3 * j)) & 0x7;
        if (std::has_single_bit(rowsOfBox)) {
          const int r = std::countr_zero(rowsOfBox);
          for (unsigned other = 0; other < 3; ++other) {
            elsewhere |= other != j && ((pattern >> (3 * other + static_cast<unsigned>(r))) & 1);
          }
        }
        const unsigned columnsOfBox = (pattern >> (3 * j)) & 0x7;
        if (std::has_single_bit(columnsOfBox))
          only |= static_cast<std::uint16_t>(columnsOfBox << (3 * j));
      }
      RowConfinedElsewhere[pattern] = elsewhere;
      OnlyColumnOfBox[pattern] = only;
    }
    for (int b = 0; b < 9; ++b) {
      const int r0 = 3 * (b / 3), c0 = 3 * (b % 3);
      for (int code = 0; code < 16; ++code) {
        const int row = code / 4, column = code % 4;
        for (int y = 0; y < 81; ++y) {
          const int ry = y / 9, cy = y % 9;
          const bool inBoxRows = ry >= r0 && ry < r0 + 3;
          const bool inBoxColumns = cy >= c0 && cy < c0 + 3;
          if ((row < 3 && ry == r0 + row && !inBoxColumns) ||
              (column < 3 && cy == c0 + column && !inBoxRows)) {
            PointingClear[b][code][Word[y]] |= Bit[y];
          }
        }
      }
    }
  }
};

const Geometry& Shapes() {
  static const Geometry geometry;
  return geometry;
}

// Puts digit d (0-based) into cell x and takes it out of the candidate sets it touches.
// Returns the digits whose candidates changed.
unsigned Place(SearchState& s, int x, int d) {
  const Geometry& g = Shapes();
  const int k = g.Word[x];
  const std::uint32_t bit = g.Bit[x];
  unsigned touched = 1u << d;
  for (int e = 0; e < 9; ++e) {
    touched |= static_cast<unsigned>((s.Candidates[e][k] & bit) != 0) << e;
    s.Candidates[e][k] &= ~bit;
  }
  for (int j = 0; j < 3; ++j) s.Candidates[d][j] &= ~g.Peers[x][j];
  s.Placed[d][k] |= bit;
  s.Empty[k] &= ~bit;
  return touched;
}

// Whether the pointing reduction would clear anything: some box holds its candidates in one row
// only while that row has candidates in another box, or in one column only while that column has
// candidates in another band. Until the first such box nothing is cleared, so without one the
// pass changes nothing.
bool PointingClearsSomething(const std::uint32_t marks[3]) {
  const Geometry& g = Shapes();
  std::uint32_t columns[3];
  for (int k = 0; k < 3; ++k) columns[k] = (marks[k] | marks[k] >> 9 | marks[k] >> 18) & RowBits;
  for (int k = 0; k < 3; ++k) {
    const std::uint32_t w = marks[k];
    const std::uint32_t segments = (w | w >> 1 | w >> 2) & 0x1249249;  // box row not empty
    const std::uint32_t byBox =
        (segments & 0x49) | ((segments >> 8) & 0x92) | ((segments >> 16) & 0x124);
    const std::uint32_t otherBands = columns[(k + 1) % 3] | columns[(k + 2) % 3];
    if (g.RowConfinedElsewhere[byBox] || (g.OnlyColumnOfBox[columns[k]] & otherBands)) return true;
  }
  return false;
}

// One pass over the boxes in order; each box sees what earlier boxes cleared. Returns whether
// any candidate was cleared.
bool PointingReduction(std::uint32_t marks[3]) {
  if (!PointingClearsSomething(marks)) return false;
  const Geometry& g = Shapes();
  for (int b = 0; b < 9; ++b) {
    const std::uint32_t w = marks[b / 3] >> (3 * (b % 3));
    const std::uint32_t pattern = (w & 0x7) | ((w >> 6) & 0x38) | ((w >> 12) & 0x1C0);
    const std::uint8_t code = g.Confined[pattern];
    if (code == NotConfined) continue;
    for (int k = 0; k < 3; ++k) marks[k] &= ~g.PointingClear[b][code][k];
  }
  return true;
}

// Every row, column and box holds the digit or a place for it.
bool CheckPlaceable(const std::uint32_t marks[3], const std::uint32_t placed[3]) {
  std::uint32_t columns = 0;
  bool ok = true;
  for (int k = 0; k < 3; ++k) {
    const std::uint32_t w = marks[k] | placed[k];
    const std::uint32_t fold = (w | w >> 9 | w >> 18) & RowBits;
    ok &= (w & RowBits) && (w & RowBits << 9) && (w & RowBits << 18) && (fold & 0x7) &&
          (fold & 0x38) && (fold & 0x1C0);
    columns |= fold;
  }
  return ok && columns == RowBits;
}

std::uint32_t IfSingle(std::uint32_t bits) {
  return (bits & (bits - 1)) == 0 ? bits : 0;
}

// Cells that are the only place of the digit in a row, a column or a box. False if none.
bool HiddenSingles(const std::uint32_t marks[3], std::uint32_t singles[3]) {
  std::uint32_t seenOnce = 0, seenTwice = 0;
  for (int k = 0; k < 3; ++k) {
    const std::uint32_t w = marks[k];
    std::uint32_t found = 0;
    for (int r = 0; r < 3; ++r) {
      const std::uint32_t row = (w >> (9 * r)) & RowBits;
      found |= IfSingle(row) << (9 * r);
      seenTwice |= seenOnce & row;
      seenOnce |= row;
    }
    for (int j = 0; j < 3; ++j) found |= IfSingle(w & (BoxBits << (3 * j)));
    singles[k] = found;
  }
  const std::uint32_t onlyOnce = seenOnce & ~seenTwice;
  const std::uint32_t spread = onlyOnce | onlyOnce << 9 | onlyOnce << 18;
  for (int k = 0; k < 3; ++k) singles[k] |= marks[k] & spread;
  return (singles[0] | singles[1] | singles[2]) != 0;
}

// Places digit d in the cells of `singles`, checking each against `marks`: a single that an
// earlier one of the same batch has cleared leaves its unit without a place (false).
bool PlaceSingles(SearchState& s, int d, std::uint32_t marks[3], const std::uint32_t singles[3],
                  unsigned& dirty) {
  const Geometry& g = Shapes();
  for (int k = 0; k < 3; ++k) {
    for (std::uint32_t bits = singles[k]; bits != 0; bits &= bits - 1) {
      const int x = 27 * k + std::countr_zero(bits);
      if ((marks[k] & g.Bit[x]) == 0) return false;
      dirty |= Place(s, x, d);
      for (int j = 0; j < 3; ++j) marks[j] &= ~g.Peers[x][j];
    }
  }
  return true;
}

// Brings the board to its fixed point; false on a contradiction. `dirty` holds the digits whose
// candidates changed since they were last looked at. Hidden singles on the plain candidates are
// also singles after pointing reduction, so they are placed first, and the pointing reduction,
// which costs more, runs only once they are exhausted.
bool Propagate(SearchState& s, unsigned dirty) {
  unsigned plain = dirty, pointed = dirty;
  std::uint32_t marks[3], singles[3];
  for (;;) {
    while (plain != 0) {
      const int d = std::countr_zero(plain);
      plain &= plain - 1;
      std::memcpy(marks, s.Candidates[d], sizeof marks);
      if (HiddenSingles(marks, singles)) {
        unsigned changed = 0;
        if (!PlaceSingles(s, d, marks, singles, changed)) return false;
        plain |= changed;
        pointed |= changed;
      }
    }
    if (pointed == 0) return true;
    const int d = std::countr_zero(pointed);
    pointed &= pointed - 1;
    std::memcpy(marks, s.Candidates[d], sizeof marks);
    const bool narrowed = PointingReduction(marks);
    if (!CheckPlaceable(marks, s.Placed[d])) return false;
    // Without a cleared cell the singles are those already placed above.
    if (narrowed && HiddenSingles(marks, singles)) {
      unsigned changed = 0;
      if (!PlaceSingles(s, d, marks, singles, changed)) return false;
      plain |= changed;
      pointed |= changed;
    }
  }
}

using Vector = kit::CellVector;

Vector Load(const std::uint32_t (&set)[4]) {
  return kit::LoadCells(set);
}

// The lowest cell of a set, or −1.
int FirstCell(Vector set) {
  for (int k = 0; k < 3; ++k) {
    if (set[k] != 0) return 27 * k + std::countr_zero(set[k]);
  }
  return -1;
}

// The first empty cell with fewer than 3 candidates, else the first with the fewest, or −1 when
// no cell is empty. Candidates are counted from the placed digits only.
int ChooseBranchCell(const SearchState& s) {
  const kit::CellCounts counts(s.Candidates);
  const Vector empty = Load(s.Empty);
  const int urgent = FirstCell(empty & counts.FewerThanThree());
  if (urgent >= 0) return urgent;
  for (int count = 3; count <= 9; ++count) {
    const int cell = FirstCell(empty & counts.Exactly(count));
    if (cell >= 0) return cell;
  }
  return -1;
}

// Sets up the root board from the givens (values 1–9; 0 and below are empty). False when a
// value exceeds 9 or a digit repeats in a row, column or box, that is when a given sees another
// one of its digit. Without branches: index 0 collects the empty cells.
bool LoadGivens(const SearchBoard& input, SearchState& root) {
  const Geometry& g = Shapes();
  std::uint32_t seen[10][3] = {};  // cells that see a given of the digit
  std::uint32_t placed[10][3] = {};
  std::uint32_t repeated = 0;
  for (int x = 0; x < 81; ++x) {
    const std::int32_t v = input.Cells[static_cast<std::size_t>(x)];
    const auto digit = static_cast<std::size_t>(v > 0 && v <= 9 ? v : 0);
    const int k = g.Word[x];
    repeated |= static_cast<std::uint32_t>(v > 9) | (digit != 0 ? seen[digit][k] & g.Bit[x] : 0);
    for (int j = 0; j < 3; ++j) seen[digit][j] |= g.Peers[x][j];
    placed[digit][k] |= g.Bit[x];
  }
  if (repeated != 0) return false;
  for (int j = 0; j < 3; ++j) root.Empty[j] = placed[0][j];
  root.Empty[3] = 0;
  for (std::size_t d = 0; d < 9; ++d) {
    for (int j = 0; j < 3; ++j) {
      root.Placed[d][j] = placed[d + 1][j];
      root.Candidates[d][j] = placed[0][j] & ~seen[d + 1][j];
    }
    root.Placed[d][3] = root.Candidates[d][3] = 0;
  }
  return true;
}

}  // namespace

SolveOutcome Rekursiv::SolvePuzzle() {
  SolutionCount = 0;
  SearchState root;
  if (!LoadGivens(SolverInput, root)) {  // no search
    SolverResult = SearchBoard{};
    return NoSolution;
  }
  found_ = SearchBoard{};
  SearchNode(root, -1, 0);

  if (SolutionCount == 1) {
    SolverResult = found_;
    return OneSolution;
  }
  if (SolutionCount >= 2) {
    // NegateCells: the Solved field of the target is left as it was.
    for (std::size_t i = 0; i < found_.Cells.size(); ++i) SolverResult.Cells[i] = -found_.Cells[i];
    return SeveralSolutions;
  }
  SolverResult = SearchBoard{};
  return NoSolution;
}

// Searches below `parent` with digit `digit` (0-based) put into `cell`; the root passes cell −1
// and has every digit looked at.
void Rekursiv::SearchNode(const SearchState& parent, int cell, int digit) {
  SearchState s = parent;
  const unsigned dirty = cell >= 0 ? Place(s, cell, digit) : AllDigits;
  if (!Propagate(s, dirty)) return;
  const int x = ChooseBranchCell(s);
  if (x < 0) {
    RecordSolution(s);
    return;
  }
  const Geometry& g = Shapes();
  for (int d = 0; d < 9; ++d) {
    if ((s.Candidates[d][g.Word[x]] & g.Bit[x]) == 0) continue;
    SearchNode(s, x, d);
    if (SolutionCount > 1) return;
  }
}

void Rekursiv::RecordSolution(const SearchState& state) {
  ++SolutionCount;
  for (int d = 0; d < 9; ++d) {
    for (int k = 0; k < 3; ++k) {
      for (std::uint32_t bits = state.Placed[d][k]; bits != 0; bits &= bits - 1) {
        found_.Cells[static_cast<std::size_t>(27 * k + std::countr_zero(bits))] = d + 1;
      }
    }
  }
  found_.Solved = 1;
}

}  // namespace quadrin
