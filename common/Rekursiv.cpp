#include "Rekursiv.h"

#include "CellBits.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kit {
namespace {

constexpr std::uint32_t AllBits = 0x7FFFFFF;  // the 27 cells of a word

using Cells3 = std::array<std::uint32_t, 4>;  // word 3 stays zero
using Vector = CellVector;
// The same vector, allowed to stand for any other type's bytes: the states are copied with it.
using Chunk = std::uint32_t __attribute__((vector_size(16), may_alias));

Vector Load(const Cells3& set) {
  return LoadCells(set);
}

bool Holds(const Vector& set, int cell) {
  return (set[cell / 27] >> (cell % 27)) & 1u;
}

// Whether a set holds any cell: one comparison where the processor has it.
bool Any(Vector set) {
#if defined(__SSE2__)
  const __m128i words = reinterpret_cast<__m128i>(set);
  return _mm_movemask_epi8(_mm_cmpeq_epi32(words, _mm_setzero_si128())) != 0xFFFF;
#else
  return (set[0] | set[1] | set[2]) != 0;
#endif
}

// The lowest cell of a set at or after `from` (0 to 81), or −1. The cells are taken as two
// numbers, 0–53 and 54–80, so that the answer needs no loop over the words.
int FirstFrom(const Vector& set, int from) {
  const std::uint64_t low =
      (set[0] | std::uint64_t{set[1]} << 27) & (from < 54 ? ~std::uint64_t{0} << from : 0);
  const std::uint64_t high = set[2] & (from <= 54 ? ~0u : ~0u << (from - 54));
  if (low != 0) return std::countr_zero(low);
  if (high != 0) return 54 + std::countr_zero(high);
  return -1;
}

// Adds digit bit `bit` to a set where it is missing. Returns whether it was there already.
bool AddDigit(std::uint16_t& digits, std::int16_t bit) {
  const auto b = static_cast<std::uint16_t>(bit);
  if (digits & b) return true;
  digits = static_cast<std::uint16_t>(digits | b);
  return false;
}

// For every set of digits, the digit it lacks when it holds eight of the nine, else 0: one load
// in the loops over rows and columns.
constexpr std::array<std::uint8_t, 512> LackedDigit = [] {
  std::array<std::uint8_t, 512> lacked{};
  for (int d = 1; d <= 9; ++d) lacked[0x1FF & ~(1u << (d - 1))] = static_cast<std::uint8_t>(d);
  return lacked;
}();

// A state copied in 16-byte pieces: a plain copy of this size becomes a string move, whose
// start-up costs more than the copy.
[[gnu::always_inline]] inline void Copy(SolverState& to, const SolverState& from) {
  static_assert(sizeof(SolverState) % sizeof(Chunk) == 0);
  constexpr std::size_t chunks = sizeof(SolverState) / sizeof(Chunk);
  auto* target = reinterpret_cast<Chunk*>(&to);
  const auto* source = reinterpret_cast<const Chunk*>(&from);
  Chunk pieces[chunks];
#pragma GCC unroll 32
  for (std::size_t i = 0; i < chunks; ++i) pieces[i] = source[i];
#pragma GCC unroll 32
  for (std::size_t i = 0; i < chunks; ++i) target[i] = pieces[i];
}

// Adds box `box` to the boxes holding a digit. Returns whether it was there already.
bool AddBox(std::uint16_t& boxes, int box) {
  const auto bit = static_cast<std::uint16_t>(1u << box);
  if (boxes & bit) return true;
  boxes = static_cast<std::uint16_t>(boxes | bit);
  return false;
}

// The exclusion count of a cell: the digits its peers hold, 9 for a filled cell.
int ExclusionCount(const SolverState& s, int cell) {
  if (!Holds(s.Empty, cell)) return 9;
  int candidates = 0;
  for (const Vector& set : s.Candidates) candidates += Holds(set, cell);
  return 9 - candidates;
}

// The digit of a cell with exactly one candidate: the one its exclusions lack.
// The nine sets are all looked at, since a loop that stops at the digit found takes a branch the
// processor cannot foresee.
int OnlyCandidate(const SolverState& s, int cell) {
  const auto k = static_cast<std::size_t>(cell / 27);
  const int shift = cell % 27;
  unsigned digits = 1u << 8;  // 9 when there is none; never asked then
#pragma GCC unroll 9
  for (std::size_t d = 0; d < 9; ++d) digits |= ((s.Candidates[d][k] >> shift) & 1u) << d;
  return std::countr_zero(digits) + 1;
}

// A cell gets a digit: it is no longer empty, its exclusions become all nine digits, and the
// digit is counted. Its peers are left to the caller, which takes them in its own order.
void Occupy(SolverState& s, const Vector& cellBit, int digit) {
  for (Vector& set : s.Candidates) set &= ~cellBit;
  s.Empty &= ~cellBit;
  ++s.DigitCount[static_cast<std::size_t>(digit)];
}

// The empty cells with at most one candidate (exclusion count 8 or 9); `exactlyOne` gets those
// with exactly one, `none` the empty cells without any.
Vector AtMostOneCandidate(const SolverState& s, Vector* exactlyOne, Vector* none = nullptr) {
  Vector once{}, twice{};
  for (const Vector& v : s.Candidates) {
    twice |= once & v;
    once |= v;
  }
  if (exactlyOne) *exactlyOne = once & ~twice;
  if (none) *none = s.Empty & ~once;
  return s.Empty & ~twice;
}

// The boxes (bit b for box b) in which a digit has at most one place left.
unsigned BoxesWithAtMostOnePlace(const Vector& all) {
  constexpr std::uint32_t LeftBox = 0x7 | 0x7 << 9 | 0x7 << 18;
  Vector byStack{};  // lane k: bit j when box 3k + j has at most one place
  for (unsigned j = 0; j < 3; ++j) {
    const Vector places = all & (LeftBox << (3 * j));
    const auto isSingle = (places & (places - 1)) == 0;  // all bits set where true
    Vector single;
    std::memcpy(&single, &isSingle, sizeof single);
    byStack |= single & (1u << j);
  }
  return byStack[0] | byStack[1] << 3 | byStack[2] << 6;
}

// The cells that hold anything but 0, in the sets' layout.
Cells3 GivenCells(const Board& cells) {
#if defined(__SSE2__)
  // Sixteen cells per comparison: bit i of `low` for cell i < 64, of `high` for cell 64 + i.
  const __m128i zero = _mm_setzero_si128();
  auto filled = [&](std::size_t first) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cells.data() + first));
    return static_cast<std::uint64_t>(~_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero)) & 0xFFFF);
  };
  const std::uint64_t low = filled(0) | filled(16) << 16 | filled(32) << 32 | filled(48) << 48;
  const std::uint64_t high = filled(64) | static_cast<std::uint64_t>(cells[80] != 0) << 16;
  return {static_cast<std::uint32_t>(low & AllBits),
          static_cast<std::uint32_t>((low >> 27) & AllBits),
          static_cast<std::uint32_t>(((low >> 54) | high << 10) & AllBits), 0};
