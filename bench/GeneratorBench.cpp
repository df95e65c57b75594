// Build's generation run, and the shared search on the nine-digit starts it completes.
#include <benchmark/benchmark.h>

#include <memory>

#include "BuildSudokus.h"
#include "RandomDraws.h"
#include "Rekursiv.h"

namespace {

// Discards what it is given: the generation's cost without the disk.
class NullSink final : public kit::TextSink {
 public:
  void Write(std::string_view bytes) override { benchmark::DoNotOptimize(bytes.data()); }
};

// The starts of grid puzzles: digits 1–9 dropped into random cells, drawn as Build draws them.
std::vector<kit::Board> NineDigitStarts(int count) {
  generator::RandomDraws random(20261207);
  std::vector<kit::Board> starts(static_cast<std::size_t>(count));
  for (kit::Board& start : starts) {
    for (int d = 1; d <= 9; ++d)
      start[static_cast<std::size_t>(random.Cell())] = static_cast<std::uint8_t>(d);
  }
  return starts;
}

// One search per iteration, on one module that carries its state from start to start as in Build.
void BM_Build_SolveSudokuNineDigitStarts(benchmark::State& state) {
  static const std::vector<kit::Board> starts = NineDigitStarts(20000);
  const auto search = std::make_unique<kit::Rekursiv>();
  search->InitTables();
  std::size_t next = 0;
  for (auto _ : state) {
    kit::PuzzleRecord record;
    record.Cells = starts[next];
    search->SolveSudoku(record);
    benchmark::DoNotOptimize(record);
    next = next + 1 == starts.size() ? 0 : next + 1;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Build_SolveSudokuNineDigitStarts);

// The whole generation of 100,000 puzzles per iteration; items are puzzles.
void BM_Build_Generation(benchmark::State& state) {
  const auto count = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) {
    NullSink sink;
    generator::BuildSudokus(12345, count, sink, [](std::int32_t) { return true; });
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_Build_Generation)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
