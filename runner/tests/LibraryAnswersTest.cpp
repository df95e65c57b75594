// A library's answers as the judge takes them from its host's slots, and its pass's figures.
#include "LibrarySolver.h"

#include <gtest/gtest.h>

#include <cstring>

#include "CheckIt.h"
#include "PuzzleFile.h"
#include "TempFolder.h"
#include "TextFiles.h"

namespace runner {
namespace {

const char* const Solved =
    "534678912672195348198342567859761423426853791713924856961537284287419635345286179";

kit::Board BoardOf(const std::string& line) {
  kit::Board board{};
  for (std::size_t i = 0; i < board.size(); ++i) {
    board[i] = line[i] == '.' ? 0 : static_cast<std::uint8_t>(line[i] - '0');
  }
  return board;
}

// Puzzle 1 has exactly one solution (the solved grid with two cells emptied), puzzle 2 several
// (an empty grid), puzzle 3 none (a 5 twice in its first row).
kit::PuzzleText ThreePuzzles() {
  std::string one = Solved, none(81, '.');
  one[0] = one[10] = '.';
  none[0] = none[1] = '5';
  kit::StringSink sink;
  kit::WritePuzzleBlocks(sink, {BoardOf(one), BoardOf(std::string(81, '.')), BoardOf(none)});
  return {sink.Text};
}

host::AnswerSlot Slot(std::size_t found, const char* solution,
                      std::size_t guesses = host::NoGuesses) {
  host::AnswerSlot slot;
  slot.Found = found;
  slot.Guesses = guesses;
  std::memset(slot.Solution, host::NoSolution, sizeof slot.Solution);
  if (solution) std::memcpy(slot.Solution, solution, 81);
  return slot;
}

checker::CheckResult Judged(const std::vector<host::AnswerSlot>& slots) {
  LibraryAnswers answers(slots);
  return checker::CheckAnswers(ThreePuzzles(), answers, [](std::int32_t) { return true; });
}

TEST(LibraryAnswers, CountsAndSolutionsAreJudgedAsEveryAnswer) {
  // A count of 2 keeps no solution: whatever a limit-2 call left there is not looked at.
  EXPECT_EQ(Judged({Slot(1, Solved), Slot(2, std::string(81, 'x').c_str()), Slot(0, nullptr)}).Kind,
            checker::Verdict::AllCorrect);
  // Several counted where there is one; the first cell wrong; a count where there is none.
  const checker::CheckResult several =
      Judged({Slot(2, nullptr), Slot(2, nullptr), Slot(0, nullptr)});
  EXPECT_EQ(several.Number, 1);
  EXPECT_EQ(several.Reason,
            "Das Rätsel hat genau eine Lösung, die Antwort gibt aber mehrere "
            "Lösungen (Anzahl 2) an.");
  std::string wrong = Solved;
  wrong[0] = '9';
  EXPECT_EQ(Judged({Slot(1, wrong.c_str()), Slot(2, nullptr), Slot(0, nullptr)}).Reason,
            "Zeile 1, Spalte 1: erwartet 5, gefunden 9 (kein vorgegebenes Feld).");
  const checker::CheckResult one = Judged({Slot(1, Solved), Slot(2, nullptr), Slot(1, Solved)});
  EXPECT_EQ(one.Number, 3);
  EXPECT_EQ(one.Reason,
            "Das Rätsel hat keine Lösung, die Antwort gibt aber genau eine Lösung "
            "(Anzahl 1) an.");
}

TEST(LibraryAnswers, ALibraryWithoutSolutionsIsJudgedOnItsCountsAlone) {
  const std::vector<host::AnswerSlot> counts = {Slot(1, nullptr), Slot(5, nullptr),
                                                Slot(0, nullptr)};
  EXPECT_FALSE(GivesSolutions(counts));
  EXPECT_EQ(Judged(counts).Kind, checker::Verdict::AllCorrect);
  // Its counts are judged all the same.
  EXPECT_EQ(Judged({Slot(0, nullptr), Slot(2, nullptr), Slot(0, nullptr)}).Number, 1);
  // One that gives solutions must give each: a missing one or a byte that is no digit is wrong.
  std::string bad = Solved;
  bad[80] = 'x';
  const checker::CheckResult badByte =
      Judged({Slot(1, bad.c_str()), Slot(1, Solved), Slot(0, nullptr)});
  EXPECT_EQ(badByte.Number, 1);
  EXPECT_NE(badByte.Reason.find("Zeile 9, Spalte 9"), std::string::npos) << badByte.Reason;
  // Puzzle 2 has several solutions; a count of one for it is wrong, with or without digits.
  EXPECT_EQ(Judged({Slot(1, Solved), Slot(1, nullptr), Slot(0, nullptr)}).Number, 2);
}

TEST(PassFigures, PercentilesSlowestGuessesHistogramAndLines) {
  std::vector<host::AnswerSlot> slots;
  for (int i = 1; i <= 200; ++i) {
    host::AnswerSlot slot = Slot(1, Solved, i % 4 == 0 ? 0 : 3);
    slot.Seconds = i * 1e-6;  // puzzle i took i µs
    slots.push_back(slot);
  }
  kit::testing::TempFolder folder;
  // A header and an empty line before the puzzles: puzzle k is on line k + 2.
  std::string collection = "# Sammlung\n\n";
  for (int i = 0; i < 200; ++i) collection += std::string(Solved) + "\n";
  kit::testing::PutFile(folder / "c.txt", collection);
  const record::PuzzleTimes t = PassFigures(slots, folder / "c.txt");
  EXPECT_TRUE(t.SolutionsGiven);
  EXPECT_EQ(t.Guesses, 150 * 3);
  EXPECT_EQ(t.WithoutGuess, 50);
  EXPECT_DOUBLE_EQ(t.P50, 100);  // nearest rank: the 100th of 200
  EXPECT_DOUBLE_EQ(t.P90, 180);
  EXPECT_DOUBLE_EQ(t.P99, 198);
  EXPECT_DOUBLE_EQ(t.Max, 200);
  ASSERT_EQ(t.Slowest.size(), 10u);
  EXPECT_EQ(t.Slowest[0].Number, 200);
  EXPECT_EQ(t.Slowest[0].Line, 202);
  EXPECT_EQ(t.Slowest[9].Number, 191);
  EXPECT_EQ(t.Slowest[0].Guesses, 0);
  EXPECT_EQ(t.Slowest[1].Guesses, 3);
  ASSERT_EQ(t.Histogram.size(), static_cast<std::size_t>(record::PuzzleTimeBins));
  std::int64_t all = 0;
  for (const std::int64_t n : t.Histogram) all += n;
  EXPECT_EQ(all, 200);
  // 1 µs opens bin 10, 10 µs bin 20, 100 µs bin 30: puzzles 1–9 lie in the second decade.
  std::int64_t below10 = 0;
  for (int bin = 10; bin < 20; ++bin) below10 += t.Histogram[static_cast<std::size_t>(bin)];
  EXPECT_EQ(below10, 9);

  // Without guesses, and from a generated set: no guesses and no lines.
  for (host::AnswerSlot& slot : slots) slot.Guesses = host::NoGuesses;
  const record::PuzzleTimes generated = PassFigures(slots, {});
  EXPECT_FALSE(generated.Guesses);
  EXPECT_FALSE(generated.Slowest[0].Line);
  EXPECT_FALSE(generated.Slowest[0].Guesses);
}

TEST(PuzzleTimeBins, CoverTenthsOfADecadeFromATenthOfAMicrosecondTo100Seconds) {
  EXPECT_EQ(record::PuzzleTimeBin(0.0), 0);
  EXPECT_EQ(record::PuzzleTimeBin(0.1), 0);
  EXPECT_EQ(record::PuzzleTimeBin(1.0), 10);
  EXPECT_EQ(record::PuzzleTimeBin(1.26), 11);
  EXPECT_EQ(record::PuzzleTimeBin(99.9e6), 89);
  EXPECT_EQ(record::PuzzleTimeBin(1e12), 89);
  EXPECT_DOUBLE_EQ(record::BinStartMicroseconds(30), 100);
  for (int bin = 0; bin < record::PuzzleTimeBins; ++bin) {
    EXPECT_EQ(record::PuzzleTimeBin(record::BinStartMicroseconds(bin) * 1.0001), bin);
  }
}

}  // namespace
}  // namespace runner
