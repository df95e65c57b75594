#include "PuzzleFile.h"

#include <gtest/gtest.h>

#include "FileError.h"
#include "TempFolder.h"

namespace kit {
namespace {

using testing::GetFile;
using testing::PutFile;
using testing::TempFolder;

// A board whose cell i holds (i * 7) % 10, so that every row differs and zeros occur.
Board PatternBoard(int shift = 0) {
  Board b{};
  for (int i = 0; i < CellCount; ++i)
    b[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((i * 7 + shift) % 10);
  return b;
}

std::string FileOf(const std::vector<Board>& boards) {
  StringSink sink;
  WritePuzzleBlocks(sink, boards);
  return sink.Text;
}

PuzzleText TextOf(std::string bytes) {
  return PuzzleText{std::move(bytes), "IN.TXT"};
}

TEST(WritePuzzleBlock, WritesRowLinesOfDigitsAndCommasWithCrLf) {
  Board b{};
  const int row[9] = {0, 4, 0, 0, 0, 9, 0, 0, 2};
  for (int c = 0; c < 9; ++c) b[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(row[c]);
  StringSink sink;
  WritePuzzleBlock(sink, b, false);
  EXPECT_EQ(sink.Text.substr(0, 19), std::string("0,4,0,0,0,9,0,0,2\r\n"));
  EXPECT_EQ(sink.Text.size(), 173u);
  EXPECT_EQ(sink.Text.substr(171), "\r\n");

  StringSink empty;
  WritePuzzleBlock(empty, Board{}, true);
  std::string nineZeroLines;
  for (int r = 0; r < 9; ++r) nineZeroLines += "0,0,0,0,0,0,0,0,0\r\n";
  EXPECT_EQ(empty.Text, nineZeroLines);
}

TEST(WritePuzzleBlock, FileOfNPuzzlesIs173NMinus2Bytes) {
  for (int n : {1, 2, 7}) {
    std::vector<Board> boards;
    for (int i = 0; i < n; ++i) boards.push_back(PatternBoard(i));
    const std::string file = FileOf(boards);
    EXPECT_EQ(file.size(), static_cast<std::size_t>(173 * n - 2));
    EXPECT_EQ(file.substr(file.size() - 2), "\r\n");
    EXPECT_NE(file.substr(file.size() - 4), "\r\n\r\n");
  }
}

TEST(ReadNextPuzzle, WalksBlocksByPositionAndEndsAtTwo) {
  const PuzzleText one = TextOf(FileOf({PatternBoard()}));
  ASSERT_EQ(one.Text.size(), 171u);
  ReadPos pos = 1;
  EXPECT_EQ(ReadNextPuzzle(one, pos), PatternBoard());
  EXPECT_EQ(pos, 2);

  const PuzzleText two = TextOf(FileOf({PatternBoard(1), PatternBoard(2)}));
  ASSERT_EQ(two.Text.size(), 344u);
  pos = 1;
  EXPECT_EQ(ReadNextPuzzle(two, pos), PatternBoard(1));
  EXPECT_EQ(pos, 174);
  EXPECT_EQ(ReadNextPuzzle(two, pos), PatternBoard(2));
  EXPECT_EQ(pos, 2);
}

TEST(ReadNextPuzzle, MissingLineEndAtTheVeryEndIsHarmless) {
  const std::string full = FileOf({PatternBoard(3), PatternBoard(4)});
  for (std::size_t cut : {1u, 2u}) {
    const PuzzleText text = TextOf(full.substr(0, full.size() - cut));
    ReadPos pos = 1;
    ReadNextPuzzle(text, pos);
    EXPECT_EQ(ReadNextPuzzle(text, pos), PatternBoard(4)) << "cut " << cut;
    EXPECT_EQ(pos, 2);
  }
}

TEST(ReadNextPuzzle, AnySingleCharacterBetweenCellsIsAccepted) {
  std::string file = FileOf({PatternBoard(5), PatternBoard(6)});
  for (std::size_t i = 0; i < file.size(); ++i) {
    if (file[i] == ',') file[i] = (i % 2 == 0) ? ';' : ' ';
  }
  const PuzzleText text = TextOf(file);
  ReadPos pos = 1;
  EXPECT_EQ(ReadNextPuzzle(text, pos), PatternBoard(5));
  EXPECT_EQ(ReadNextPuzzle(text, pos), PatternBoard(6));
  EXPECT_EQ(pos, 2);
}

struct Damage {
  const char* name;
  std::string bytes;
  long long puzzle;  // where the reader must say it stopped
  long long line;
  const char* says;
};

// Reads every block like the programs do and returns the error that stops the walk.
FileError WalkUntilError(const std::string& bytes) {
  const PuzzleText text = TextOf(bytes);
  ReadPos pos = 1;
  try {
    do ReadNextPuzzle(text, pos);
    while (pos >= 3);
  } catch (const FileError& e) {
    return e;
  }
  ADD_FAILURE() << "no error for a damaged file";
  return FileError("");
}

TEST(ReadNextPuzzle, DamagedFilesStopWithPuzzleAndLine) {
  const std::string three = FileOf({PatternBoard(1), PatternBoard(2), PatternBoard(3)});
  std::string letter = three;
  letter[173 + 19 * 4 + 2 * 3] = 'x';  // puzzle 2, row 5 (line 15), cell 4
  std::string lfOnly;
  for (char c : three)
    if (c != '\r') lfOnly += c;
  std::string wideRow = three;
  wideRow.insert(173 * 2 + 19 * 6 + 17, "0");  // puzzle 3, line 27 has 18 characters
  std::string junkSeparator = three;
  junkSeparator[173 + 171] = '#';

  const std::vector<Damage> cases = {
      {"empty file", "", 1, 1, "ist leer"},
      {"letter at a cell", letter, 2, 15, "Spalte 7 steht „x“"},
      {"LF alone", lfOnly, 1, 1, "LF ohne CR"},
      {"row too long", wideRow, 3, 27, "CR LF erwartet"},
      {"cut in a block", three.substr(0, 173 + 100), 2, 16, "endet mitten im Rätsel"},
      {"empty line after the last", three + "\r\n", 3, 30, "Überzählige Leerzeile"},
      {"two empty lines between", three.substr(0, 173) + "\r\n" + three.substr(173), 1, 11,
       "Mehr als eine Leerzeile"},
      {"junk instead of the empty line", junkSeparator, 2, 20, "Leerzeile erwartet"},
  };
  for (const Damage& d : cases) {
    SCOPED_TRACE(d.name);
    const FileError e = WalkUntilError(d.bytes);
    EXPECT_EQ(e.Puzzle, d.puzzle);
    EXPECT_EQ(e.Line, d.line);
    const std::string message = e.what();
    EXPECT_NE(message.find(d.says), std::string::npos) << message;
    EXPECT_NE(message.find("IN.TXT"), std::string::npos) << message;
  }
}

TEST(LoadPuzzleText, ReadsTheFileWhateverTheCaseOfItsName) {
  TempFolder folder;
  const std::string bytes = FileOf({PatternBoard(8), PatternBoard(9)});
  PutFile(folder / "IN.TXT", bytes);
  PuzzleText text = LoadPuzzleText(folder.Path());
  EXPECT_EQ(text.Text, bytes);
  EXPECT_EQ(text.FileName, "IN.TXT");

  // The readers' own spelling wins when both exist.
  PutFile(folder / "IN.txt", "exact");
  EXPECT_EQ(LoadPuzzleText(folder.Path()).Text, "exact");

  std::filesystem::remove(folder / "IN.txt");
  std::filesystem::rename(folder / "IN.TXT", folder / "in.Txt");
  text = LoadPuzzleText(folder.Path());
  EXPECT_EQ(text.Text, bytes);
  EXPECT_EQ(text.FileName, "in.Txt");
}

TEST(LoadPuzzleText, MissingFileIsReportedInGerman) {
  TempFolder folder;
  std::filesystem::create_directory(folder / "in.txt");  // a folder of that name is no file
  try {
    LoadPuzzleText(folder.Path());
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find("Die Datei IN.TXT fehlt im Ordner"), std::string::npos);
  }
}

}  // namespace
}  // namespace kit
