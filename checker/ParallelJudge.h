// Check's comparison run on several threads, for the benchmark runner. The calling thread reads
// IN.TXT and OUT.TXT in one pass, hands the puzzles with their answers to worker threads in chunks
// in file order, and takes the results back in that order, so that the verdict, the counts and the
// progress calls are those of CheckAnswers on one thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "CheckIt.h"

namespace checker {

// The CPUs this process may run on (its affinity mask), at least 1.
int UsableCpus();

class ParallelJudge {
 public:
  // threads ≥ 1; with 1 the run is CheckAnswers itself and no thread is started. Otherwise the
  // workers start here, with every signal blocked so that signals reach the caller's threads, and
  // wait idle between runs. Each owns its own search, carried from run to run.
  explicit ParallelJudge(int threads);
  ~ParallelJudge();
  ParallelJudge(const ParallelJudge&) = delete;
  ParallelJudge& operator=(const ParallelJudge&) = delete;

  int Threads() const { return threads_; }

  // The result of checker::CheckAnswers for the same inputs, with the same progress calls from the
  // calling thread. The puzzles that reach the exact counter may differ from one thread, since
  // each instance's search depends on the puzzle it solved before; the verdicts and counts do not.
  CheckResult CheckAnswers(const kit::PuzzleText& puzzles, const std::filesystem::path& folder,
                           const Progress& progress);

  // The result of checker::CheckAnswers over the same source: the calling thread asks the source
  // for every answer (and for Where and AfterLast) in file order, the workers only judge.
  CheckResult CheckAnswers(const kit::PuzzleText& puzzles, AnswerSource& answers,
                           const Progress& progress);

 private:
  struct Chunk;
  struct Worker;
  class Pass;

  void EndWorkers();
  void Work(Worker& worker);
  void JudgeChunk(Worker& worker, Chunk& chunk) const;
  void Dispatch(Chunk& chunk);
  void WaitFor(const Chunk& chunk);
  // Drops the chunks no worker has taken, stops the others at their next puzzle, and returns when
  // no worker touches a chunk any more.
  void Settle();

  int threads_;
  std::vector<std::unique_ptr<Worker>> workers_;
  std::vector<std::unique_ptr<Chunk>> chunks_;  // reused from run to run

  std::mutex mutex_;
  std::condition_variable work_;  // workers wait for chunks or the end
  std::condition_variable done_;  // the calling thread waits for results
  std::deque<Chunk*> pending_;
  int busy_ = 0;  // workers holding a chunk
  bool ending_ = false;
  std::atomic<bool> cancelled_{false};

  std::vector<std::thread> pool_;
};

}  // namespace checker
