// Quadrin per puzzle: its search alone, and its fixed per-puzzle load alone.
#include <benchmark/benchmark.h>

#include "KitMix.h"
#include "SolverRekursiv.h"
#include "Sudoku.h"

namespace {

// One puzzle per iteration, cycling through 20,000 puzzles of Build's mix.
void BM_Quadrin_SolvePuzzle(benchmark::State& state) {
  const auto& puzzles = bench::KitPuzzles(20000);
  quadrin::Rekursiv search;
  std::size_t next = 0;
  for (auto _ : state) {
    const kit::Board& p = puzzles[next];
    for (std::size_t i = 0; i < p.size(); ++i) search.SolverInput.Cells[i] = p[i];
    benchmark::DoNotOptimize(search.SolvePuzzle());
    next = next + 1 == puzzles.size() ? 0 : next + 1;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Quadrin_SolvePuzzle);

void BM_Quadrin_BusyLoad(benchmark::State& state) {
  for (auto _ : state) quadrin::BusyLoad();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Quadrin_BusyLoad);

}  // namespace
