#include "LibraryAnswers.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "FileError.h"
#include "PuzzleLines.h"

namespace runner {
namespace {

// "Zeile R, Spalte C" of a cell, counted from 1.
std::string Place(std::size_t cell) {
  return "Zeile " + std::to_string(cell / 9 + 1) + ", Spalte " + std::to_string(cell % 9 + 1);
}

bool Written(const host::AnswerSlot& slot) {
  return slot.Solution[0] != host::NoSolution;
}

// The value at rank ⌈p·n⌉ of `values` (nearest rank), which it partly reorders.
double Percentile(std::vector<double>& values, double p) {
  const auto n = values.size();
  const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(n)));
  const auto at =
      values.begin() + static_cast<std::ptrdiff_t>(std::clamp<std::size_t>(rank, 1, n) - 1);
  std::nth_element(values.begin(), at, values.end());
  return *at;
}

}  // namespace

const checker::Declarations LibraryDeclarations = {
    {"keine Lösung (Anzahl 0)", "genau eine Lösung (Anzahl 1)", "mehrere Lösungen (Anzahl 2)"},
    true};
const checker::Declarations LibraryCountDeclarations = {
    {"keine Lösung (Anzahl 0)", "genau eine Lösung (Anzahl 1)", "mehrere Lösungen (Anzahl 2)"},
    true,
    true};

bool GivesSolutions(const std::vector<host::AnswerSlot>& slots) {
  bool one = false;
  for (const host::AnswerSlot& slot : slots) {
    if (slot.Found != 1) continue;
    if (Written(slot)) return true;
    one = true;
  }
  return !one;
}

bool LibraryAnswers::Next(const kit::Board& givens, kit::PuzzleRecord& answer,
                          std::string& reason) {
  const host::AnswerSlot& slot = slots_.at(next_++);
  answer = {};
  answer.Status = static_cast<std::int16_t>(std::min<std::size_t>(slot.Found, 2));
  if (answer.Status == 2) {
    answer.Cells = givens;  // a count, judged by the puzzle having several solutions
    return true;
  }
  if (answer.Status == 0 || !solutions_) return true;
  if (!Written(slot)) {
    reason = "Die Bibliothek gibt die Anzahl 1, aber keine Lösung zurück.";
    return false;
  }
  for (std::size_t i = 0; i < answer.Cells.size(); ++i) {
    const char c = slot.Solution[i];
    if (c < '1' || c > '9') {
      reason = "Die Lösung der Bibliothek hat an " + Place(i) + " " + kit::ShownByte(c) +
               " statt einer Ziffer 1–9.";
      return false;
    }
    answer.Cells[i] = static_cast<std::uint8_t>(c - '0');
  }
  return true;
}

record::PuzzleTimes PassFigures(const std::vector<host::AnswerSlot>& slots,
                                const std::filesystem::path& collection) {
  record::PuzzleTimes t;
  t.SolutionsGiven = GivesSolutions(slots);
  t.Histogram.assign(record::PuzzleTimeBins, 0);
  if (slots.empty()) return t;
  std::vector<double> us(slots.size());
  bool guesses = false;
  std::int64_t total = 0;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    us[i] = slots[i].Seconds * 1e6;
    ++t.Histogram[static_cast<std::size_t>(record::PuzzleTimeBin(us[i]))];
    if (slots[i].Guesses == host::NoGuesses) continue;
    guesses = true;
    total += static_cast<std::int64_t>(slots[i].Guesses);
    t.WithoutGuess += slots[i].Guesses == 0 ? 1 : 0;
  }
  if (guesses) t.Guesses = total;
  // The ten slowest, the earlier of equals first.
  std::vector<std::size_t> order(slots.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  const auto ten =
      order.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(10, order.size()));
  std::partial_sort(order.begin(), ten, order.end(), [&us](std::size_t a, std::size_t b) {
    return us[a] > us[b] || (us[a] == us[b] && a < b);
  });
  for (auto it = order.begin(); it != ten; ++it) {
    const host::AnswerSlot& slot = slots[*it];
    record::SlowPuzzle slow{static_cast<std::int64_t>(*it) + 1, std::nullopt, us[*it],
                            std::nullopt};
    if (slot.Guesses != host::NoGuesses) slow.Guesses = static_cast<std::int64_t>(slot.Guesses);
    t.Slowest.push_back(slow);
  }
  if (!collection.empty()) {
    std::int64_t number = 0;
    kit::ReadPuzzleLines(collection, slots.size(),
                         kit::NumberedPuzzleSink([&](const kit::Board&, long long line) {
                           ++number;
                           for (record::SlowPuzzle& slow : t.Slowest) {
                             if (slow.Number == number) slow.Line = line;
                           }
                         }));
  }
  t.Max = *std::max_element(us.begin(), us.end());
  t.P50 = Percentile(us, 0.5);
  t.P90 = Percentile(us, 0.9);
  t.P99 = Percentile(us, 0.99);
  return t;
}

}  // namespace runner
