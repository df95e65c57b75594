// Quadrin per puzzle: its search alone, on Build's mix and on each sample of the public
// collections, and its fixed per-puzzle load alone.
#include <benchmark/benchmark.h>

#include "KitMix.h"
#include "SolverRekursiv.h"
#include "Sudoku.h"

namespace {

// One puzzle per iteration, cycling through the puzzles.
void SolveEach(benchmark::State& state, const std::vector<kit::Board>& puzzles) {
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

// 20,000 puzzles of Build's mix.
void BM_Quadrin_SolvePuzzle(benchmark::State& state) {
  SolveEach(state, bench::KitPuzzles(20000));
}
BENCHMARK(BM_Quadrin_SolvePuzzle);

// BM_Quadrin_Sample/<name>.
const bool registered = [] {
  for (const char* name : bench::SampleNames) {
    benchmark::RegisterBenchmark(
        (std::string("BM_Quadrin_Sample/") + name).c_str(),
        [name](benchmark::State& state) { SolveEach(state, bench::SamplePuzzles(name)); })
        ->Unit(benchmark::kMicrosecond);
  }
  return true;
}();

void BM_Quadrin_BusyLoad(benchmark::State& state) {
  for (auto _ : state) quadrin::BusyLoad();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Quadrin_BusyLoad);

}  // namespace
