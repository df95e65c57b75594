// The comparison run on several threads against the one on a single thread: the same verdict,
// number, texts, counts and progress calls, wherever in the stream of chunks the run ends.
#include "ParallelJudge.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>
#include <sys/stat.h>

#include <csignal>
#include <fstream>
#include <set>
#include <sstream>

#include "BuildSudokus.h"
#include "SampleData.h"
#include "Sudoku.h"
#include "TempFolder.h"

namespace checker {
namespace {

using kit::testing::GetFile;
using kit::testing::PutFile;
using kit::testing::TempFolder;

constexpr std::int32_t MixCount = 8000;

struct Observed {
  CheckResult Result;
  std::vector<std::int32_t> Ticks;
};

// Puzzles with Quadrin's answers in a folder of their own, and the judges to compare.
class ParallelJudgeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    mix_ = new Answered;
    kit::StringSink in;
    generator::BuildSudokus(4711, MixCount, in, [](std::int32_t) { return true; });
    mix_->Answer(in.Text);
    for (int threads : {2, 3, 4}) judges_.push_back(std::make_unique<ParallelJudge>(threads));
  }
  static void TearDownTestSuite() {
    judges_.clear();
    delete mix_;
  }

  struct Answered {
    void Answer(const std::string& puzzleFile) {
      puzzles.Text = puzzleFile;
      PutFile(folder / "IN.TXT", puzzleFile);
      std::ostringstream errors;
      if (quadrin::RunBatch(folder.Path(), errors, false) != 0) ADD_FAILURE() << errors.str();
      out = GetFile(folder / "OUT.TXT");
      for (std::size_t at = 0; at < out.size(); at = out.find("\r\n\r\n", at) + 4) {
        blockStart.push_back(at);
      }
    }
    // OUT.TXT with the first value of each listed block (1-based) changed to another digit.
    std::string Spoiled(const std::vector<int>& numbers) const {
      std::string answers = out;
      for (int number : numbers) {
        std::size_t at = blockStart[static_cast<std::size_t>(number - 1)];
        if (answers[at] == '-') ++at;
        answers[at] = answers[at] == '9' ? '1' : static_cast<char>(answers[at] + 1);
      }
      return answers;
    }
    // The byte offset of line `line` (0-based) of block `number`.
    std::size_t LineStart(int number, int line) const {
      std::size_t at = blockStart[static_cast<std::size_t>(number - 1)];
      for (int l = 0; l < line; ++l) at = out.find("\r\n", at) + 2;
      return at;
    }
    TempFolder folder;
    kit::PuzzleText puzzles;
    std::string out;
    std::vector<std::size_t> blockStart;
  };

  // Every judge on `puzzles` and the folder's OUT.TXT as CheckAnswers; returns what that gave.
  // The progress callback says stop at `stopAt`.
  static CheckResult ExpectSameAsOneThread(const kit::PuzzleText& puzzles,
                                           const std::filesystem::path& folder,
                                           std::int32_t stopAt = 0) {
    auto observe = [&](auto&& check) {
      Observed seen;
      seen.Result = check(puzzles, folder, [&seen, stopAt](std::int32_t number) {
        seen.Ticks.push_back(number);
        return number != stopAt;
      });
      return seen;
    };
    const Observed one = observe([](auto&&... a) { return CheckAnswers(a...); });
    for (const auto& judge : judges_) {
      const Observed many = observe([&judge](auto&&... a) { return judge->CheckAnswers(a...); });
      const std::string threads = std::to_string(judge->Threads()) + " threads";
      EXPECT_EQ(many.Result.Kind, one.Result.Kind) << threads;
      EXPECT_EQ(many.Result.Number, one.Result.Number) << threads;
      EXPECT_EQ(many.Result.Message, one.Result.Message) << threads;
      EXPECT_EQ(many.Result.Reason, one.Result.Reason) << threads;
      EXPECT_EQ(many.Result.Outcomes, one.Result.Outcomes) << threads;
      EXPECT_EQ(many.Ticks, one.Ticks) << threads;
    }
    return one.Result;
  }

  static CheckResult ExpectSameOnMix(const std::string& answers, std::int32_t stopAt = 0) {
    PutFile(mix_->folder / "OUT.TXT", answers);
    return ExpectSameAsOneThread(mix_->puzzles, mix_->folder.Path(), stopAt);
  }