#else
  Cells3 given{};
  for (std::size_t i = 0; i < 81; ++i) {
    given[i / 27] |= static_cast<std::uint32_t>(cells[i] != 0) << (i % 27);
  }
  return given;
#endif
}

void SetCell(SolverState& s, int cell, int digit) {
  s.Record.Cells[static_cast<std::size_t>(cell)] = static_cast<std::uint8_t>(digit);
}

}  // namespace

Rekursiv::Rekursiv() {
  for (auto& set : EmptyState.Candidates) set = Vector{AllBits, AllBits, AllBits, 0};
  EmptyState.Empty = Vector{AllBits, AllBits, AllBits, 0};
}

void Rekursiv::InitTables() {
  BoxStart = {0, 3, 6, 27, 30, 33, 54, 57, 60};
  for (int cell = 0; cell < CellCount; ++cell) {
    const int r = cell / 9, c = cell % 9, b = 3 * (r / 3) + c / 3;
    const auto i = static_cast<std::size_t>(cell);
    RowStart[i] = 9 * r;
    ColumnStart[i] = c;
    BoxStartOfCell[i] = BoxStart[static_cast<std::size_t>(b)];
    RowOf[i] = r;
    ColumnOf[i] = c;
    BoxOf[i] = b;
  }
  for (int d = 1; d <= 9; ++d) {
    DigitBit[static_cast<std::size_t>(d)] = static_cast<std::int16_t>(1 << (d - 1));
  }
  RowBits = ColumnBits = BoxBits = {};
  ColumnCells = {};
  for (int cell = 0; cell < CellCount; ++cell) {
    const auto i = static_cast<std::size_t>(cell);
    CellBit[i] = Vector{};
    CellBit[i][i / 27] = 1u << (i % 27);
    RowBits[static_cast<std::size_t>(RowOf[i])][i / 27] |= 1u << (i % 27);
    ColumnCells[static_cast<std::size_t>(ColumnOf[i])] |= CellBit[i];
    ColumnBits[static_cast<std::size_t>(ColumnOf[i])][i / 27] |= 1u << (i % 27);
    BoxBits[static_cast<std::size_t>(BoxOf[i])][i / 27] |= 1u << (i % 27);
  }
  // Check makes a module per file it judges, so the peers are put together from the units rather
  // than by comparing every pair of cells.
  for (std::size_t i = 0; i < CellCount; ++i) {
    PeerBits[i] = Load(RowBits[static_cast<std::size_t>(RowOf[i])]) |
                  Load(ColumnBits[static_cast<std::size_t>(ColumnOf[i])]) |
                  Load(BoxBits[static_cast<std::size_t>(BoxOf[i])]);
  }
}

