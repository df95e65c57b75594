#include "ParallelJudge.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <limits>

#include "FileError.h"

namespace checker {
namespace {

// A chunk holds a quarter of a worker's share of the puzzles left, so that a hard collection of a
// few hundred puzzles still spreads over all workers and the last chunks are short; the bounds keep
// the hand-over cost small against the judging and the memory in flight under a megabyte a worker.
constexpr std::int64_t SmallestChunk = 16;
constexpr std::int64_t LargestChunk = 2048;
constexpr int ShareOfRemaining = 4;  // per worker
constexpr int ChunksPerWorker = 2;   // in flight: one being judged, one ready for the next

constexpr std::size_t None = std::numeric_limits<std::size_t>::max();

// How the reading ended with a chunk's last puzzle, or after it.
enum class Ending {
  More,             // further chunks follow
  LastPuzzle,       // the puzzles end with the last item
  WrongAnswer,      // the last item's answer could not be read: wrong, for Text
  CannotJudgeLast,  // reading the last item's answer failed with the message Text
  CannotJudgeNext,  // reading the puzzle after the last item failed with the message Text
};

}  // namespace

int UsableCpus() {
  // The set grows for machines with more CPUs than a cpu_set_t holds.
  for (std::size_t size = CPU_SETSIZE; size <= 1 << 16; size *= 2) {
    cpu_set_t* set = CPU_ALLOC(size);
    if (set == nullptr) break;
    const std::size_t bytes = CPU_ALLOC_SIZE(size);
    CPU_ZERO_S(bytes, set);
    const int got = sched_getaffinity(0, bytes, set);
    const int error = errno;
    const int count = got == 0 ? CPU_COUNT_S(bytes, set) : 0;
    CPU_FREE(set);
    if (got == 0) return std::max(count, 1);
    if (error != EINVAL) break;
  }
  return 1;
}

struct ParallelJudge::Chunk {
  struct Item {
    kit::PuzzleRecord Puzzle;  // the givens
    kit::PuzzleRecord Answer;  // Status = the block's kind, Cells = its absolute values
    std::int16_t Outcome = 0;  // the own result's Status
  };
  // Filled by the calling thread.
  std::int32_t First = 1;  // the number of the first puzzle
  std::size_t Count = 0;   // items in use; the vector keeps its size from run to run
  std::vector<Item> Items;
  Ending End = Ending::More;
  std::string Text;
  // Filled by the worker; read once Done is set.
  std::size_t Solved = 0;     // items whose Outcome is set
  std::size_t Wrong = None;   // the first item whose answer is wrong; nothing after it is judged
  std::string Reason;         // why
  std::size_t Failed = None;  // the item at which memory ran out
  bool Done = false;
};

struct ParallelJudge::Worker {
  OwnSearch Search;
  checker::Judge Verdicts{Search.BoxStart()};
};

// One comparison run: reads ahead into free chunks while fewer than the bound are in flight, and
// reduces the oldest one once it is done. Its end leaves no chunk in any worker's hands.
class ParallelJudge::Pass {
 public:
  Pass(ParallelJudge& owner, const kit::PuzzleText& puzzles, AnswerSource& answers,
       const Progress& progress, CheckResult& result)
      : owner_(owner), puzzles_(puzzles), answers_(answers), progress_(progress), result_(result) {
    for (const auto& chunk : owner_.chunks_) free_.push_back(chunk.get());
  }
  ~Pass() { owner_.Settle(); }
  Pass(const Pass&) = delete;
  Pass& operator=(const Pass&) = delete;

  void Go() {
    for (;;) {
      while (!readAll_ && !free_.empty()) {
        Chunk& chunk = *free_.back();
        free_.pop_back();
        Fill(chunk);
        inFlight_.push_back(&chunk);
        owner_.Dispatch(chunk);
      }
      Chunk& oldest = *inFlight_.front();
      owner_.WaitFor(oldest);
      inFlight_.pop_front();
      if (Reduce(oldest)) return;
      free_.push_back(&oldest);
    }
  }

