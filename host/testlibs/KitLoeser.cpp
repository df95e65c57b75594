// Solver libraries of the kit's own behind the field's common signature: Quadrin's search, a
// function that returns at once (the floor of what a call costs), and faults at puzzle k (k the
// configuration): a wrong count, a crash, a hang, a write into the puzzle; and one that counts
// but never gives a solution. Quadrin's search writes a solution only for a puzzle with exactly
// one, and never writes guesses, since it does not count them.
#include <signal.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "PuzzleSlots.h"
#include "SolverRekursiv.h"

namespace {

quadrin::Rekursiv& Search() {
  static quadrin::Rekursiv search;
  return search;
}

// The count up to `limit`, the solution where there is exactly one.
std::size_t Solve(const char* puzzle, std::size_t limit, char* solution, bool giveSolution) {
  quadrin::Rekursiv& search = Search();
  for (std::size_t i = 0; i < kit::CellCount; ++i) {
    const char c = puzzle[i];
    search.SolverInput.Cells[i] = c >= '1' && c <= '9' ? c - '0' : 0;
  }
  search.SolvePuzzle();
  const auto found = static_cast<std::size_t>(search.SolutionCount);
  if (found == 1 && giveSolution) {
    for (std::size_t i = 0; i < kit::CellCount; ++i) {
      solution[i] = static_cast<char>('0' + search.SolverResult.Cells[i]);
    }
  }
  return found < limit ? found : limit;
}

// The puzzle's number in the set (from 1): every pass begins with the first puzzle, whose slot
// is the lowest, and the slots follow one another.
std::uint32_t NumberOf(const char* puzzle) {
  static const char* first = nullptr;
  if (first == nullptr || puzzle < first) first = puzzle;
  return static_cast<std::uint32_t>(static_cast<std::size_t>(puzzle - first) / host::SlotBytes) + 1;
}

}  // namespace

// The only names the library shows.
#define KIT_EXPORT [[gnu::visibility("default")]]

extern "C" {

// Declared first, as a header would, for the warning that catches a function without one.
KIT_EXPORT std::size_t kit_solve(const char*, std::size_t, std::uint32_t, char*, std::size_t*);
KIT_EXPORT std::size_t kit_floor(const char*, std::size_t, std::uint32_t, char*, std::size_t*);
KIT_EXPORT std::size_t kit_counts(const char*, std::size_t, std::uint32_t, char*, std::size_t*);
KIT_EXPORT std::size_t kit_wrong_at(const char*, std::size_t, std::uint32_t, char*, std::size_t*);
KIT_EXPORT std::size_t kit_crash_at(const char*, std::size_t, std::uint32_t, char*, std::size_t*);
KIT_EXPORT std::size_t kit_hang_at(const char*, std::size_t, std::uint32_t, char*, std::size_t*);
KIT_EXPORT std::size_t kit_write_at(const char*, std::size_t, std::uint32_t, char*, std::size_t*);

std::size_t kit_solve(const char* puzzle, std::size_t limit, std::uint32_t, char* solution,
                      std::size_t*) {
  return Solve(puzzle, limit, solution, true);
}

std::size_t kit_floor(const char*, std::size_t, std::uint32_t, char*, std::size_t*) {
  return 0;
}

std::size_t kit_counts(const char* puzzle, std::size_t limit, std::uint32_t, char* solution,
                       std::size_t*) {
  return Solve(puzzle, limit, solution, false);
}

std::size_t kit_wrong_at(const char* puzzle, std::size_t limit, std::uint32_t k, char* solution,
                         std::size_t* guesses) {
  const std::size_t found = Solve(puzzle, limit, solution, true);
  if (NumberOf(puzzle) != k) return found;
  *guesses = 0;
  return found == 0 ? 1 : 0;  // none where there is one, one where there is none
}

std::size_t kit_crash_at(const char* puzzle, std::size_t limit, std::uint32_t k, char* solution,
                         std::size_t*) {
  if (NumberOf(puzzle) == k) ::raise(SIGSEGV);
  return Solve(puzzle, limit, solution, true);
}

std::size_t kit_hang_at(const char* puzzle, std::size_t limit, std::uint32_t k, char* solution,
                        std::size_t*) {
  while (NumberOf(puzzle) == k) ::pause();
  return Solve(puzzle, limit, solution, true);
}

std::size_t kit_write_at(const char* puzzle, std::size_t limit, std::uint32_t k, char* solution,
                         std::size_t*) {
  if (NumberOf(puzzle) == k) {
    // The puzzles are sealed: this write ends the host with SIGSEGV.
    std::memcpy(const_cast<char*>(puzzle), "1", 1);
  }
  return Solve(puzzle, limit, solution, true);
}

}  // extern "C"