void Rekursiv::SolveSudoku(PuzzleRecord& record) {
  Steps = 0;
  abandoned_ = false;
  Copy(State, EmptyState);
  State.Record = record;
  if (!LoadGivens(State)) return;
  if (State.Record.Filled > 18) {
    chainRepeated_ = false;
    const bool complete = FillAllSingles(State);
    // Every chained placement is forced, so a digit placed twice means there is no solution.
    if (chainRepeated_) return;
    if (complete) {
      State.Record.Status = 1;
      record = State.Record;
      return;
    }
  }
  SolutionCount = 0;
  Depth = 0;
  const SolverState* const end = SearchSolutions(&State);
  if (abandoned_) return;  // unfinished: the record stays as it was
  record = end->Record;
}

// Enters the givens in cell order; false at the first digit repeated in a row, column or box
// (the state is then discarded). The given cells are found first without a branch per cell, since
// whether a cell is given follows no pattern. The candidate sets are worked out once at the end: a
// digit excludes itself from the peers of every cell that holds it.
bool Rekursiv::LoadGivens(SolverState& s) const {
  const Cells3 given = GivenCells(s.Record.Cells);
  Vector seen[10] = {};
  for (std::size_t k = 0; k < 3; ++k) {
    for (std::uint32_t bits = given[k]; bits != 0; bits &= bits - 1) {
      const auto i = 27 * k + static_cast<std::size_t>(std::countr_zero(bits));
      const int d = s.Record.Cells[i];
      if (d > 9) return false;  // no digit: the record stays as it was, with Status 0
      const std::int16_t bit = DigitBit[static_cast<std::size_t>(d)];
      ++s.DigitCount[static_cast<std::size_t>(d)];
      seen[d] |= PeerBits[i];
      if (AddDigit(s.RowDigits[static_cast<std::size_t>(RowOf[i])], bit)) return false;
      if (AddDigit(s.ColumnDigits[static_cast<std::size_t>(ColumnOf[i])], bit)) return false;
      if (AddBox(s.BoxesWith[static_cast<std::size_t>(d)], BoxOf[i])) return false;
    }
  }
  s.Empty &= ~Load(given);
  s.Record.Filled = static_cast<std::uint8_t>(s.Record.Filled + std::popcount(given[0]) +
                                              std::popcount(given[1]) + std::popcount(given[2]));
  for (std::size_t d = 0; d < 9; ++d) s.Candidates[d] = s.Empty & ~seen[d + 1];
  return true;
}

