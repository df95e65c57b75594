#include "BuildSudokus.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "BuildInput.h"
#include "FileError.h"
#include "LiteralSharedSearch.h"
#include "PuzzleFile.h"
#include "PuzzleMix.h"
#include "RandomDraws.h"
#include "TempFolder.h"

namespace generator {
namespace {

using kit::Board;
using kit::testing::CountSolutions;
using kit::testing::GetFile;
using kit::testing::PutFile;
using kit::testing::TempFolder;

std::string Generate(std::int32_t seed, std::int32_t count,
                     std::vector<std::int32_t>* ticks = nullptr) {
  kit::StringSink sink;
  BuildSudokus(seed, count, sink, [&](std::int32_t written) {
    if (ticks) ticks->push_back(written);
    return true;
  });
  return sink.Text;
}

std::vector<Board> Puzzles(const std::string& file) {
  return kit::ReadAllPuzzles(kit::PuzzleText{file, "IN.TXT"});
}

int Digits(const Board& b) {
  int n = 0;
  for (std::uint8_t v : b) n += v != 0;
  return n;
}

TEST(RandomDraws, UseTwoTwisterOutputsPerDraw) {
  // The first outputs of std::mt19937 seeded 5489 are 3499211612, 581869302, 3890346734, ...
  RandomDraws random(5489);
  const double expected =
      ((3499211612u >> 5) * 67108864.0 + (581869302u >> 6)) / 9007199254740992.0;
  EXPECT_EQ(random.Next(), expected);
  std::mt19937 twister(5489);
  EXPECT_EQ(twister(), 3499211612u);
  EXPECT_EQ(twister(), 581869302u);
  EXPECT_EQ(twister(), 3890346734u);

  // A negative seed stands for its 32-bit pattern.
  RandomDraws negative(-1);
  std::mt19937 same(4294967295u);
  const auto a = static_cast<std::uint32_t>(same() >> 5);
  const auto b = static_cast<std::uint32_t>(same() >> 6);
  EXPECT_EQ(negative.Next(), (a * 67108864.0 + b) / 9007199254740992.0);

  RandomDraws ranges(42);
  for (int i = 0; i < 20000; ++i) {
    const int cell = ranges.Cell(), digit = ranges.Digit(), clearings = ranges.Clearings();
    ASSERT_TRUE(cell >= 0 && cell <= 80 && digit >= 1 && digit <= 9 && clearings >= 30 &&
                clearings <= 49);
  }
}

TEST(RandomDraws, TwisterGivesTheStandardSequence) {
  // Several regenerations, for seeds at the edges of the 32-bit range and the ones Build proposes.
  for (const std::uint32_t seed : {0u, 1u, 4711u, 12345u, 5489u, 0x80000000u, 0xFFFFFFFFu}) {
    Twister ours(seed);
    std::mt19937 standard(seed);
    for (int i = 0; i < 5000; ++i) ASSERT_EQ(ours(), standard()) << "seed " << seed << ", " << i;
  }
}

TEST(ParseWholeNumber, TakesBlanksSignsAndTheFull32BitRange) {
  EXPECT_EQ(ParseWholeNumber("  500000 "), 500000);
  EXPECT_EQ(ParseWholeNumber("-5"), -5);
  EXPECT_EQ(ParseWholeNumber("+7"), 7);
  EXPECT_EQ(ParseWholeNumber("2147483647"), 2147483647);
  EXPECT_EQ(ParseWholeNumber("-2147483648"), -2147483647 - 1);
  for (const char* bad : {"", "   ", "2147483648", "-2147483649", "1.5", "12a", "a12", "1 2", "+",
                          "-", "+-3", "1e3", "0x10"}) {
    EXPECT_FALSE(ParseWholeNumber(bad)) << "'" << bad << "'";
  }
}

TEST(BuildSudokus, SameSeedAndCountGiveTheSameFile) {
  const std::string a = Generate(4711, 300);
  EXPECT_EQ(a, Generate(4711, 300));
  EXPECT_NE(a, Generate(4712, 300));
  // A longer run with the same seed repeats the shorter run's puzzles but its last one.
  const std::string longer = Generate(4711, 400);
  EXPECT_EQ(longer.substr(0, 173 * 299), a.substr(0, 173 * 299));
}

TEST(BuildSudokus, FileHasTheExpectedLengthAndCounterTicks) {
  for (const auto& [count, length, ticks] :
       {std::tuple{1, 171, 0}, std::tuple{0, 171, 0}, std::tuple{-5, 171, 0},
        std::tuple{5, 173 * 5 - 2, 0}, std::tuple{6, 173 * 6 - 2, 0},
        std::tuple{1000, 173 * 1000 - 2, 0}, std::tuple{1001, 173 * 1001 - 2, 1}}) {
    std::vector<std::int32_t> seen;
    const std::string file = Generate(99, count, &seen);
    EXPECT_EQ(file.size(), static_cast<std::size_t>(length)) << count;
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(ticks)) << count;
    if (ticks) {
      EXPECT_EQ(seen.front(), 1000);
    }
  }
}

TEST(BuildSudokus, GridPuzzlesComeFromOneGridAndScatterPuzzlesAreSparse) {
  const std::vector<Board> puzzles = Puzzles(Generate(20261207, 1201));
  ASSERT_EQ(puzzles.size(), 1201u);
  int completed = 0;
  for (std::size_t i = 0; i < puzzles.size(); ++i) {
    const std::size_t number = i + 1;
    const Board& p = puzzles[i];
    if (number % 5 == 0 || number == puzzles.size()) {
      EXPECT_LE(Digits(p), 12) << number;
      continue;
    }
    // A start that could not be completed keeps its nine digits at most.
    if (Digits(p) <= 9) continue;
    ++completed;
    EXPECT_GE(Digits(p), 32) << number;
    EXPECT_LE(Digits(p), 80) << number;
    EXPECT_GE(CountSolutions(p, 1), 1) << number;
  }
  EXPECT_GT(completed, 900);
  // The last puzzle has no clearings: its nine drops and three more digits, at least 1 left.
  EXPECT_GE(Digits(puzzles.back()), 1);
}

// Independent of how the search is made: the literal one gives the same files.
TEST(BuildSudokus, SameFileWithTheLiteralSearch) {
  for (std::int32_t seed : {1, -123456, 86399}) {
    auto literal = std::make_unique<kit::literal::LiteralRekursiv>();
    literal->InitTables();
    kit::StringSink sink;
    BuildSudokus(
        seed, 1500, sink, [](std::int32_t) { return true; },
        [&](kit::PuzzleRecord& record) { literal->SolveSudoku(record); });
    EXPECT_EQ(sink.Text, Generate(seed, 1500)) << seed;
  }
}

TEST(WritePuzzleFile, ReplacesInTxtOnlyWhenComplete) {
  TempFolder folder;
  PutFile(folder / "IN.TXT", "earlier");
  int calls = 0;
  EXPECT_EQ(WritePuzzleFile(folder.Path(), 7, 3000, [&](std::int32_t) { return ++calls < 2; }),
            BuildResult::Stopped);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(GetFile(folder / "IN.TXT"), "earlier");
  EXPECT_FALSE(std::filesystem::exists(folder / "IN.TXT.tmp"));

  EXPECT_EQ(WritePuzzleFile(folder.Path(), 7, 3000, [](std::int32_t) { return true; }),
            BuildResult::Written);
  EXPECT_EQ(GetFile(folder / "IN.TXT"), Generate(7, 3000));

  EXPECT_THROW(WritePuzzleFile(folder / "no such folder", 7, 5, [](std::int32_t) { return true; }),
               kit::FileError);
}

}  // namespace
}  // namespace generator