 private:
  void Fill(Chunk& chunk) {
    const auto left =
        (static_cast<std::int64_t>(puzzles_.Text.size()) - (pos_ - 1) + 2) / kit::PuzzleStride;
    const auto size = static_cast<std::size_t>(
        std::clamp(left / (ShareOfRemaining * owner_.threads_), SmallestChunk, LargestChunk));
    chunk.First = next_;
    chunk.Count = 0;
    chunk.End = Ending::More;
    chunk.Text.clear();
    chunk.Solved = 0;
    chunk.Wrong = chunk.Failed = None;
    chunk.Reason.clear();
    chunk.Done = false;
    // Whatever goes wrong in reading is carried in order: it counts only when no earlier answer
    // is wrong. Nothing after it is read.
    bool puzzleRead = false;
    try {
      if (chunk.Items.size() < size) chunk.Items.resize(size);
      while (chunk.Count < size) {
        puzzleRead = false;
        Chunk::Item& item = chunk.Items[chunk.Count];
        item.Puzzle.Cells = kit::ReadNextPuzzle(puzzles_, pos_);
        puzzleRead = true;
        ++chunk.Count;
        ++next_;
        // An answer the source cannot give makes that puzzle wrong for sure, and nothing after
        // it is asked for.
        if (!answers_.Next(item.Puzzle.Cells, item.Answer, unreadable_)) {
          return Stop(chunk, Ending::WrongAnswer, std::move(unreadable_));
        }
        if (pos_ < 3) return Stop(chunk, Ending::LastPuzzle, {});
      }
    } catch (const kit::FileError& e) {
      Stop(chunk, puzzleRead ? Ending::CannotJudgeLast : Ending::CannotJudgeNext, e.what());
    } catch (const std::bad_alloc&) {
      Stop(chunk, puzzleRead ? Ending::CannotJudgeLast : Ending::CannotJudgeNext,
           OutOfMemoryText(answers_.Name()));
    }
  }

  void Stop(Chunk& chunk, Ending end, std::string text) {
    chunk.End = end;
    chunk.Text = std::move(text);
    readAll_ = true;
  }

  // Takes the chunk's results in file order, as the single-threaded run would meet them. True
  // when the result is final.
  bool Reduce(Chunk& chunk) {
    for (std::size_t i = 0; i < chunk.Count; ++i) {
      if (!Reach(chunk.First + static_cast<std::int32_t>(i))) return true;
      if (i == chunk.Failed && chunk.Solved <= i) return OutOfMemory();
      ++result_.Outcomes[static_cast<std::size_t>(chunk.Items[i].Outcome)];
      if (i == chunk.Wrong) {
        SetWrong(result_, answers_.Where(result_.Number) + chunk.Reason);
        return true;
      }
      if (i == chunk.Failed) return OutOfMemory();
    }
    switch (chunk.End) {
      case Ending::More:
        return false;
      case Ending::LastPuzzle:
        // Asked here, in file order, once every answer before was found right.
        if (auto beyond = answers_.AfterLast()) {
          SetWrong(result_, std::move(*beyond));
          return true;
        }
        result_.Kind = Verdict::AllCorrect;
        result_.Message = AllCorrectText;
        return true;
      case Ending::WrongAnswer:
        SetWrong(result_, std::move(chunk.Text));
        return true;
      case Ending::CannotJudgeNext:
        if (!Reach(chunk.First + static_cast<std::int32_t>(chunk.Count))) return true;
        [[fallthrough]];
      case Ending::CannotJudgeLast:
        SetCannotJudge(result_, std::move(chunk.Text));
        return true;
    }
    return true;
  }

  // Puzzle `number` is about to count: the progress call before it. False when it stopped.
  bool Reach(std::int32_t number) {
    result_.Number = number;
    if (number % 1000 == 0 && !progress_(number)) {
      SetStopped(result_);
      return false;
    }
    return true;
  }

  bool OutOfMemory() {
    SetCannotJudge(result_, OutOfMemoryText(answers_.Name()));
    return true;
  }

  ParallelJudge& owner_;
  const kit::PuzzleText& puzzles_;
  AnswerSource& answers_;
  const Progress& progress_;
  CheckResult& result_;
  kit::ReadPos pos_ = 1;
  std::int32_t next_ = 1;  // the number of the next puzzle to read
  bool readAll_ = false;
  std::string unreadable_;  // why the source could not give an answer
  std::vector<Chunk*> free_;
  std::deque<Chunk*> inFlight_;  // oldest first
};

ParallelJudge::ParallelJudge(int threads) : threads_(std::max(threads, 1)) {
  if (threads_ == 1) return;
  for (int i = 0; i < threads_; ++i) workers_.push_back(std::make_unique<Worker>());
  for (int i = 0; i < ChunksPerWorker * threads_; ++i) chunks_.push_back(std::make_unique<Chunk>());
  // Threads inherit the mask of the thread that creates them: the workers take no signal, so
  // that SIGINT, SIGTERM and SIGCHLD reach the thread that waits for a solver.
  sigset_t all, callers;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &callers);
  try {
    for (const auto& worker : workers_) pool_.emplace_back([this, &w = *worker] { Work(w); });
  } catch (...) {
    pthread_sigmask(SIG_SETMASK, &callers, nullptr);
    EndWorkers();
    throw;
  }
  pthread_sigmask(SIG_SETMASK, &callers, nullptr);
}

