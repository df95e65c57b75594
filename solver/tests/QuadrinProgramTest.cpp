// The built Quadrin program, run as a user runs it: in a folder, without arguments.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "LiteralRekursiv.h"
#include "PuzzleFile.h"
#include "PuzzleMix.h"
#include "SolutionFile.h"
#include "TempFolder.h"

namespace quadrin {
namespace {

using kit::Board;
using kit::testing::GetFile;
using kit::testing::PutFile;
using kit::testing::TempFolder;

std::string Program() {
  const char* dir = std::getenv("KIT_BIN_DIR");
  return std::string(dir ? dir : ".") + "/Quadrin";
}

// Runs Quadrin in `folder`; returns its exit status, standard error in `errors`.
int RunQuadrin(const TempFolder& folder, std::string& errors) {
  const std::string command =
      "cd '" + folder.Path().string() + "' && '" + Program() + "' 2> stderr.txt";
  const int status = std::system(command.c_str());
  errors = GetFile(folder / "stderr.txt");
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(QuadrinProgram, WritesOutTxtByteForByte) {
  kit::testing::PuzzleMix mix(31);
  std::vector<Board> puzzles = mix.Mix(24);
  puzzles.insert(puzzles.begin(), Board{});
  kit::StringSink in, expected;
  literal::LiteralRekursiv search;
  search.InitBoxStart();
  for (std::size_t i = 0; i < puzzles.size(); ++i) {
    kit::WritePuzzleBlock(in, puzzles[i], i + 1 == puzzles.size());
    for (std::size_t x = 0; x < 81; ++x) search.SolverInput.Cells[x] = puzzles[i][x];
    search.SolvePuzzle();
    kit::WriteSolutionBlock(expected, search.SolverResult.Cells);
  }
  TempFolder folder;
  PutFile(folder / "IN.TXT", in.Text);
  std::string errors;
  ASSERT_EQ(RunQuadrin(folder, errors), 0) << errors;
  EXPECT_EQ(errors, "");
  const std::string out = GetFile(folder / "OUT.TXT");
  EXPECT_EQ(out, expected.Text);
  EXPECT_EQ(out.substr(0, 28), "-1,-2,-3,-4,-5,-6,-7,-8,-9\r\n");
}

TEST(QuadrinProgram, DamagedInTxtEndsWithMessageAndStatus1) {
  TempFolder folder;
  std::string bytes;
  for (int r = 0; r < 9; ++r) bytes += "0,0,0,0,0,0,0,0,0\n";  // LF alone
  PutFile(folder / "IN.TXT", bytes);
  std::string errors;
  EXPECT_EQ(RunQuadrin(folder, errors), 1);
  EXPECT_EQ(errors,
            "Quadrin: Fehler in IN.TXT, Rätsel 1, Zeile 1: Die Zeile endet mit LF ohne CR; die "
            "Datei braucht CR LF als Zeilenende. OUT.TXT bleibt unverändert.\n");
  EXPECT_FALSE(std::filesystem::exists(folder / "OUT.TXT"));
}

}  // namespace
}  // namespace quadrin