  static Answered* mix_;
  static std::vector<std::unique_ptr<ParallelJudge>> judges_;
};

ParallelJudgeTest::Answered* ParallelJudgeTest::mix_ = nullptr;
std::vector<std::unique_ptr<ParallelJudge>> ParallelJudgeTest::judges_;

TEST_F(ParallelJudgeTest, CorrectAnswersToTheSampleCollectionsAndBuildsMix) {
  Answered samples;
  kit::StringSink in;
  std::vector<kit::Board> all;
  for (const char* name : kit::testing::SampleNames) {
    for (const kit::Board& b : kit::testing::SamplePuzzles(name)) all.push_back(b);
  }
  kit::WritePuzzleBlocks(in, all);
  samples.Answer(in.Text);
  CheckResult result = ExpectSameAsOneThread(samples.puzzles, samples.folder.Path());
  EXPECT_EQ(result.Kind, Verdict::AllCorrect);
  EXPECT_EQ(result.Number, static_cast<std::int32_t>(all.size()));
  EXPECT_GT(result.Outcomes[2], 0);  // the collection with several solutions

  result = ExpectSameOnMix(mix_->out);
  EXPECT_EQ(result.Kind, Verdict::AllCorrect);
  EXPECT_EQ(result.Number, MixCount);
  EXPECT_GT(result.Outcomes[0], 0);
}

TEST_F(ParallelJudgeTest, NamesTheFirstWrongAnswerWhicheverChunkHoldsIt) {
  const std::pair<std::vector<int>, std::int32_t> cases[] = {{{1500, 3000, 7000}, 1500},
                                                             {{7000, 3000}, 3000},
                                                             {{7000}, 7000},
                                                             {{1}, 1},
                                                             {{MixCount}, 8000}};
  for (const auto& [spoiled, first] : cases) {
    const CheckResult result = ExpectSameOnMix(mix_->Spoiled(spoiled));
    EXPECT_EQ(result.Kind, Verdict::Wrong);
    EXPECT_EQ(result.Number, first);
  }
}

TEST_F(ParallelJudgeTest, UnreadableAnswersEndTheRunInOrder) {
  const std::string& out = mix_->out;
  const std::size_t malformed = mix_->LineStart(2500, 4), tooLong = mix_->LineStart(4100, 8);
  const std::pair<std::string, std::int32_t> cases[] = {
      {out.substr(0, malformed) + out.substr(mix_->LineStart(2500, 5)), 2500},  // a line less
      {out.substr(0, tooLong) + std::string(kit::MaxAnswerLine, '1') + out.substr(tooLong), 4100},
      {out.substr(0, mix_->blockStart[4999]), 5000},    // fewer blocks than puzzles
      {out.substr(0, mix_->LineStart(6001, 3)), 6001},  // cut within a block
      {out.substr(0, 5) + "10" + out.substr(6), 1},     // a value no cell holds
  };
  for (const auto& [answers, number] : cases) {
    const CheckResult result = ExpectSameOnMix(answers);
    EXPECT_EQ(result.Kind, Verdict::Wrong);
    EXPECT_EQ(result.Number, number);
  }
  // A wrong answer before an unreadable one is the one named.
  std::string answers = mix_->Spoiled({1500});
  EXPECT_EQ(ExpectSameOnMix(answers.substr(0, malformed) + "x" + answers.substr(malformed)).Number,
            1500);
}

TEST_F(ParallelJudgeTest, ReadingErrorsCountOnlyWithoutAnEarlierWrongAnswer) {
  kit::PuzzleText damaged = mix_->puzzles;
  damaged.Text[2999 * kit::PuzzleStride + 4] = 'x';  // puzzle 3000, row 1
  PutFile(mix_->folder / "OUT.TXT", mix_->out);
  CheckResult result = ExpectSameAsOneThread(damaged, mix_->folder.Path());
  EXPECT_EQ(result.Kind, Verdict::CannotJudge);
  EXPECT_EQ(result.Number, 3000);
  EXPECT_EQ(ExpectSameAsOneThread(damaged, mix_->folder.Path(), 3000).Kind, Verdict::Stopped);

  PutFile(mix_->folder / "OUT.TXT", mix_->Spoiled({1500}));
  EXPECT_EQ(ExpectSameAsOneThread(damaged, mix_->folder.Path()).Kind, Verdict::Wrong);

  kit::PuzzleText empty;
  EXPECT_EQ(ExpectSameAsOneThread(empty, mix_->folder.Path()).Kind, Verdict::CannotJudge);
  kit::PuzzleText fewer = mix_->puzzles;  // fewer puzzles than answers: the surplus is not read
  fewer.Text.resize(2345 * kit::PuzzleStride - 2);
  PutFile(mix_->folder / "OUT.TXT", mix_->out);
  EXPECT_EQ(ExpectSameAsOneThread(fewer, mix_->folder.Path()).Number, 2345);
}

