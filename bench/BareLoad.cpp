// bare_load N: Quadrin's fixed per-puzzle load N times and nothing else, the yardstick that a
// whole Quadrin run on N puzzles is compared with.
#include <cstdlib>

#include "Sudoku.h"

int main(int argc, char* argv[]) {
  const long count = argc > 1 ? std::atol(argv[1]) : 0;
  for (long i = 0; i < count; ++i) quadrin::BusyLoad();
  return 0;
}