[[gnu::always_inline]] inline void Rekursiv::PlaceDigit(SolverState& s, int cell) const {
  const auto i = static_cast<std::size_t>(cell);
  const int d = s.Record.Cells[i];
  const std::int16_t bit = DigitBit[static_cast<std::size_t>(d)];
  Occupy(s, CellBit[i], d);
  ++s.Record.Filled;
  s.Candidates[static_cast<std::size_t>(d - 1)] &= ~PeerBits[i];
  // Whether a bit was set already does not matter here, so it is not asked.
  s.RowDigits[static_cast<std::size_t>(RowOf[i])] |= static_cast<std::uint16_t>(bit);
  s.ColumnDigits[static_cast<std::size_t>(ColumnOf[i])] |= static_cast<std::uint16_t>(bit);
  s.BoxesWith[static_cast<std::size_t>(d)] |= static_cast<std::uint16_t>(1u << BoxOf[i]);
}

void Rekursiv::PlaceDigitChained(SolverState& s, int cell) {
  const auto i = static_cast<std::size_t>(cell);
  const int d = s.Record.Cells[i];
  const std::int16_t bit = DigitBit[static_cast<std::size_t>(d)];
  Occupy(s, CellBit[i], d);
  Vector& candidates = s.Candidates[static_cast<std::size_t>(d - 1)];
  // The peers in their fixed order: the row left to right, the column top to bottom, the box row
  // by row, each in increasing cell index. Only those still lacking d in their exclusions take
  // part; a peer left with one candidate gets it at once, and its own chain runs to its end before
  // the next peer of this cell is visited. Chains only ever take candidates away, so a peer is
  // looked at again when its turn comes.
  auto visit = [&](std::size_t k, std::uint32_t unit) {
    for (std::uint32_t peers = candidates[k] & unit; peers != 0; peers &= peers - 1) {
      const int peer = 27 * static_cast<int>(k) + std::countr_zero(peers);
      if (!Holds(candidates, peer)) continue;
      candidates &= ~CellBit[static_cast<std::size_t>(peer)];
      if (ExclusionCount(s, peer) != 8) continue;
      SetCell(s, peer, OnlyCandidate(s, peer));
      PlaceDigitChained(s, peer);
    }
  };
  // A row and a box lie within one word, a column spans all three.
  const auto rowWord = static_cast<std::size_t>(RowOf[i] / 3);
  visit(rowWord, RowBits[static_cast<std::size_t>(RowOf[i])][rowWord]);
  for (std::size_t k = 0; k < 3; ++k)
    visit(k, ColumnBits[static_cast<std::size_t>(ColumnOf[i])][k]);
  const auto boxWord = static_cast<std::size_t>(BoxOf[i] / 3);
  visit(boxWord, BoxBits[static_cast<std::size_t>(BoxOf[i])][boxWord]);
  chainRepeated_ |= AddDigit(s.RowDigits[static_cast<std::size_t>(RowOf[i])], bit);
  chainRepeated_ |= AddDigit(s.ColumnDigits[static_cast<std::size_t>(ColumnOf[i])], bit);
  chainRepeated_ |= AddBox(s.BoxesWith[static_cast<std::size_t>(d)], BoxOf[i]);
  ++s.Record.Filled;
}

// One pass over the cells; a cell counts with the exclusions it has when the pass reaches it.
bool Rekursiv::FillAllSingles(SolverState& s) {
  for (int from = 0;;) {
    Vector single;
    AtMostOneCandidate(s, &single);
    const int cell = FirstFrom(single, from);
    if (cell < 0) break;
    SetCell(s, cell, OnlyCandidate(s, cell));
    PlaceDigitChained(s, cell);
    from = cell + 1;
  }
  return s.Record.Filled > 80;
}

// The first empty cell in scan order (from LastCell + 1 to 80, then from 0) with 7 or more
// exclusions, else the first with the most; a cell without exclusions never beats the start,
// cell 0.
int Rekursiv::ChooseCell(const SolverState& s, int& exclusions) const {
  const CellCounts counts(s.Candidates);
  // The scan starts behind LastCell and wraps around to cell 0.
  const int from = LastCell + 1;
  auto firstInScanOrder = [from](Vector cells) {
    if (!Any(cells)) return -1;
    const int cell = from > 80 ? -1 : FirstFrom(cells, from);
    return cell >= 0 ? cell : FirstFrom(cells, 0);
  };
  const Vector& empty = s.Empty;
  int cell = firstInScanOrder(empty & counts.FewerThanThree());
  for (int n = 3; cell < 0 && n <= 8; ++n) cell = firstInScanOrder(empty & counts.Exactly(n));
  if (cell < 0) cell = 0;
  // The cell's candidates from the counts at hand; a filled cell is in no set, so it has 9.
  int candidates = 0;
  for (int p = 0; p < 4; ++p) candidates |= static_cast<int>(Holds(counts.Plane[p], cell)) << p;
  exclusions = 9 - candidates;
  return cell;
}

// One level of the search on the state `s`; returns the state it leaves as the current one.
SolverState* Rekursiv::SearchSolutions(SolverState* s) {
  // Giving up here cannot change what a finished search would say. The Status, and with Status 1
  // the Cells, depend only on the givens, since the search counts solutions exhaustively up to
  // the second. What an abandoned search leaves behind (LastCell, the per-depth result slots)
  // decides only which board a later search returns with Status 0 or 2, and Check's verdict never
  // reads those boards.
  if (++Steps > StepBudget && StepBudget != 0) {
    abandoned_ = true;
    return s;
  }
  int k = 0;
  const int c = ChooseCell(*s, k);
  LastCell = c;
  if (k > 8) return s;  // no candidate left

  if (k == 8) {  // a single: worked on in place, no branch
    SetCell(*s, c, OnlyCandidate(*s, c));
    PlaceDigit(*s, c);
    if (!FillRowSingles(*s) || !FillColumnSingles(*s) || !FillBoxSingles(*s)) return s;
    if (s->Record.Filled > 80) {
      ++SolutionCount;
      s->Record.Status = static_cast<std::int16_t>(SolutionCount > 1 ? 2 : 1);
      return s;
    }
    ++Depth;
    SolverState* const deeper = SearchSolutions(s);
    --Depth;
    return deeper;
  }

  const auto depth = static_cast<std::size_t>(Depth);
  ResultStates[depth].Record.Status = 0;
  // The cell's candidates, bit d − 1 for digit d, taken once: `s` stays as it is while they are
  // tried.
  unsigned digits = 0;
  for (std::size_t d = 0; d < 9; ++d)
    digits |= static_cast<unsigned>(Holds(s->Candidates[d], c)) << d;
  int t = k;  // reaches 9 with the cell's last candidate
  for (; digits != 0; digits &= digits - 1) {
    const int d = std::countr_zero(digits) + 1;
    SolverState* const trial = &TrialStates[depth];
    Copy(*trial, *s);
    ++t;
    SetCell(*trial, c, d);
    PlaceDigit(*trial, c);

    if (trial->Record.Filled >= 43) {  // dense enough for the forced placements
      if (!FillRowSingles(*trial) || !FillColumnSingles(*trial) || !FillBoxSingles(*trial)) {
        continue;  // back to `s`, untouched
      }
      if (trial->Record.Filled > 80) {
        ++SolutionCount;
        if (SolutionCount > 1) {
          trial->Record.Status = 2;
          return trial;
        }
        trial->Record.Status = 1;
        if (t == 9) return trial;  // the last candidate: this state holds the solution
        Copy(ResultStates[depth], *trial);
        continue;
      }
    }

    ++Depth;
    SolverState* const found = SearchSolutions(trial);
    if (SolutionCount > 1 || abandoned_) return found;  // the second solution, or given up
    --Depth;
    if (found->Record.Status > 0) {
      if (t == 9) return found;
      Copy(ResultStates[depth], *found);
    }
  }
  return &ResultStates[depth];
}

// The units (bit u for unit u) whose digit sets lack exactly one digit, found without a branch per
// unit: which ones they are follows no pattern. Placing a unit's ninth digit changes no other
// unit of the same kind, so the set holds for a whole pass.
static unsigned UnitsLackingOne(const std::array<std::uint16_t, 9>& digits) {
  unsigned units = 0;
#pragma GCC unroll 9
  for (std::size_t u = 0; u < 9; ++u)
    units |= static_cast<unsigned>(LackedDigit[digits[u]] != 0) << u;
  return units;
}