TEST_F(ParallelJudgeTest, AMissingOutTxtOrOneThatIsNoRegularFile) {
  const std::filesystem::path answers = mix_->folder / "OUT.TXT";
  std::filesystem::remove(answers);
  CheckResult result = ExpectSameAsOneThread(mix_->puzzles, mix_->folder.Path());
  EXPECT_EQ(result.Kind, Verdict::CannotJudge);
  ASSERT_EQ(::mkfifo(answers.c_str(), 0600), 0);
  result = ExpectSameAsOneThread(mix_->puzzles, mix_->folder.Path());
  EXPECT_EQ(result.Kind, Verdict::Wrong);
  std::filesystem::remove(answers);
  std::filesystem::create_directory(answers);
  EXPECT_EQ(ExpectSameAsOneThread(mix_->puzzles, mix_->folder.Path()).Number, 1);
  std::filesystem::remove(answers);
}

TEST_F(ParallelJudgeTest, StopsWhenProgressSaysSo) {
  for (std::int32_t stopAt : {1000, 2000}) {
    const CheckResult result = ExpectSameOnMix(mix_->out, stopAt);
    EXPECT_EQ(result.Kind, Verdict::Stopped);
    EXPECT_EQ(result.Number, stopAt);
  }
}

// The threads of this process, by id.
std::set<std::string> Tasks() {
  std::set<std::string> tasks;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
    tasks.insert(entry.path().filename().string());
  }
  return tasks;
}

// A line "SigBlk: <hex>" of a thread's status: the signals it blocks, bit n − 1 for signal n.
unsigned long long BlockedSignals(const std::string& task) {
  std::ifstream in("/proc/self/task/" + task + "/status");
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("SigBlk:")) return std::stoull(line.substr(7), nullptr, 16);
  }
  return 0;
}

TEST(ParallelJudge, WorkersTakeNoSignalAndOneThreadStartsNone) {
  // A sanitizer's runtime starts a thread of its own with the first thread: let it start first.
  { const ParallelJudge warm(2); }
  const std::set<std::string> before = Tasks();
  sigset_t callers;
  pthread_sigmask(SIG_SETMASK, nullptr, &callers);
  {
    const ParallelJudge one(1);
    EXPECT_EQ(Tasks(), before);
  }
  const ParallelJudge judge(2);
  std::set<std::string> workers = Tasks();
  for (const std::string& task : before) workers.erase(task);
  EXPECT_EQ(workers.size(), 2u);
  for (const std::string& task : workers) {
    const unsigned long long blocked = BlockedSignals(task);
    for (int signal : {SIGINT, SIGTERM, SIGCHLD})
      EXPECT_TRUE(blocked >> (signal - 1) & 1) << signal;
  }
  sigset_t after;
  pthread_sigmask(SIG_SETMASK, nullptr, &after);
  for (int signal : {SIGINT, SIGTERM, SIGCHLD}) {
    EXPECT_EQ(sigismember(&after, signal), sigismember(&callers, signal)) << signal;
  }
}

TEST(ParallelJudge, UsableCpusFollowsTheAffinityMask) {
  cpu_set_t mask;
  ASSERT_EQ(sched_getaffinity(0, sizeof mask, &mask), 0);
  EXPECT_EQ(UsableCpus(), CPU_COUNT(&mask));
  std::size_t first = 0;
  while (!CPU_ISSET(first, &mask)) ++first;
  cpu_set_t single;
  CPU_ZERO(&single);
  CPU_SET(first, &single);
  ASSERT_EQ(sched_setaffinity(0, sizeof single, &single), 0);
  const int usable = UsableCpus();
  sched_setaffinity(0, sizeof mask, &mask);
  EXPECT_EQ(usable, 1);
}

}  // namespace
}  // namespace checker
