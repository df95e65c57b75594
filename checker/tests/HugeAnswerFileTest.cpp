// Check on an OUT.TXT of 60 GiB whose first line never ends, made as a sparse file so that it costs
// no disk. The answer to puzzle 1 must be judged wrong after about one buffer of the file, in
// little memory. An executable of its own: the cap on the address space and the counters it reads
// belong to the whole process.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <fstream>
#include <functional>
#include <string>

#include "BuildSudokus.h"
#include "CheckIt.h"
#include "ParallelJudge.h"
#include "TempFolder.h"

namespace checker {
namespace {

using kit::testing::PutFile;
using kit::testing::TempFolder;

constexpr long long MiB = 1 << 20;

// A number from a "key: value" file of /proc/self, such as rchar in io or VmSize (in KiB) in
// status.
long long ProcessFigure(const char* file, const std::string& key) {
  std::ifstream in(std::string("/proc/self/") + file);
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with(key + ":")) return std::stoll(line.substr(key.size() + 1));
  }
  ADD_FAILURE() << "no " << key << " in /proc/self/" << file;
  return 0;
}

long long PeakResidentBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss * 1024LL;
}

// `check` judges the folder: on an OUT.TXT whose first line never ends it must read little.
void ExpectJudgedAfterOneBuffer(
    const std::function<CheckResult(const std::filesystem::path&)>& check) {
  TempFolder folder;
  kit::StringSink puzzles;
  generator::BuildSudokus(1, 20, puzzles, [](std::int32_t) { return true; });
  PutFile(folder / "IN.TXT", puzzles.Text);
  PutFile(folder / "OUT.TXT", "");
  std::error_code error;
  std::filesystem::resize_file(folder / "OUT.TXT", 60 * 1024 * MiB, error);
  if (error) GTEST_SKIP() << "no room for a sparse file of 60 GiB here: " << error.message();

  // The address space is capped at what the process holds now and the memory target beyond it, so
  // that a reader without a bound fails at once instead of filling the machine's memory.
  rlimit before{};
  ASSERT_EQ(getrlimit(RLIMIT_AS, &before), 0);
  const long long cap = ProcessFigure("status", "VmSize") * 1024 + 64 * MiB +
                        static_cast<long long>(puzzles.Text.size());
  const rlimit capped{static_cast<rlim_t>(cap), before.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_AS, &capped), 0);
  const long long readBefore = ProcessFigure("io", "rchar");
  const long long peakBefore = PeakResidentBytes();

  const CheckResult result = check(folder.Path());

  const long long read = ProcessFigure("io", "rchar") - readBefore;
  const long long grown = PeakResidentBytes() - peakBefore;
  setrlimit(RLIMIT_AS, &before);
  EXPECT_EQ(Announcement(result),
            "Lösung für SUDOKU-Nr. 1 ist nicht korrekt.\nGrund: Zeile 1 von OUT.TXT ist länger als "
            "die erlaubten 1024 Bytes.\n");
  EXPECT_LT(read, static_cast<long long>(puzzles.Text.size()) + 2 * MiB);
  EXPECT_LT(grown, 64 * MiB);
}

TEST(CheckIt, AnOutTxtOf60GiBWithoutALineEndIsJudgedAfterOneBuffer) {
  ExpectJudgedAfterOneBuffer([](const std::filesystem::path& folder) {
    return CheckIt(folder, [](std::int32_t) { return true; });
  });
}

// The threads read no further ahead than the first answer that cannot be read.
TEST(ParallelJudge, AnOutTxtOf60GiBWithoutALineEndIsJudgedAfterOneBuffer) {
  ParallelJudge judge(2);  // its threads before the cap, as the runner starts them before a run
  ExpectJudgedAfterOneBuffer([&judge](const std::filesystem::path& folder) {
    return judge.CheckAnswers(kit::LoadPuzzleText(folder), folder,
                              [](std::int32_t) { return true; });
  });
}

}  // namespace
}  // namespace checker
