#include "Rekursiv.h"

#include "CellBits.h"

#include <bit>
#include <cstring>

namespace kit {
namespace {

constexpr std::uint32_t AllBits = 0x7FFFFFF;  // the 27 cells of a word

using Cells3 = std::array<std::uint32_t, 4>;  // word 3 stays zero
using Vector = CellVector;

Vector Load(const Cells3& set) {
  return LoadCells(set);
}

Cells3 Store(Vector v) {
  Cells3 set;
  std::memcpy(set.data(), &v, sizeof v);
  return set;
}

bool Holds(const Cells3& set, int cell) {
  return (set[static_cast<std::size_t>(cell / 27)] >> (cell % 27)) & 1u;
}

void Remove(Cells3& set, int cell) {
  set[static_cast<std::size_t>(cell / 27)] &= ~(1u << (cell % 27));
}

// The lowest cell of a set at or after `from`, or −1.
int FirstFrom(const Cells3& set, int from) {
  for (int k = from / 27; k < 3; ++k) {
    std::uint32_t bits = set[static_cast<std::size_t>(k)];
    if (k == from / 27) bits &= AllBits << (from % 27);
    if (bits != 0) return 27 * k + std::countr_zero(bits);
  }
  return -1;
}

// Adds digit bit `bit` to a set where it is missing. Returns whether it was there already.
bool AddDigit(DigitSet& set, std::int16_t bit) {
  if (set.Mask & bit) return true;
  set.Mask = static_cast<std::int16_t>(set.Mask | bit);
  ++set.Count;
  return false;
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
  for (const Cells3& set : s.Candidates) candidates += Holds(set, cell);
  return 9 - candidates;
}

// The digit of a cell with exactly one candidate: the one its exclusions lack.
int OnlyCandidate(const SolverState& s, int cell) {
  for (int d = 0; d < 9; ++d) {
    if (Holds(s.Candidates[static_cast<std::size_t>(d)], cell)) return d + 1;
  }
  return 9;  // no candidate; never asked then
}

// A cell gets a digit: it is no longer empty, its exclusions become all nine digits, and the
// digit is counted. Its peers are left to the caller, which takes them in its own order.
void Occupy(SolverState& s, int cell, int digit) {
  for (Cells3& set : s.Candidates) Remove(set, cell);
  Remove(s.Empty, cell);
  ++s.DigitCount[static_cast<std::size_t>(digit)];
}

// The empty cells with at most one candidate (exclusion count 8 or 9); `exactlyOne` gets those
// with exactly one.
Cells3 AtMostOneCandidate(const SolverState& s, Cells3* exactlyOne) {
  Vector once{}, twice{};
  for (const Cells3& set : s.Candidates) {
    const Vector v = Load(set);
    twice |= once & v;
    once |= v;
  }
  if (exactlyOne) *exactlyOne = Store(once & ~twice);
  return Store(Load(s.Empty) & ~twice);
}

// The boxes (bit b for box b) in which a digit has at most one place left.
unsigned BoxesWithAtMostOnePlace(const Cells3& candidates) {
  constexpr std::uint32_t LeftBox = 0x7 | 0x7 << 9 | 0x7 << 18;
  const Vector all = Load(candidates);
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

void SetCell(SolverState& s, int cell, int digit) {
  s.Record.Cells[static_cast<std::size_t>(cell)] = static_cast<std::uint8_t>(digit);
}

}  // namespace

Rekursiv::Rekursiv() {
  for (auto& set : EmptyState.Candidates) set = {AllBits, AllBits, AllBits, 0};
  EmptyState.Empty = {AllBits, AllBits, AllBits, 0};
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
  for (int cell = 0; cell < CellCount; ++cell) {
    const auto i = static_cast<std::size_t>(cell);
    PeerBits[i] = {};
    for (int other = 0; other < CellCount; ++other) {
      const auto j = static_cast<std::size_t>(other);
      if (RowOf[i] == RowOf[j] || ColumnOf[i] == ColumnOf[j] || BoxOf[i] == BoxOf[j]) {
        PeerBits[i][j / 27] |= 1u << (j % 27);
      }
    }
    RowBits[static_cast<std::size_t>(RowOf[i])][i / 27] |= 1u << (i % 27);
    ColumnBits[static_cast<std::size_t>(ColumnOf[i])][i / 27] |= 1u << (i % 27);
    BoxBits[static_cast<std::size_t>(BoxOf[i])][i / 27] |= 1u << (i % 27);
  }
}

int Rekursiv::MissingDigit(std::int16_t mask) {
  if (mask >= 510) return 1;
  if (mask >= 508) return 2;
  if (mask >= 504) return 3;
  if (mask >= 496) return 4;
  if (mask >= 495) return 5;
  if (mask >= 448) return 6;
  if (mask >= 384) return 7;
  if (mask >= 257) return 8;
  return 9;
}

void Rekursiv::SolveSudoku(PuzzleRecord& record) {
  Steps = 0;
  abandoned_ = false;
  State = EmptyState;
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
  Cells3 given{};
  for (std::size_t i = 0; i < 81; ++i) {
    given[i / 27] |= static_cast<std::uint32_t>(s.Record.Cells[i] != 0) << (i % 27);
  }
  Cells3 seen[10] = {};
  for (std::size_t k = 0; k < 3; ++k) {
    for (std::uint32_t bits = given[k]; bits != 0; bits &= bits - 1) {
      const auto i = 27 * k + static_cast<std::size_t>(std::countr_zero(bits));
      const int d = s.Record.Cells[i];
      if (d > 9) return false;  // no digit: the record stays as it was, with Status 0
      const std::int16_t bit = DigitBit[static_cast<std::size_t>(d)];
      ++s.DigitCount[static_cast<std::size_t>(d)];
      seen[d] = Store(Load(seen[d]) | Load(PeerBits[i]));
      if (AddDigit(s.RowSets[static_cast<std::size_t>(RowOf[i])], bit)) return false;
      if (AddDigit(s.ColumnSets[static_cast<std::size_t>(ColumnOf[i])], bit)) return false;
      if (AddBox(s.BoxesWith[static_cast<std::size_t>(d)], BoxOf[i])) return false;
    }
  }
  s.Empty = Store(Load(s.Empty) & ~Load(given));
  s.Record.Filled = static_cast<std::uint8_t>(s.Record.Filled + std::popcount(given[0]) +
                                              std::popcount(given[1]) + std::popcount(given[2]));
  for (std::size_t d = 0; d < 9; ++d) s.Candidates[d] = Store(Load(s.Empty) & ~Load(seen[d + 1]));
  return true;
}

void Rekursiv::PlaceDigit(SolverState& s, int cell) const {
  const auto i = static_cast<std::size_t>(cell);
  const int d = s.Record.Cells[i];
  const std::int16_t bit = DigitBit[static_cast<std::size_t>(d)];
  Occupy(s, cell, d);
  ++s.Record.Filled;
  Cells3& candidates = s.Candidates[static_cast<std::size_t>(d - 1)];
  for (std::size_t k = 0; k < 3; ++k) candidates[k] &= ~PeerBits[i][k];
  AddDigit(s.RowSets[static_cast<std::size_t>(RowOf[i])], bit);
  AddDigit(s.ColumnSets[static_cast<std::size_t>(ColumnOf[i])], bit);
  AddBox(s.BoxesWith[static_cast<std::size_t>(d)], BoxOf[i]);
}

void Rekursiv::PlaceDigitChained(SolverState& s, int cell) {
  const auto i = static_cast<std::size_t>(cell);
  const int d = s.Record.Cells[i];
  const std::int16_t bit = DigitBit[static_cast<std::size_t>(d)];
  Occupy(s, cell, d);
  Cells3& candidates = s.Candidates[static_cast<std::size_t>(d - 1)];
  // The peers in their fixed order: the row left to right, the column top to bottom, the box row
  // by row, each in increasing cell index. Only those still lacking d in their exclusions take
  // part; a peer left with one candidate gets it at once, and its own chain runs to its end before
  // the next peer of this cell is visited. Chains only ever take candidates away, so a peer is
  // looked at again when its turn comes.
  auto visit = [&](std::size_t k, std::uint32_t unit) {
    for (std::uint32_t peers = candidates[k] & unit; peers != 0; peers &= peers - 1) {
      const int peer = 27 * static_cast<int>(k) + std::countr_zero(peers);
      if (!Holds(candidates, peer)) continue;
      Remove(candidates, peer);
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
  chainRepeated_ |= AddDigit(s.RowSets[static_cast<std::size_t>(RowOf[i])], bit);
  chainRepeated_ |= AddDigit(s.ColumnSets[static_cast<std::size_t>(ColumnOf[i])], bit);
  chainRepeated_ |= AddBox(s.BoxesWith[static_cast<std::size_t>(d)], BoxOf[i]);
  ++s.Record.Filled;
}

// One pass over the cells; a cell counts with the exclusions it has when the pass reaches it.
bool Rekursiv::FillAllSingles(SolverState& s) {
  for (int from = 0;;) {
    Cells3 single;
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
int Rekursiv::ChooseCell(const SolverState& s) const {
  const CellCounts counts(s.Candidates);
  // The scan starts behind LastCell and wraps around to cell 0.
  const int from = LastCell + 1;
  auto firstInScanOrder = [from](Vector cells) {
    if ((cells[0] | cells[1] | cells[2]) == 0) return -1;
    const Cells3 set = Store(cells);
    const int cell = from > 80 ? -1 : FirstFrom(set, from);
    return cell >= 0 ? cell : FirstFrom(set, 0);
  };
  const Vector empty = Load(s.Empty);
  int cell = firstInScanOrder(empty & counts.FewerThanThree());
  for (int n = 3; cell < 0 && n <= 8; ++n) cell = firstInScanOrder(empty & counts.Exactly(n));
  return cell < 0 ? 0 : cell;
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
  const int c = ChooseCell(*s);
  LastCell = c;
  const int k = ExclusionCount(*s, c);
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
  int t = k;  // reaches 9 with the cell's last candidate
  for (int d = 1; d <= 9; ++d) {
    if (!Holds(s->Candidates[static_cast<std::size_t>(d - 1)], c)) continue;  // excluded
    SolverState* const trial = &TrialStates[depth];
    *trial = *s;
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
        ResultStates[depth] = *trial;
        continue;
      }
    }

    ++Depth;
    SolverState* const found = SearchSolutions(trial);
    if (SolutionCount > 1 || abandoned_) return found;  // the second solution, or given up
    --Depth;
    if (found->Record.Status > 0) {
      if (t == 9) return found;
      ResultStates[depth] = *found;
    }
  }
  return &ResultStates[depth];
}

// A row with eight digits gets the ninth in its first empty cell, unless that cell excludes it.
bool Rekursiv::FillRowSingles(SolverState& s) const {
  for (int r = 0; r < 9; ++r) {
    const DigitSet& row = s.RowSets[static_cast<std::size_t>(r)];
    if (row.Count != 8) continue;
    const int d = MissingDigit(row.Mask);
    const int cell = FirstFrom(s.Empty, 9 * r);
    if (cell < 0 || cell >= 9 * r + 9) continue;  // no empty cell in the row
    if (!Holds(s.Candidates[static_cast<std::size_t>(d - 1)], cell)) return false;
    SetCell(s, cell, d);
    PlaceDigit(s, cell);
  }
  return true;
}

bool Rekursiv::FillColumnSingles(SolverState& s) const {
  for (int c = 0; c < 9; ++c) {
    const DigitSet& column = s.ColumnSets[static_cast<std::size_t>(c)];
    if (column.Count != 8) continue;
    const int d = MissingDigit(column.Mask);
    int cell = c;
    while (cell < 81 && !Holds(s.Empty, cell)) cell += 9;
    if (cell >= 81) continue;  // no empty cell in the column
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
    const Cells3& candidates = s.Candidates[static_cast<std::size_t>(d - 1)];
    const unsigned lacking = ~s.BoxesWith[static_cast<std::size_t>(d)] & 0x1FFu;
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
      const int cell = FirstFrom(AtMostOneCandidate(s, nullptr), from);
      if (cell < 0) break;
      if (ExclusionCount(s, cell) == 9) return false;
      SetCell(s, cell, OnlyCandidate(s, cell));
      PlaceDigit(s, cell);
      if (s.Record.Filled > 80) return true;
      from = cell + 1;
    }
    if (s.Record.Filled <= 77) return true;
  }
}

}  // namespace kit
