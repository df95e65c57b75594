// The results store: what storing one run costs (the digests are taken before, by the run), and
// what the history costs over a store of 10,000 runs of five rounds.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "History.h"
#include "ResultsStore.h"

namespace {

// A run of one solver on one set in `rounds` rounds, each with its start-up run.
record::RunRecord OneRun(int number, int rounds) {
  record::RunRecord r;
  r.Context.Processor = "Beispiel";
  r.Context.Host = "werkbank";
  r.Context.MachineId = std::string(64, 'a');
  r.Context.StartedUtc = "2026-12-08T01:30:12Z";
  r.Settings.Folder = "run";
  r.Settings.Repeat = rounds;
  r.Sets = {{"Build", "", number, 500000, 86500000, std::string(64, '1')}};
  r.Solvers = {{"Quadrin", "/usr/lib/sudoku-messkit/Quadrin", std::string(64, 'b')}};
  for (int round = 1; round <= rounds; ++round) {
    for (bool startup : {false, true}) {
      record::Measurement run;
      run.Round = round;
      run.Startup = startup;
      run.Timed = true;
      run.MonotonicSeconds = (startup ? 0.002 : 2.0) + number * 1e-6 + round * 1e-3;
      run.Check = {"Alle Lösungen korrekt", 0, "", {0, startup ? 1 : 500000, 0}};
      r.Measurements.push_back(run);
    }
  }
  return r;
}

std::filesystem::path FreshStore(const char* name) {
  const auto path = std::filesystem::temp_directory_path() /
                    (std::string(name) + "-" + std::to_string(::getpid()) + ".sqlite");
  for (const char* end : {"", "-wal", "-shm"}) std::filesystem::remove(path.string() + end);
  return path;
}

// Opening the store and storing one run in its transaction, as Messlauf does after a run.
void BM_Store_OneRun(benchmark::State& state) {
  const auto path = FreshStore("kit-store-bench");
  int number = 0;
  for (auto _ : state) {
    store::ResultsStore results(path, store::ResultsStore::Access::Write);
    benchmark::DoNotOptimize(results.Add(OneRun(++number, 5)));
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_Store_OneRun)->Unit(benchmark::kMillisecond);

// `history` over 10,000 stored runs: read them all, sum each up, lay out the table.
void BM_History_TenThousandRuns(benchmark::State& state) {
  const auto path = FreshStore("kit-history-bench");
  {
    store::ResultsStore results(path, store::ResultsStore::Access::Write);
    for (int number = 1; number <= 10000; ++number) results.Add(OneRun(number, 5));
  }
  for (auto _ : state) {
    const store::ResultsStore results(path, store::ResultsStore::Access::Read);
    benchmark::DoNotOptimize(report::FormatHistory(record::HistoryLinesOf(results.Load()), ","));
  }
  for (const char* end : {"", "-wal", "-shm"}) std::filesystem::remove(path.string() + end);
}
BENCHMARK(BM_History_TenThousandRuns)->Unit(benchmark::kMillisecond);

}  // namespace
