// Gastgeber with the kit's own libraries: the passes, the answers it gives back and their times,
// and every fault pinned to its puzzle, on the sealed puzzles Messlauf makes.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "AnswerSlots.h"
#include "LibrarySolver.h"
#include "MesslaufHelpers.h"
#include "Process.h"
#include "PuzzleSlots.h"
#include "Rekursiv.h"

namespace runner {
namespace {

const std::string Library = std::string(KIT_LIB_DIR) + "/libkitloeser.so";

std::string Gastgeber() {
  return testing::Bin() + "/Gastgeber";
}

// The first `count` puzzles of a sample collection, one line each, '.' for an empty cell.
std::string SampleLines(const std::string& name, int count) {
  std::ifstream in(std::string(KIT_DATA_DIR) + "/" + name);
  std::string line, lines;
  for (int i = 0; i < count && std::getline(in, line); ++i) {
    lines += line.substr(0, host::PuzzleChars) + "\n";
  }
  return lines;
}

struct HostEnd {
  ProcessEnd Process;
  bool Completed = false;
  std::int64_t Current = 0, WarmupPasses = 0;
  double Pass = 0, Bracket = 0;
  std::vector<host::AnswerSlot> Slots;
  std::optional<std::string> Tampered;
  std::string Log;  // its standard error
};

// Runs Gastgeber through the launcher as Messlauf will: the descriptors in their places, the go
// sent when it is ready, stopped after `seconds`.
HostEnd RunHost(const std::string& function, std::uint32_t configuration, const std::string& lines,
                double seconds = 30) {
  static const bool launcher = [] {
    StartLauncher(testing::Bin() + "/Anlasser");
    return true;
  }();
  (void)launcher;
  const auto count = static_cast<std::int64_t>(lines.size() / (host::PuzzleChars + 1));
  const SealedPuzzles puzzles(lines, count);
  LibraryExchange exchange(puzzles);
  testing::TempFolder folder;
  ProcessSetup setup;
  setup.Folder = folder.Path();
  setup.Log = "log";
  setup.TimeoutSeconds = seconds;
  exchange.Hand(setup, Gastgeber(), {"", Library, function, configuration});
  HostEnd end;
  end.Process = RunProcess(setup, [] {});
  exchange.Finish();
  end.Completed = exchange.Completed();
  end.Current = exchange.Current();
  end.Pass = exchange.PassSeconds();
  end.Bracket = exchange.BracketSeconds();
  end.WarmupPasses = exchange.WarmupPasses();
  end.Slots = exchange.Slots();
  end.Tampered = exchange.Tampered("kit", "Runde 1");
  end.Log = testing::GetFile(folder / "log");
  return end;
}

bool Unwritten(const host::AnswerSlot& slot) {
  return std::string_view(slot.Solution, sizeof slot.Solution) ==
         std::string(sizeof slot.Solution, host::NoSolution);
}

// The kit's own count and solution of a puzzle line.
kit::PuzzleRecord Expected(kit::Rekursiv& search, std::string_view line) {
  kit::PuzzleRecord record;
  for (std::size_t i = 0; i < kit::CellCount; ++i) {
    record.Cells[i] =
        line[i] >= '1' && line[i] <= '9' ? static_cast<std::uint8_t>(line[i] - '0') : 0;
  }
  search.SolveSudoku(record);
  return record;
}

TEST(Gastgeber, TimesEveryCallAndGivesTheCountsAndSolutionsBack) {
  const std::string lines = SampleLines("serg.txt", 60) + SampleLines("17-clue.txt", 40);
  const HostEnd end = RunHost("kit_solve", 0, lines);
  ASSERT_EQ(end.Process.How, Ending::Exited) << end.Log;
  ASSERT_EQ(end.Process.Code, 0) << end.Log;
  EXPECT_TRUE(end.Completed);
  EXPECT_EQ(end.Current, 0);
  EXPECT_GE(end.WarmupPasses, 1);
  // The host's pass lies inside Messlauf's bracket of it, and the calls inside the pass.
  EXPECT_GT(end.Pass, 0);
  EXPECT_LT(end.Pass, end.Bracket);
  EXPECT_FALSE(end.Tampered) << *end.Tampered;
  kit::Rekursiv search;
  search.InitTables();
  double sum = 0;
  int several = 0;
  for (std::size_t i = 0; i < end.Slots.size(); ++i) {
    const host::AnswerSlot& slot = end.Slots[i];
    const kit::PuzzleRecord want = Expected(search, std::string_view(lines).substr(i * 82, 81));
    EXPECT_EQ(slot.Found, static_cast<std::size_t>(want.Status)) << i;
    EXPECT_EQ(slot.Guesses, host::NoGuesses);  // the kit's search does not count them
    if (want.Status == 1) {
      for (std::size_t c = 0; c < kit::CellCount; ++c) {
        ASSERT_EQ(slot.Solution[c], '0' + want.Cells[c]) << i;
      }
    } else {
      EXPECT_TRUE(Unwritten(slot)) << i;  // a limit-2 call's board is never kept
      several += want.Status == 2;
    }
    EXPECT_GT(slot.Ticks, 0u);
    sum += slot.Seconds;
  }
  EXPECT_GT(several, 0);  // the mix has puzzles with several solutions
  EXPECT_GT(sum, 0);
  EXPECT_LE(sum, end.Pass * 1.001);
}

TEST(Gastgeber, TellsALibraryThatGivesNoSolutionsOrNothingAtAll) {
  const std::string lines = SampleLines("top1465.txt", 30);
  HostEnd end = RunHost("kit_counts", 0, lines);
  ASSERT_TRUE(end.Completed) << end.Log;
  for (const host::AnswerSlot& slot : end.Slots) {
    EXPECT_EQ(slot.Found, 1u);
    EXPECT_TRUE(Unwritten(slot));
  }
  end = RunHost("kit_floor", 0, lines);
  ASSERT_TRUE(end.Completed) << end.Log;
  for (const host::AnswerSlot& slot : end.Slots) EXPECT_EQ(slot.Found, 0u);
  end = RunHost("kit_wrong_at", 4, lines);
  ASSERT_TRUE(end.Completed) << end.Log;
  EXPECT_EQ(end.Slots[3].Found, 0u);
  EXPECT_EQ(end.Slots[3].Guesses, 0u);
  EXPECT_EQ(end.Slots[4].Found, 1u);
}

// A crash, a write into the sealed puzzles and a hang each leave the puzzle under way named.
TEST(Gastgeber, AFaultLeavesItsPuzzleNamed) {
  const std::string lines = SampleLines("hardest-1106.txt", 20);
  HostEnd end = RunHost("kit_crash_at", 7, lines);
  ASSERT_EQ(end.Process.How, Ending::Signaled) << end.Log;
  EXPECT_EQ(end.Process.Code, SIGSEGV);
  EXPECT_EQ(end.Current, 7);
  EXPECT_FALSE(end.Completed);
  end = RunHost("kit_write_at", 12, lines);
  ASSERT_EQ(end.Process.How, Ending::Signaled) << end.Log;
  EXPECT_EQ(end.Process.Code, SIGSEGV);
  EXPECT_EQ(end.Current, 12);
  end = RunHost("kit_hang_at", 3, lines, 2);
  EXPECT_EQ(end.Process.How, Ending::TimedOut);
  EXPECT_EQ(end.Current, 3);
}

TEST(Gastgeber, AFailedRunIsToldWithItsRoundAndPuzzle) {
  ProcessEnd end;
  end.How = Ending::Signaled;
  end.Code = SIGSEGV;
  EXPECT_EQ(LibraryFailure("L", "Runde 2", end, 17, 0),
            "Die Bibliothek L ist in Runde 2 bei SUDOKU-Nr. 17 abgestürzt (Signal SIGSEGV).");
  end.Code = SIGBUS;
  EXPECT_EQ(LibraryFailure("L", "Runde 1", end, 0, 0),
            "Die Bibliothek L ist in Runde 1 vor ihrem ersten Rätsel abgestürzt (Signal SIGBUS).");
  end.How = Ending::TimedOut;
  EXPECT_EQ(LibraryFailure("L", "Runde 2", end, 1234, 10),
            "Die Bibliothek L hat in Runde 2 bei SUDOKU-Nr. 1234 die Zeitgrenze von 10 s "
            "überschritten.");
  EXPECT_EQ(LibraryFailure("L", "Runde 3", end, 5, 2.5),
            "Die Bibliothek L hat in Runde 3 bei SUDOKU-Nr. 5 die Zeitgrenze von 2.5 s "
            "überschritten.");
}

TEST(Gastgeber, ProbesALibraryAndItsFunction) {
  testing::TempFolder folder;
  auto probe = [&](const std::string& library, const std::string& function) {
    const std::string log = (folder / "probe.log").string();
    const int status = std::system(
        ("'" + Gastgeber() + "' --probe '" + library + "' " + function + " 2> '" + log + "'")
            .c_str());
    return std::pair{WEXITSTATUS(status), testing::GetFile(log)};
  };
  EXPECT_EQ(probe(Library, "kit_solve").first, 0);
  auto [status, log] = probe(Library, "kit_missing");
  EXPECT_EQ(status, 2);
  EXPECT_TRUE(testing::Has(
      log, "Gastgeber: Die Bibliothek " + Library + " hat keine Funktion kit_missing.\n"))
      << log;
  EXPECT_TRUE(testing::Has(log, "dlsym: ")) << log;  // the loader's own words, for the log
  std::tie(status, log) = probe(KIT_DATA_DIR "/serg.txt", "kit_solve");
  EXPECT_EQ(status, 2);
  EXPECT_TRUE(testing::Has(log, "lässt sich nicht laden.")) << log;
  EXPECT_TRUE(testing::Has(log, "dlopen: ")) << log;
}

}  // namespace
}  // namespace runner
