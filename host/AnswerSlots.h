// What Gastgeber gives back, in a shared memory file Messlauf made: a header with the puzzle
// under way (so that a crash or a hang is pinned to it) and the pass's times, then one slot per
// puzzle with the call's count, guesses, time and the solution to judge. Before each pass the
// solutions and guesses are filled with markers, so that a library that never writes them is told
// from one that does.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace host {

constexpr std::size_t NoGuesses = ~std::size_t{0};  // the marker: never written
constexpr char NoSolution = '\x01';                 // the marker in every solution byte

enum Phase : std::int64_t { Loading = 0, WarmingUp = 1, Timed = 2, Solving = 3, Done = 4 };

struct AnswerHeader {
  std::atomic<std::int64_t> Current{0};  // the puzzle (from 1) of the call under way, 0 before
  std::atomic<std::int64_t> Stage{Loading};
  std::int64_t WarmupPasses = 0;
  double PassSeconds = 0;     // the timed pass by the steady clock
  double TicksPerSecond = 0;  // the cycle counter against the steady clock, over the warm-up
  std::int64_t Count = 0;
  std::int64_t Reserved[2] = {};
};
static_assert(sizeof(AnswerHeader) == 64);
static_assert(std::atomic<std::int64_t>::is_always_lock_free);

struct AnswerSlot {
  std::size_t Found = 0;    // the limit-2 call's count
  std::size_t Guesses = 0;  // the limit-2 call's guesses, NoGuesses when not written
  std::uint64_t Ticks = 0;  // the cycle counter from before the call to before the next
  double Seconds = 0;       // Ticks on the steady clock's scale
  char Solution[96] = {};   // the limit-1 call's 81 characters, NoSolution where not written
};
static_assert(sizeof(AnswerSlot) == 128);

constexpr std::size_t AnswerRegionBytes(std::int64_t count) {
  return sizeof(AnswerHeader) + static_cast<std::size_t>(count) * sizeof(AnswerSlot);
}

inline AnswerHeader* HeaderOf(void* base) {
  return static_cast<AnswerHeader*>(base);
}

inline AnswerSlot* SlotsOf(void* base) {
  return reinterpret_cast<AnswerSlot*>(static_cast<char*>(base) + sizeof(AnswerHeader));
}

// The signature the field's solvers share: the number of solutions found, at most `limit`.
using SolveFunction = std::size_t (*)(const char* puzzle, std::size_t limit,
                                      std::uint32_t configuration, char* solution,
                                      std::size_t* guesses);

// Descriptors Gastgeber finds open: acknowledgements in, the pass's marks out, the log, the
// sealed puzzles, the answers.
constexpr int AckIn = 0, MarksOut = 1, PuzzlesIn = 3, AnswersOut = 4;

// The marks on MarksOut: the host is ready and waits for the go on AckIn; the timed pass is over;
// the solutions are written.
constexpr char ReadyMark = 'B', PassEndMark = 'E', DoneMark = 'D';

}  // namespace host
