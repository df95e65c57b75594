// Check's whole comparison per puzzle: reading both files, solving again, judging. On Build's mix
// and on each sample of the public collections.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "CheckIt.h"
#include "KitMix.h"
#include "ParallelJudge.h"
#include "Sudoku.h"

namespace {

// A folder of its own with the puzzles as IN.TXT and Quadrin's answers as OUT.TXT; removed when
// the benchmark ends.
class AnsweredFolder {
 public:
  AnsweredFolder(const std::string& name, const std::string& puzzleFile)
      : path_(std::filesystem::temp_directory_path() /
              ("kit-check-bench-" + name + "-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path_);
    std::ofstream(path_ / "IN.TXT", std::ios::binary) << puzzleFile;
    std::ostringstream errors;
    quadrin::RunBatch(path_, errors, /*withBusyLoad=*/false);
  }
  ~AnsweredFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void CheckFolder(benchmark::State& state, const std::filesystem::path& folder, int puzzles) {
  for (auto _ : state) {
    const checker::CheckResult result = checker::CheckIt(folder, [](std::int32_t) { return true; });
    if (result.Kind != checker::Verdict::AllCorrect) state.SkipWithError(result.Message.c_str());
  }
  state.SetItemsProcessed(state.iterations() * puzzles);
}

void BM_Check_Comparison(benchmark::State& state) {
  const AnsweredFolder folder("mix", bench::KitPuzzleFile(100000));
  CheckFolder(state, folder.Path(), 100000);
}
BENCHMARK(BM_Check_Comparison)->Unit(benchmark::kMillisecond)->Iterations(3);

// BM_Judge_Threads/<n>: the comparison on Build's mix with n threads, as the benchmark runner does
// it: the puzzles in memory, the judge's threads started before.
void BM_Judge_Threads(benchmark::State& state) {
  const AnsweredFolder folder("threads", bench::KitPuzzleFile(100000));
  const kit::PuzzleText puzzles = kit::LoadPuzzleText(folder.Path());
  checker::ParallelJudge judge(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    const checker::CheckResult result =
        judge.CheckAnswers(puzzles, folder.Path(), [](std::int32_t) { return true; });
    if (result.Kind != checker::Verdict::AllCorrect) state.SkipWithError(result.Message.c_str());
  }
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_Judge_Threads)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// BM_Check_Sample/<name>: the whole comparison over one sample's puzzles.
const bool registered = [] {
  for (const char* name : bench::SampleNames) {
    benchmark::RegisterBenchmark((std::string("BM_Check_Sample/") + name).c_str(),
                                 [name](benchmark::State& state) {
                                   const AnsweredFolder folder(name, bench::SamplePuzzleFile(name));
                                   CheckFolder(state, folder.Path(),
                                               static_cast<int>(bench::SamplePuzzles(name).size()));
                                 })
        ->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace
