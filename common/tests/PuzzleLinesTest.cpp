#include "PuzzleLines.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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

// The line number and message of the error that `text` gives; read from a file, it must give the
// same, naming the file by its path.
std::pair<long long, std::string> ErrorOf(const std::string& text) {
  std::pair<long long, std::string> parsed{0, "no error"}, read{0, "no error"};
  try {
    ParsePuzzleLines(text, "sammlung.txt");
  } catch (const FileError& e) {
    parsed = {e.Line, e.what()};
  }
  testing::TempFolder folder;
  const std::filesystem::path file = folder / "sammlung.txt";
  testing::PutFile(file, text);
  try {
    ReadPuzzleLines(file);
  } catch (const FileError& e) {
    std::string message = e.what();
    const std::size_t at = message.find(file.string());
    if (at != std::string::npos) message.replace(at, file.string().size(), "sammlung.txt");
    read = {e.Line, message};
  }
  EXPECT_EQ(read, parsed) << "the file reads otherwise than its text";
  return parsed;
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

  testing::TempFolder folder;
  testing::PutFile(folder / "a.txt", text);
  EXPECT_EQ(ReadPuzzleLines(folder / "a.txt"), boards);
  testing::PutFile(folder / "b.txt", Line + "\n" + std::string(MaxPuzzleLine + 1, '#') + "\n");
  EXPECT_EQ(ReadPuzzleLines(folder / "b.txt", 1).size(), 1u);
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

TEST(PuzzleLines, AFileRefusesALineOverTheLimitAndWhatIsNoRegularFile) {
  testing::TempFolder folder;
  const std::filesystem::path file = folder / "sammlung.txt";
  const std::string longest = Line + " " + std::string(MaxPuzzleLine - 82, 'x');
  testing::PutFile(file, Line + "\r\n" + longest + "\r\n# " + longest + "\n" + Line + "\n");
  try {
    ReadPuzzleLines(file);
    ADD_FAILURE() << "a line of more than " << MaxPuzzleLine << " bytes was read";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Fehler in " + file.string() + ", Zeile 3: Die Zeile ist länger als 4096 Bytes.");
    EXPECT_EQ(e.Line, 3);
    EXPECT_EQ(e.Puzzle, 3);
  }
  std::filesystem::remove(file);
  ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);  // no writer: an open would wait
  EXPECT_THROW(ReadPuzzleLines(file), NotRegularFileError);
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
