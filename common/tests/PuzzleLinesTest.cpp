#include "PuzzleLines.h"

#include <gtest/gtest.h>

#include "FileError.h"
#include "SampleData.h"
#include "TempFolder.h"

namespace kit {
namespace {

const std::string Line =
    "..............3.85..1.2.......5.7.....4...1...9.......5......73..2.1........4...9";

Board Expected() {
  Board b{};
  for (std::size_t i = 0; i < 81; ++i) {
    b[i] = static_cast<std::uint8_t>(Line[i] == '.' ? 0 : Line[i] - '0');
  }
  return b;
}

// The line number and message of the error that `text` gives.
std::pair<long long, std::string> ErrorOf(const std::string& text) {
  try {
    ParsePuzzleLines(text, "sammlung.txt");
  } catch (const FileError& e) {
    return {e.Line, e.what()};
  }
  return {0, "no error"};
}

TEST(PuzzleLines, ReadsTheFieldsCommonSpellings) {
  std::string zeros = Line;
  for (char& c : zeros) c = c == '.' ? '0' : c;
  const std::string text = "\xEF\xBB\xBF# a comment line\n" + Line + "\r\n\n" + zeros +
                           " 17 clues\n" + Line + "\t3.2\r\n" + Line + ":solution\n" + Line +
                           ";x\n" + Line + ",x\n#" + Line + "x\n" + Line;  // no final line end
  const std::vector<Board> boards = ParsePuzzleLines(text, "sammlung.txt");
  ASSERT_EQ(boards.size(), 7u);
  for (const Board& b : boards) EXPECT_EQ(b, Expected());

  EXPECT_EQ(ParsePuzzleLines(text, "sammlung.txt", 2).size(), 2u);
  // Lines after the last puzzle taken are not looked at.
  EXPECT_EQ(ParsePuzzleLines(Line + "\nkaputt\n", "sammlung.txt", 1).size(), 1u);
}

TEST(PuzzleLines, RefusesAnythingElseNamingFileAndLine) {
  const struct {
    std::string text;
    long long line;
    const char* says;
  } cases[] = {
      {Line + "\n" + Line.substr(0, 80) + "\n", 2, "nur 80 Zeichen"},
      {"\n\n" + Line.substr(0, 40) + "x" + Line.substr(41), 3, "Zeichen 41 ist „x“"},
      {Line + "7\n", 1, "Zeichen 82 ist „7“"},
      {Line + "\r\r\n", 1, "Zeichen 82 ist CR"},
      {" " + Line + "\n", 1, "Zeichen 1 ist ein Leerzeichen"},
      {Line + "\n\xEF\xBB\xBF" + Line, 2, "das Byte 0xEF"},  // a mark only at the start
      {Line.substr(0, 9) + "\r" + Line.substr(10), 1, "Zeichen 10 ist CR"},
  };
  for (const auto& c : cases) {
    const auto [line, message] = ErrorOf(c.text);
    EXPECT_EQ(line, c.line) << message;
    EXPECT_NE(message.find("Fehler in sammlung.txt, Zeile " + std::to_string(c.line) + ": "),
              std::string::npos)
        << message;
    EXPECT_NE(message.find(c.says), std::string::npos) << message;
  }
  for (const char* nothing : {"", "\xEF\xBB\xBF", "# only a comment\n\n"}) {
    EXPECT_EQ(ErrorOf(nothing).second, "Die Datei sammlung.txt enthält kein Rätsel.");
  }
}

TEST(PuzzleLines, ReadsFilesAndTheProjectsSamples) {
  testing::TempFolder folder;
  testing::PutFile(folder / "a.txt", Line + "\n" + Line + "\n");
  EXPECT_EQ(ReadPuzzleLines(folder / "a.txt").size(), 2u);
  try {
    ReadPuzzleLines(folder / "fehlt.txt");
    ADD_FAILURE() << "a missing file was read";
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find("fehlt.txt kann nicht gelesen werden"), std::string::npos);
  }
  for (const char* name : testing::SampleNames) {
    EXPECT_EQ(testing::SamplePuzzles(name).size(), 300u) << name;
  }
}

}  // namespace
}  // namespace kit
