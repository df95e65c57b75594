// Check's whole comparison per puzzle: reading both files, solving again, judging.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "CheckIt.h"
#include "KitMix.h"
#include "Sudoku.h"

namespace {

// 100,000 puzzles of Build's mix and Quadrin's answers in a folder of their own.
const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    const auto path =
        std::filesystem::temp_directory_path() / ("kit-check-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    std::ofstream(path / "IN.TXT", std::ios::binary) << bench::KitPuzzleFile(100000);
    std::ostringstream errors;
    quadrin::RunBatch(path, errors, /*withBusyLoad=*/false);
    return path;
  }();
  return folder;
}

void BM_Check_Comparison(benchmark::State& state) {
  const auto& folder = Folder();
  for (auto _ : state) {
    const checker::CheckResult result = checker::CheckIt(folder, [](std::int32_t) { return true; });
    if (result.Kind != checker::Verdict::AllCorrect) state.SkipWithError(result.Message.c_str());
  }
  state.SetItemsProcessed(state.iterations() * 100000);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}
BENCHMARK(BM_Check_Comparison)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
