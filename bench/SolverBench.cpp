// Quadrin's search alone, and its fixed per-puzzle load alone, per puzzle.
#include <benchmark/benchmark.h>

#include "PuzzleMix.h"
#include "SolverRekursiv.h"
#include "Sudoku.h"

namespace {

constexpr int MixSize = 20000;

const std::vector<kit::Board>& Mix() {
  static const std::vector<kit::Board> puzzles = kit::testing::PuzzleMix(1234).Mix(MixSize);
  return puzzles;
}

// One puzzle per iteration, cycling through the fixed mix (four grid puzzles, one scatter).
void BM_SolvePuzzle(benchmark::State& state) {
  quadrin::Rekursiv search;
  const auto& puzzles = Mix();
  std::size_t next = 0;
  for (auto _ : state) {
    const kit::Board& p = puzzles[next];
    for (std::size_t i = 0; i < 81; ++i) search.SolverInput.Cells[i] = p[i];
    benchmark::DoNotOptimize(search.SolvePuzzle());
    next = next + 1 == puzzles.size() ? 0 : next + 1;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SolvePuzzle);

void BM_BusyLoad(benchmark::State& state) {
  for (auto _ : state) quadrin::BusyLoad();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BusyLoad);

}  // namespace

BENCHMARK_MAIN();