// A row with eight digits gets the ninth in its first empty cell, unless that cell excludes it.
[[gnu::always_inline]] inline bool Rekursiv::FillRowSingles(SolverState& s) const {
  for (unsigned rows = UnitsLackingOne(s.RowDigits); rows != 0; rows &= rows - 1) {
    const int r = std::countr_zero(rows);
    const int d = LackedDigit[s.RowDigits[static_cast<std::size_t>(r)]];
    const std::uint32_t empty =
        (s.Empty[static_cast<std::size_t>(r / 3)] >> (9 * (r % 3))) & 0x1FFu;
    if (empty == 0) continue;  // no empty cell in the row
    const int cell = 9 * r + std::countr_zero(empty);
    if (!Holds(s.Candidates[static_cast<std::size_t>(d - 1)], cell)) return false;
    SetCell(s, cell, d);
    PlaceDigit(s, cell);
  }
  return true;
}

[[gnu::always_inline]] inline bool Rekursiv::FillColumnSingles(SolverState& s) const {
  for (unsigned columns = UnitsLackingOne(s.ColumnDigits); columns != 0; columns &= columns - 1) {
    const int c = std::countr_zero(columns);
    const int d = LackedDigit[s.ColumnDigits[static_cast<std::size_t>(c)]];
    const int cell = FirstFrom(s.Empty & ColumnCells[static_cast<std::size_t>(c)], 0);
    if (cell < 0) continue;  // no empty cell in the column
    if (!Holds(s.Candidates[static_cast<std::size_t>(d - 1)], cell)) return false;
    SetCell(s, cell, d);
    PlaceDigit(s, cell);
  }
  return true;
}

bool Rekursiv::FillBoxSingles(SolverState& s) const {
  for (int d = 1; d <= 9; ++d) {
    const int placed = s.DigitCount[static_cast<std::size_t>(d)];
    if (placed < 3 || placed > 8) continue;
    const Vector& candidates = s.Candidates[static_cast<std::size_t>(d - 1)];
    const unsigned lacking = ~s.BoxesWith[static_cast<std::size_t>(d)] & 0x1FFu;
    if (placed >= 7) {
      // One or two boxes lack d: each looked at in turn with the places it has then, which is
      // what the general way below finds too, for less.
      for (unsigned left = lacking; left != 0; left &= left - 1) {
        const int b = std::countr_zero(left);
        const auto k = static_cast<std::size_t>(b / 3);
        const std::uint32_t places = candidates[k] & BoxBits[static_cast<std::size_t>(b)][k];
        if ((places & (places - 1)) != 0) continue;  // two places or more
        if (places == 0) return false;
        const int cell = 27 * static_cast<int>(k) + std::countr_zero(places);
        SetCell(s, cell, d);
        PlaceDigit(s, cell);
      }
      continue;
    }
    // Boxes without d, in order, that have no place or one place left for it. A placement only
    // takes places away, so the boxes after it are looked at again.
    for (unsigned from = 0;;) {
      const unsigned due = BoxesWithAtMostOnePlace(candidates) & lacking & (0x1FFu << from);
      if (due == 0) break;
      const int b = std::countr_zero(due);
      // A box lies within one word; its cells in index order are its cells row by row.
      const auto k = static_cast<std::size_t>(b / 3);
      const std::uint32_t places = candidates[k] & BoxBits[static_cast<std::size_t>(b)][k];
      if (places == 0) return false;  // no place left for d in this box
      const int cell = 27 * static_cast<int>(k) + std::countr_zero(places);
      SetCell(s, cell, d);
      PlaceDigit(s, cell);
      from = static_cast<unsigned>(b) + 1;
    }
  }
  const int filled = s.Record.Filled;
  if (filled > 40 && filled < 81) return SweepSingles(s);
  return true;
}

// Passes repeat only with at most three empty cells, and one of those is always alone in its row,
// column or box, so each repeated pass places a digit or finds a contradiction.
bool Rekursiv::SweepSingles(SolverState& s) const {
  for (;;) {
    for (int from = 0;;) {
      Vector none;
      const int cell = FirstFrom(AtMostOneCandidate(s, nullptr, &none), from);
      if (cell < 0) break;
      if (Holds(none, cell)) return false;  // no candidate left
      SetCell(s, cell, OnlyCandidate(s, cell));
      PlaceDigit(s, cell);
      if (s.Record.Filled > 80) return true;
      from = cell + 1;
    }
    if (s.Record.Filled <= 77) return true;
  }
}

}  // namespace kit
