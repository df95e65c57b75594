#include "SolverRekursiv.h"

#include "CellBits.h"

#include <bit>
#include <cstring>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace quadrin {

// A node's board as bit sets: bit i of word k stands for cell 27k + i, that is rows 3k to 3k + 2
// of the board, nine bits a row. Word 3 stays zero so that a set also fills one 16-byte vector.
struct alignas(16) Rekursiv::SearchState {
  std::uint32_t Candidates[9][4];  // digit d + 1 may go there: the cell is empty and sees no d + 1
  std::uint32_t Placed[9][4];      // cells holding digit d + 1
  std::uint32_t Empty[4];
};

namespace {

using SearchState = Rekursiv::SearchState;

constexpr std::uint32_t RowBits = 0x1FF;                       // one row of a word
constexpr std::uint32_t AllCells = 0x7FFFFFF;                  // the 27 cells of a word
constexpr std::uint32_t BoxBits = 0x7 | 0x7 << 9 | 0x7 << 18;  // the left box of a word
constexpr unsigned AllDigits = 0x1FF;
constexpr std::uint8_t NotConfined = 15;

// Shapes of the board as bit sets, computed once.
struct Geometry {
  std::uint8_t Word[81];
  std::uint32_t Bit[81];
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

using Vector = kit::CellVector;

Vector Load(const std::uint32_t (&set)[4]) {
  return kit::LoadCells(set);
}

void Store(std::uint32_t (&set)[4], Vector v) {
  std::memcpy(set, &v, sizeof v);
}

// Whether a set holds any cell. On x86 one comparison and one mask instead of taking the words
// out of the vector one by one, which the hottest loops would otherwise wait on.
bool Any(Vector v) {
#ifdef __SSE2__
  const auto words = reinterpret_cast<__m128i>(v);
  return _mm_movemask_epi8(_mm_cmpeq_epi32(words, _mm_setzero_si128())) != 0xFFFF;
#else
  return (v[0] | v[1] | v[2] | v[3]) != 0;
#endif
}

// The three words of a set with their lanes rotated: lane i takes lane A, B or C (the fourth lane
// is unused). One shuffle. clang knows only __builtin_shufflevector; g++ 12 knows it too but
// builds slower code from it here (1.9 µs per puzzle of Build's mix instead of 1.5 µs).
template <int A, int B, int C>
Vector Rotated(Vector v) {
#ifdef __clang__
  return __builtin_shufflevector(v, v, A, B, C, 3);
#else
  return __builtin_shuffle(v, Vector{A, B, C, 3});
#endif
}
constexpr auto RotateOnce = Rotated<1, 2, 0>;
constexpr auto RotateTwice = Rotated<2, 0, 1>;

// The cells of all rows, columns and boxes that hold a cell of `cells`, found for all cells at
// once; `repeated` gets bits set (in some lane) when a row, column or box holds two of them.
Vector UnitsOf(Vector cells, Vector& repeated) {
  const Vector r0 = cells & RowBits, r1 = (cells >> 9) & RowBits, r2 = (cells >> 18) & RowBits;
  const Vector b0 = cells & BoxBits, b1 = cells & (BoxBits << 3), b2 = cells & (BoxBits << 6);
  // A unit holds two cells where its bits, less their lowest, are not empty.
  repeated |= (r0 & (r0 - 1)) | (r1 & (r1 - 1)) | (r2 & (r2 - 1)) | (b0 & (b0 - 1)) |
              (b1 & (b1 - 1)) | (b2 & (b2 - 1));
  auto held = [](Vector bits, std::uint32_t unit) {
    return reinterpret_cast<Vector>(bits != 0) & unit;
  };
  const Vector units = held(r0, RowBits) | held(r1, RowBits << 9) | held(r2, RowBits << 18) |
                       held(b0, BoxBits) | held(b1, BoxBits << 3) | held(b2, BoxBits << 6);
  // Columns: the rows of each word folded onto one, then the words side by side through rotated
  // lanes. Two cells share a column when a word has it twice, or two words have it.
  const Vector once = r0 | r1 | r2, twice = (r0 & r1) | (r0 & r2) | (r1 & r2);
  const Vector next = RotateOnce(once), after = RotateTwice(once);
  repeated |= twice | (once & next);  // over all lanes, once & next meets every pair of words
  const Vector columns = once | next | after;
  return units | columns | columns << 9 | columns << 18;
}

// Puts digit d (0-based) into the cells of `cells` and takes them out of the candidate sets they
// touch: no other digit may go there, and d nowhere else in their rows, columns and boxes. False
// when two of them see each other; placed one after the other, the second would have lost its
// place to the first. Adds to `changed` the digits whose candidates changed.
bool PlaceCells(SearchState& s, Vector cells, int d, unsigned& changed) {
  Vector repeated{};
  const Vector seen = UnitsOf(cells, repeated);  // the cells' peers and the cells themselves
  if (Any(repeated)) return false;
  // Bit e of a lane is set when digit e + 1 could stand in one of the lane's cells.
  Vector touched{};
  for (int e = 0; e < 9; ++e) {
    const Vector candidates = Load(s.Candidates[e]);
    touched |= reinterpret_cast<Vector>((candidates & cells) != 0) & (1u << e);
    Store(s.Candidates[e], candidates & ~cells);
  }
  Store(s.Candidates[d], Load(s.Candidates[d]) & ~seen);
  Store(s.Placed[d], Load(s.Placed[d]) | cells);
  Store(s.Empty, Load(s.Empty) & ~cells);
  changed |= 1u << d | touched[0] | touched[1] | touched[2];
  return true;
}

// A node's copy of its parent, in 16-byte steps: as a plain struct copy the compiler would use a
// string instruction whose start-up costs more than the copy itself.
void CopyState(SearchState& to, const SearchState& from) {
  static_assert(sizeof(SearchState) % sizeof(Vector) == 0);
  auto* target = reinterpret_cast<Vector*>(&to);
  const auto* source = reinterpret_cast<const Vector*>(&from);
#pragma GCC unroll 19
  for (std::size_t i = 0; i < sizeof(SearchState) / sizeof(Vector); ++i) target[i] = source[i];
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

// Every row, column and box holds the digit or a place for it. The three words side by side in a
// vector; the fourth lane is set full so that it never counts as a unit without a place.
bool CheckPlaceable(const std::uint32_t (&marks)[4], const std::uint32_t (&placed)[4]) {
  Vector w = Load(marks) | Load(placed);
  w[3] = ~0u;
  const Vector fold = (w | w >> 9 | w >> 18) & RowBits;
  const Vector none = ((w & RowBits) == 0) | ((w & (RowBits << 9)) == 0) |
                      ((w & (RowBits << 18)) == 0) | ((fold & 0x7) == 0) | ((fold & 0x38) == 0) |
                      ((fold & 0x1C0) == 0);
  return (none[0] | none[1] | none[2]) == 0 && (fold[0] | fold[1] | fold[2]) == RowBits;
}

// Cells that are the only place of the digit in a row, a column or a box. False if none. The
// three words are looked at side by side, one in each lane of a vector (the fourth lane stays
// zero and finds nothing).
bool HiddenSingles(const std::uint32_t (&marks)[4], std::uint32_t (&singles)[4]) {
  const Vector w = Load(marks);
  if (!Any(w)) return false;  // the digit has no place left
  const Vector r0 = w & RowBits, r1 = (w >> 9) & RowBits, r2 = (w >> 18) & RowBits;
  const Vector b0 = w & BoxBits, b1 = w & (BoxBits << 3), b2 = w & (BoxBits << 6);
  // In every lane at once: the bits of a row or box that holds exactly one, else nothing.
  auto single = [](Vector bits) {
    return bits & reinterpret_cast<Vector>((bits & (bits - 1)) == 0);
  };
  Vector found =
      single(r0) | (single(r1) << 9) | (single(r2) << 18) | single(b0) | single(b1) | single(b2);
  // Columns: how many of the nine rows hold a place in each column, one or more than one. The
  // lanes are rotated against each other so that every lane sees all three words.
  const Vector once = r0 | r1 | r2, twice = (r0 & r1) | (r0 & r2) | (r1 & r2);
  const Vector next = RotateOnce(once), after = RotateTwice(once);
  const Vector seenTwice = twice | RotateOnce(twice) | RotateTwice(twice) | (once & next) |
                           (once & after) | (next & after);
  const Vector onlyOnce = (once | next | after) & ~seenTwice;
  found |= w & (onlyOnce | onlyOnce << 9 | onlyOnce << 18);
  Store(singles, found);
  return Any(found);
}

// Brings the board to its fixed point; false on a contradiction. `dirty` holds the digits whose
// candidates changed since they were last looked at. Hidden singles on the plain candidates are
// also singles after pointing reduction, so they are placed first, and the pointing reduction,
// which costs more, runs only once they are exhausted.
bool Propagate(SearchState& s, unsigned dirty) {
  unsigned plain = dirty, pointed = dirty;
  std::uint32_t marks[4] = {}, singles[4] = {};
  for (;;) {
    // A full board is its own fixed point: every placement went to a cell where the digit was
    // still a candidate, so the grid is valid and no digit has a place left.
    if ((s.Empty[0] | s.Empty[1] | s.Empty[2]) == 0) return true;
    // In rounds: the singles of every digit due are found first, then placed digit by digit.
    // A single that an earlier digit of the round has taken is no longer a place and is dropped;
    // its unit is then without a place, which the check below finds.
    while (plain != 0) {
      Vector found[9];
      unsigned with = 0;
      for (unsigned due = std::exchange(plain, 0u); due != 0; due &= due - 1) {
        const int d = std::countr_zero(due);
        std::memcpy(marks, s.Candidates[d], sizeof marks);  // word 3 stays zero
        if (HiddenSingles(marks, singles)) {
          found[d] = Load(singles);
          with |= 1u << d;
        }
      }
      for (; with != 0; with &= with - 1) {
        const int d = std::countr_zero(with);
        const Vector cells = found[d] & Load(s.Candidates[d]);
        if (!Any(cells)) continue;
        unsigned changed = 0;
        if (!PlaceCells(s, cells, d, changed)) return false;
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
      if (!PlaceCells(s, Load(singles), d, changed)) return false;
      plain |= changed;
      pointed |= changed;
    }
  }
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
  if ((s.Empty[0] | s.Empty[1] | s.Empty[2]) == 0) return -1;
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

// The cells that hold each value 0–9 (values of 0 and below count as 0); false when a value
// exceeds 9. Setting one word of a table per cell would chain every cell's update to the previous
// one's through memory, so the cells are sorted all at once.
bool SortValues(const SearchBoard& input, Vector (&holding)[10]) {
#ifdef __SSE2__
  // As bytes, 16 cells to a vector: each value is compared with 0–9 in one step per vector, and
  // the byte masks are the bits of the sets. Saturation turns negative values into 0 and large
  // ones into 255.
  alignas(16) std::int32_t values[96] = {};
  std::memcpy(values, input.Cells.data(), sizeof input.Cells);
  __m128i bytes[6];
  int tooLarge = 0;
  const __m128i nine = _mm_set1_epi8(9);
  for (int b = 0; b < 6; ++b) {
    const auto* at = reinterpret_cast<const __m128i*>(values + 16 * b);
    bytes[b] = _mm_packus_epi16(_mm_packs_epi32(_mm_load_si128(at), _mm_load_si128(at + 1)),
                                _mm_packs_epi32(_mm_load_si128(at + 2), _mm_load_si128(at + 3)));
    tooLarge |= _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(bytes[b], nine), nine)) ^ 0xFFFF;
  }
  if (tooLarge != 0) return false;
  for (int d = 0; d < 10; ++d) {
    const __m128i digit = _mm_set1_epi8(static_cast<char>(d));
    auto mask = [&](int b) {
      return static_cast<std::uint64_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes[b], digit)));
    };
    const std::uint64_t low = mask(0) | mask(1) << 16 | mask(2) << 32 | mask(3) << 48;
    const std::uint64_t high = mask(4) | mask(5) << 16;  // cells 64 to 95; 81 to 95 are padding
    holding[d] = Vector{static_cast<std::uint32_t>(low & AllCells),
                        static_cast<std::uint32_t>(low >> 27 & AllCells),
                        static_cast<std::uint32_t>((low >> 54 | high << 10) & AllCells), 0};
  }
  return true;
#else
  // As four bit planes, built in registers: plane j holds the cells whose value has bit j set.
  std::uint32_t planes[4][4] = {}, tooLarge = 0;
  for (int k = 0; k < 3; ++k) {
    std::uint32_t p0 = 0, p1 = 0, p2 = 0, p3 = 0;
    for (int i = 0; i < 27; ++i) {
      const std::int32_t v = input.Cells[static_cast<std::size_t>(27 * k + i)];
      const auto value = static_cast<std::uint32_t>(v > 0 ? v : 0);
      tooLarge |= static_cast<std::uint32_t>(value > 9);
      p0 |= (value & 1) << i;
      p1 |= (value >> 1 & 1) << i;
      p2 |= (value >> 2 & 1) << i;
      p3 |= (value >> 3 & 1) << i;
    }
    planes[0][k] = p0, planes[1][k] = p1, planes[2][k] = p2, planes[3][k] = p3;
  }
  if (tooLarge != 0) return false;
  for (unsigned d = 0; d < 10; ++d) {
    Vector cells = Vector{AllCells, AllCells, AllCells, 0};
    for (unsigned j = 0; j < 4; ++j) cells &= (d >> j & 1) ? Load(planes[j]) : ~Load(planes[j]);
    holding[d] = cells;
  }
  return true;
#endif
}