ParallelJudge::~ParallelJudge() {
  EndWorkers();
}

void ParallelJudge::EndWorkers() {
  {
    const std::lock_guard lock(mutex_);
    ending_ = true;
  }
  work_.notify_all();
  for (std::thread& thread : pool_) thread.join();
  pool_.clear();
}

CheckResult ParallelJudge::CheckAnswers(const kit::PuzzleText& puzzles,
                                        const std::filesystem::path& folder,
                                        const Progress& progress) {
  if (threads_ == 1) return checker::CheckAnswers(puzzles, folder, progress);
  CheckResult result;
  const std::unique_ptr<OutTxtAnswers> answers = OpenOutTxt(folder, result);
  return answers ? CheckAnswers(puzzles, *answers, progress) : result;
}

CheckResult ParallelJudge::CheckAnswers(const kit::PuzzleText& puzzles, AnswerSource& answers,
                                        const Progress& progress) {
  if (threads_ == 1) return checker::CheckAnswers(puzzles, answers, progress);
  // The workers are idle between runs; the hand-over of the first chunk publishes the words.
  for (const auto& worker : workers_) worker->Verdicts.Declare(answers.Declared());
  CheckResult result;
  try {
    Pass(*this, puzzles, answers, progress, result).Go();
  } catch (const kit::FileError& e) {
    SetCannotJudge(result, e.what());
  } catch (const std::bad_alloc&) {
    SetCannotJudge(result, OutOfMemoryText(answers.Name()));
  }
  return result;
}

void ParallelJudge::Work(Worker& worker) {
  std::unique_lock lock(mutex_);
  for (;;) {
    work_.wait(lock, [this] { return ending_ || !pending_.empty(); });
    if (ending_) return;
    Chunk& chunk = *pending_.front();
    pending_.pop_front();
    ++busy_;
    lock.unlock();
    JudgeChunk(worker, chunk);
    lock.lock();
    --busy_;
    chunk.Done = true;
    done_.notify_all();
  }
}

void ParallelJudge::JudgeChunk(Worker& worker, Chunk& chunk) const {
  // The calling thread has judged an answer it could not read; its puzzle only counts.
  const std::size_t judged =
      chunk.End == Ending::WrongAnswer || chunk.End == Ending::CannotJudgeLast ? chunk.Count - 1
                                                                               : chunk.Count;
  kit::PuzzleRecord ownResult;
  std::size_t i = 0;
  try {
    for (; i < chunk.Count; ++i) {
      if (cancelled_.load(std::memory_order_relaxed)) return;
      Chunk::Item& item = chunk.Items[i];
      worker.Search.Solve(item.Puzzle.Cells, ownResult);
      item.Outcome = ownResult.Status;
      chunk.Solved = i + 1;
      if (i == judged) return;
      Judgement judgement = worker.Verdicts.AnswerIsCorrect(item.Puzzle, ownResult, item.Answer);
      if (!judgement.Correct) {
        chunk.Wrong = i;
        chunk.Reason = std::move(judgement.Reason);
        return;
      }
    }
  } catch (const std::bad_alloc&) {
    chunk.Failed = i;
  }
}

void ParallelJudge::Dispatch(Chunk& chunk) {
  {
    const std::lock_guard lock(mutex_);
    pending_.push_back(&chunk);
  }
  work_.notify_one();
}

void ParallelJudge::WaitFor(const Chunk& chunk) {
  std::unique_lock lock(mutex_);
  done_.wait(lock, [&chunk] { return chunk.Done; });
}

void ParallelJudge::Settle() {
  cancelled_.store(true, std::memory_order_relaxed);
  std::unique_lock lock(mutex_);
  pending_.clear();
  done_.wait(lock, [this] { return busy_ == 0; });
  cancelled_.store(false, std::memory_order_relaxed);
}

}  // namespace checker
