#include <gtest/gtest.h>

#include <sstream>

#include "LiteralRekursiv.h"
#include "PuzzleFile.h"
#include "PuzzleMix.h"
#include "SolutionFile.h"
#include "Sudoku.h"
#include "TempFolder.h"

namespace quadrin {
namespace {

using kit::Board;
using kit::testing::GetFile;
using kit::testing::PutFile;
using kit::testing::TempFolder;

std::string PuzzleFile(const std::vector<Board>& puzzles) {
  kit::StringSink sink;
  kit::WritePuzzleBlocks(sink, puzzles);
  return sink.Text;
}

// OUT.TXT as the literal reading of the search gives it.
std::string ExpectedAnswers(const std::vector<Board>& puzzles) {
  literal::LiteralRekursiv search;
  search.InitBoxStart();
  kit::StringSink sink;
  for (const Board& p : puzzles) {
    for (std::size_t i = 0; i < 81; ++i) search.SolverInput.Cells[i] = p[i];
    search.SolvePuzzle();
    kit::WriteSolutionBlock(sink, search.SolverResult.Cells);
  }
  return sink.Text;
}

struct BatchResult {
  int status;
  std::string errors;
};

BatchResult RunIn(const TempFolder& folder) {
  std::ostringstream errors;
  const int status = RunBatch(folder.Path(), errors, /*withBusyLoad=*/false);
  return {status, errors.str()};
}

TEST(RunBatch, AnswersEveryPuzzleInOrderAndReplacesOutTxt) {
  kit::testing::PuzzleMix mix(99);
  std::vector<Board> puzzles = mix.Mix(40);
  Board repeated{};
  repeated[0] = repeated[1] = 5;  // repeats in a row: zeros, and the run goes on
  puzzles.insert(puzzles.begin() + 3, repeated);
  puzzles.push_back(Board{});

  TempFolder folder;
  PutFile(folder / "IN.TXT", PuzzleFile(puzzles));
  PutFile(folder / "OUT.TXT", std::string(100000, 'x'));
  const BatchResult run = RunIn(folder);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.errors, "");
  const std::string out = GetFile(folder / "OUT.TXT");
  EXPECT_EQ(out, ExpectedAnswers(puzzles));
  kit::LineReader answers(folder / "OUT.TXT", "OUT.TXT", kit::MaxAnswerLine);
  for (std::size_t i = 0; i < puzzles.size(); ++i) {
    const kit::SolutionBlock block = kit::ReadSolutionBlock(answers);
    ASSERT_EQ(block.Status, kit::BlockStatus::Read) << i;
    if (i == 3) {
      EXPECT_EQ(block.Kind, 0);
      EXPECT_EQ(block.Cells, Board{});
    }
  }
  EXPECT_EQ(answers.LinesRead(), 10 * static_cast<long long>(puzzles.size()));
  EXPECT_FALSE(std::filesystem::exists(folder / "OUT.TXT.tmp"));
}

TEST(RunBatch, OnePuzzleGivesOneBlock) {
  TempFolder folder;
  PutFile(folder / "IN.TXT", PuzzleFile({Board{}}));
  EXPECT_EQ(RunIn(folder).status, 0);
  const std::string out = GetFile(folder / "OUT.TXT");
  EXPECT_EQ(out.size(), 254u);
  EXPECT_EQ(out.substr(out.size() - 4), "\r\n\r\n");
}

TEST(RunBatch, FindsInTxtWhateverTheCaseOfItsName) {
  TempFolder folder;
  PutFile(folder / "in.txt", PuzzleFile({Board{}}));
  EXPECT_EQ(RunIn(folder).status, 0);
  EXPECT_TRUE(std::filesystem::exists(folder / "OUT.TXT"));
}

TEST(RunBatch, BadInputStopsWithAGermanMessageAndKeepsTheOldOutTxt) {
  kit::testing::PuzzleMix mix(5);
  const std::string good = PuzzleFile(mix.Mix(6));
  std::string letter = good;
  letter[173 * 4 + 19 * 2 + 8] = 'Q';
  struct Case {
    const char* name;
    std::optional<std::string> in;  // none: no IN.TXT at all
    const char* says;
  };
  const std::vector<Case> cases = {
      {"missing", std::nullopt, "Quadrin: Die Datei IN.TXT fehlt im Ordner"},
      {"empty", "", "Quadrin: Die Datei IN.TXT ist leer"},
      {"letter", letter, "Quadrin: Fehler in IN.TXT, Rätsel 5, Zeile 43: An Spalte 9 steht „Q“"},
      {"empty line after the last", good + "\r\n",
       "Quadrin: Fehler in IN.TXT, Rätsel 6, Zeile 60: Überzählige Leerzeile"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    if (c.in) PutFile(folder / "IN.TXT", *c.in);
    PutFile(folder / "OUT.TXT", "earlier answers");
    const BatchResult run = RunIn(folder);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors.rfind(c.says, 0), 0u) << run.errors;
    EXPECT_EQ(run.errors.back(), '\n');
    EXPECT_EQ(GetFile(folder / "OUT.TXT"), "earlier answers");
    EXPECT_FALSE(std::filesystem::exists(folder / "OUT.TXT.tmp"));
  }
}

TEST(RunBatch, OutTxtThatCannotBeReplacedIsReported) {
  TempFolder folder;
  PutFile(folder / "IN.TXT", PuzzleFile({Board{}}));
  std::filesystem::create_directory(folder / "OUT.TXT");
  PutFile(folder / "OUT.TXT" / "keep", "x");
  const BatchResult run = RunIn(folder);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.errors.rfind("Quadrin: Die Datei OUT.TXT kann nicht ersetzt werden", 0), 0u)
      << run.errors;
  EXPECT_EQ(GetFile(folder / "OUT.TXT" / "keep"), "x");
}

}  // namespace
}  // namespace quadrin