// Sets up the root board from the givens (values 1–9; 0 and below are empty). False when a
// value exceeds 9 or a digit repeats in a row, column or box. Per digit, the rows, columns and
// boxes that hold it are found for all cells at once: a unit that holds it twice is a
// repetition, and the cells of the others are no longer candidates for it.
bool LoadGivens(const SearchBoard& input, SearchState& root) {
  Vector holding[10];
  if (!SortValues(input, holding)) return false;
  const Vector empty = holding[0];
  Vector repeated{};
  for (std::size_t d = 0; d < 9; ++d) {
    const Vector cells = holding[d + 1];
    Store(root.Candidates[d], empty & ~UnitsOf(cells, repeated));
    Store(root.Placed[d], cells);
  }
  if (Any(repeated)) return false;
  Store(root.Empty, empty);
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
  // The root is searched where it stands; RecordSolution writes every cell of SolverResult.
  Explore(root, AllDigits);

  if (SolutionCount == 1) {
    SolverResult.Solved = 1;
    return OneSolution;
  }
  if (SolutionCount >= 2) {
    // NegateCells of the second grid found; the Solved field is left as it was.
    for (std::int32_t& cell : SolverResult.Cells) cell = -cell;
    return SeveralSolutions;
  }
  SolverResult = SearchBoard{};
  return NoSolution;
}

