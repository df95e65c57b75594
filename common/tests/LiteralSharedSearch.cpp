#include "LiteralSharedSearch.h"

namespace kit::literal {
namespace {

// Adds digit bit `bit` to a set where it is missing. Returns whether it was there already.
bool AddDigit(DigitSet& set, std::int16_t bit) {
  if (set.Mask & bit) return true;
  set.Mask = static_cast<std::int16_t>(set.Mask | bit);
  ++set.Count;
  return false;
}

constexpr std::int16_t AllDigitsMask = 511;

}  // namespace

void LiteralRekursiv::InitTables() {
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
  for (int d = 1; d <= 9; ++d)
    DigitBit[static_cast<std::size_t>(d)] = static_cast<std::int16_t>(1 << (d - 1));
}

int LiteralRekursiv::MissingDigit(std::int16_t mask) {
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

void LiteralRekursiv::SolveSudoku(kit::PuzzleRecord& record) {
  Steps = 0;
  State = EmptyState;
  State.Record = record;
  if (!LoadGivens()) return;
  if (State.Record.Filled > 18) {
    chainRepeated_ = false;
    const bool complete = FillAllSingles();
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
  SearchSolutions();
  record = State.Record;
}

// The peers of a cell in their fixed order: its row left to right, its column top to bottom, its
// box row by row; the cell itself is part of each. Empty cells that lack the digit get it.
void LiteralRekursiv::AddToPeers(int cell, std::int16_t bit) {
  const auto i = static_cast<std::size_t>(cell);
  auto add = [&](int peer) { AddDigit(State.CellSets[static_cast<std::size_t>(peer)], bit); };
  for (int p = RowStart[i]; p < RowStart[i] + 9; ++p) add(p);
  for (int p = ColumnStart[i]; p < 81; p += 9) add(p);
  for (int p = BoxStartOfCell[i], row = 0; row < 3; ++row, p += 6) {
    for (int k = 0; k < 3; ++k, ++p) add(p);
  }
}

bool LiteralRekursiv::LoadGivens() {
  for (int cell = 0; cell < CellCount; ++cell) {
    const auto i = static_cast<std::size_t>(cell);
    const int d = State.Record.Cells[i];
    if (d == 0) continue;
    if (d > 9) return false;  // no digit: the record stays as it was, with Status 0
    const std::int16_t bit = DigitBit[static_cast<std::size_t>(d)];
    ++State.DigitCount[static_cast<std::size_t>(d)];
    ++State.Record.Filled;
    State.CellSets[i] = {9, AllDigitsMask};
    AddToPeers(cell, bit);
    if (AddDigit(State.RowSets[static_cast<std::size_t>(RowOf[i])], bit)) return false;
    if (AddDigit(State.ColumnSets[static_cast<std::size_t>(ColumnOf[i])], bit)) return false;
    if (AddDigit(State.BoxSets[static_cast<std::size_t>(BoxOf[i])], bit)) return false;
  }
  return true;
}

void LiteralRekursiv::PlaceDigit(int cell) {
  const auto i = static_cast<std::size_t>(cell);
  const int d = State.Record.Cells[i];
  const std::int16_t bit = DigitBit[static_cast<std::size_t>(d)];
  ++State.DigitCount[static_cast<std::size_t>(d)];
  ++State.Record.Filled;
  State.CellSets[i] = {9, AllDigitsMask};
  AddToPeers(cell, bit);
  AddDigit(State.RowSets[static_cast<std::size_t>(RowOf[i])], bit);
  AddDigit(State.ColumnSets[static_cast<std::size_t>(ColumnOf[i])], bit);
  AddDigit(State.BoxSets[static_cast<std::size_t>(BoxOf[i])], bit);
}

void LiteralRekursiv::PlaceDigitChained(int cell) {
  const auto i = static_cast<std::size_t>(cell);
  const int d = State.Record.Cells[i];
  const std::int16_t bit = DigitBit[static_cast<std::size_t>(d)];
  ++State.DigitCount[static_cast<std::size_t>(d)];
  State.CellSets[i] = {9, AllDigitsMask};
  // A peer left with one candidate gets it at once, and its own chain runs to its end before the
  // next peer of this cell is visited.
  auto visit = [&](int peer) {
    DigitSet& set = State.CellSets[static_cast<std::size_t>(peer)];
    if (AddDigit(set, bit) || set.Count != 8) return;
    State.Record.Cells[static_cast<std::size_t>(peer)] =
        static_cast<std::uint8_t>(MissingDigit(set.Mask));
    PlaceDigitChained(peer);
  };
  for (int p = RowStart[i]; p < RowStart[i] + 9; ++p) visit(p);
  for (int p = ColumnStart[i]; p < 81; p += 9) visit(p);
  for (int p = BoxStartOfCell[i], row = 0; row < 3; ++row, p += 6) {
    for (int k = 0; k < 3; ++k, ++p) visit(p);
  }
  chainRepeated_ |= AddDigit(State.RowSets[static_cast<std::size_t>(RowOf[i])], bit);
  chainRepeated_ |= AddDigit(State.ColumnSets[static_cast<std::size_t>(ColumnOf[i])], bit);
  chainRepeated_ |= AddDigit(State.BoxSets[static_cast<std::size_t>(BoxOf[i])], bit);
  ++State.Record.Filled;
}

bool LiteralRekursiv::FillAllSingles() {
  for (int cell = 0; cell < CellCount; ++cell) {
    const DigitSet& set = State.CellSets[static_cast<std::size_t>(cell)];
    if (set.Count != 8) continue;
    State.Record.Cells[static_cast<std::size_t>(cell)] =
        static_cast<std::uint8_t>(MissingDigit(set.Mask));
    PlaceDigitChained(cell);
  }
  return State.Record.Filled > 80;
}

int LiteralRekursiv::ChooseCell() const {
  int best = 0, bestCount = 0;
  auto consider = [&](int cell) {
    if (State.Record.Cells[static_cast<std::size_t>(cell)] != 0) return false;
    const int count = State.CellSets[static_cast<std::size_t>(cell)].Count;
    if (count <= bestCount) return false;
    best = cell;
    bestCount = count;
    return count > 6;
  };
  for (int cell = LastCell + 1; cell <= 80; ++cell) {
    if (consider(cell)) return best;
  }
  for (int cell = 0; cell <= LastCell; ++cell) {
    if (consider(cell)) return best;
  }
  return best;
}

void LiteralRekursiv::SearchSolutions() {
  ++Steps;
  const int c = ChooseCell();
  LastCell = c;
  const auto ci = static_cast<std::size_t>(c);
  const int k = State.CellSets[ci].Count;
  if (k > 8) return;  // no candidate left

  if (k == 8) {  // a single: no branch, no snapshot
    State.Record.Cells[ci] = static_cast<std::uint8_t>(MissingDigit(State.CellSets[ci].Mask));
    PlaceDigit(c);
    if (!FillRowSingles() || !FillColumnSingles() || !FillBoxSingles()) return;
    if (State.Record.Filled > 80) {
      ++SolutionCount;
      State.Record.Status = static_cast<std::int16_t>(SolutionCount > 1 ? 2 : 1);
      return;
    }
    ++Depth;
    SearchSolutions();
    --Depth;
    return;
  }

  const auto depth = static_cast<std::size_t>(Depth);
  ResultStates[depth].Record.Status = 0;
  int t = k;  // reaches 9 with the cell's last candidate
  for (int d = 1; d <= 9; ++d) {
    if (State.CellSets[ci].Mask & DigitBit[static_cast<std::size_t>(d)]) continue;
    SavedStates[depth] = State;
    ++t;
    State.Record.Cells[ci] = static_cast<std::uint8_t>(d);
    PlaceDigit(c);

    if (State.Record.Filled >= 43) {  // dense enough for the forced placements
      if (!FillRowSingles() || !FillColumnSingles() || !FillBoxSingles()) {
        State = SavedStates[depth];
        continue;
      }
      if (State.Record.Filled > 80) {
        ++SolutionCount;
        if (SolutionCount > 1) {
          State.Record.Status = 2;
          return;
        }
        State.Record.Status = 1;
        if (t == 9) return;  // the last candidate: State holds the solution
        ResultStates[depth] = State;
        State = SavedStates[depth];
        continue;
      }
    }

    ++Depth;
    SearchSolutions();
    if (SolutionCount > 1) return;  // State holds the second solution
    --Depth;
    if (State.Record.Status > 0) {
      if (t == 9) return;
      ResultStates[depth] = State;
    }
    State = SavedStates[depth];
  }
  State = ResultStates[depth];
}

bool LiteralRekursiv::FillRowSingles() {
  for (int r = 0; r < 9; ++r) {
    const DigitSet& row = State.RowSets[static_cast<std::size_t>(r)];
    if (row.Count != 8) continue;
    const int d = MissingDigit(row.Mask);
    for (int cell = 9 * r; cell < 9 * r + 9; ++cell) {
      if (State.Record.Cells[static_cast<std::size_t>(cell)] != 0) continue;
      if (State.CellSets[static_cast<std::size_t>(cell)].Mask &
          DigitBit[static_cast<std::size_t>(d)])
        return false;
      State.Record.Cells[static_cast<std::size_t>(cell)] = static_cast<std::uint8_t>(d);
      PlaceDigit(cell);
      break;
    }
  }
  return true;
}

bool LiteralRekursiv::FillColumnSingles() {
  for (int c = 0; c < 9; ++c) {
    const DigitSet& column = State.ColumnSets[static_cast<std::size_t>(c)];
    if (column.Count != 8) continue;
    const int d = MissingDigit(column.Mask);
    for (int cell = c; cell < 81; cell += 9) {
      if (State.Record.Cells[static_cast<std::size_t>(cell)] != 0) continue;
      if (State.CellSets[static_cast<std::size_t>(cell)].Mask &
          DigitBit[static_cast<std::size_t>(d)])
        return false;
      State.Record.Cells[static_cast<std::size_t>(cell)] = static_cast<std::uint8_t>(d);
      PlaceDigit(cell);
      break;
    }
  }
  return true;
}

bool LiteralRekursiv::FillBoxSingles() {
  for (int d = 1; d <= 9; ++d) {
    const int placed = State.DigitCount[static_cast<std::size_t>(d)];
    if (placed < 3 || placed > 8) continue;
    const std::int16_t bit = DigitBit[static_cast<std::size_t>(d)];
    for (int b = 0; b < 9; ++b) {
      if (State.BoxSets[static_cast<std::size_t>(b)].Mask & bit) continue;
      int place = -1, found = 0;
      for (int p = BoxStart[static_cast<std::size_t>(b)], row = 0; row < 3 && found < 2;
           ++row, p += 6) {
        for (int k = 0; k < 3 && found < 2; ++k, ++p) {
          if ((State.CellSets[static_cast<std::size_t>(p)].Mask & bit) == 0) {
            place = p;
            ++found;
          }
        }
      }
      if (found == 0) return false;  // no place left for d in this box
      if (found == 1) {
        State.Record.Cells[static_cast<std::size_t>(place)] = static_cast<std::uint8_t>(d);
        PlaceDigit(place);
      }
    }
  }
  const int filled = State.Record.Filled;
  if (filled > 40 && filled < 81) return SweepSingles();
  return true;
}

// Passes repeat only with at most three empty cells, and one of those is always alone in its row,
// column or box, so each repeated pass places a digit or finds a contradiction.
bool LiteralRekursiv::SweepSingles() {
  for (;;) {
    for (int cell = 0; cell < CellCount; ++cell) {
      const auto i = static_cast<std::size_t>(cell);
      if (State.Record.Cells[i] != 0 || State.CellSets[i].Count < 8) continue;
      if (State.CellSets[i].Count == 9) return false;
      State.Record.Cells[i] = static_cast<std::uint8_t>(MissingDigit(State.CellSets[i].Mask));
      PlaceDigit(cell);
      if (State.Record.Filled > 80) return true;
    }
    if (State.Record.Filled <= 77) return true;
  }
}

}  // namespace kit::literal