// Searches below `parent` with digit `digit` (0-based) put into `cell`.
void Rekursiv::SearchNode(const SearchState& parent, int cell, int digit) {
  SearchState s;
  CopyState(s, parent);
  unsigned changed = 0;
  Vector one{};
  one[cell / 27] = 1u << (cell % 27);
  PlaceCells(s, one, digit, changed);  // a single cell sees no other of its batch
  Explore(s, changed);
}

// Brings `s` to its fixed point (`dirty`: the digits whose candidates changed) and branches on it.
void Rekursiv::Explore(SearchState& s, unsigned dirty) {
  if (!Propagate(s, dirty)) return;
  const int x = ChooseBranchCell(s);
  if (x < 0) {
    RecordSolution(s);
    return;
  }
  // The cell's candidates, in increasing order (s is not changed by the children).
  const Geometry& g = Shapes();
  unsigned digits = 0;
  for (unsigned d = 0; d < 9; ++d) digits |= (s.Candidates[d][g.Word[x]] >> (x % 27) & 1) << d;
  for (; digits != 0; digits &= digits - 1) {
    SearchNode(s, x, std::countr_zero(digits));
    if (SolutionCount > 1) return;
  }
}

void Rekursiv::RecordSolution(const SearchState& state) {
  ++SolutionCount;
  // Per word, the cells' digits as four bit planes; then four cells at a time, each lane testing
  // its own cell's bit in every plane. Without a branch per cell.
  for (int k = 0; k < 3; ++k) {
    std::uint32_t planes[4] = {};
    for (unsigned d = 0; d < 9; ++d) {
      for (unsigned j = 0; j < 4; ++j) planes[j] |= ((d + 1) >> j & 1) ? state.Placed[d][k] : 0;
    }
    std::int32_t* const cells = SolverResult.Cells.data() + 27 * k;
    for (int i = 0; i < 24; i += 4) {
      const Vector mine = Vector{1u, 2u, 4u, 8u} << i;
      Vector digit{};
      for (unsigned j = 0; j < 4; ++j) {
        digit |= reinterpret_cast<Vector>((planes[j] & mine) != 0) & (1u << j);
      }
      std::memcpy(cells + i, &digit, sizeof digit);
    }
    for (int i = 24; i < 27; ++i) {
      std::uint32_t digit = 0;
      for (unsigned j = 0; j < 4; ++j) digit |= (planes[j] >> i & 1) << j;
      cells[i] = static_cast<std::int32_t>(digit);
    }
  }
}

}  // namespace quadrin
