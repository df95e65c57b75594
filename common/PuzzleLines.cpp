#include "PuzzleLines.h"

#include "FileError.h"
#include "TextFiles.h"

namespace kit {
namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

bool IsSeparator(char c) {
  return c == ' ' || c == '\t' || c == ':' || c == ';' || c == ',';
}

}  // namespace

std::vector<Board> ParsePuzzleLines(std::string_view text, const std::string& shownName,
                                    std::size_t limit) {
  if (text.starts_with(ByteOrderMark)) text.remove_prefix(ByteOrderMark.size());
  std::vector<Board> puzzles;
  long long lineNumber = 0;
  while (!text.empty() && puzzles.size() < limit) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNumber;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;

    auto fail = [&](const std::string& what) {
      const auto puzzle = static_cast<long long>(puzzles.size()) + 1;
      throw FileError(
          "Fehler in " + shownName + ", Zeile " + std::to_string(lineNumber) + ": " + what, puzzle,
          lineNumber);
    };
    Board board{};
    for (std::size_t i = 0; i < static_cast<std::size_t>(CellCount); ++i) {
      if (i == line.size()) {
        fail("Die Zeile hat nur " + std::to_string(i) + " Zeichen; ein Rätsel braucht 81.");
      }
      const char c = line[i];
      if (c >= '1' && c <= '9') {
        board[i] = static_cast<std::uint8_t>(c - '0');
      } else if (c != '.' && c != '0') {
        fail("Zeichen " + std::to_string(i + 1) + " ist " + ShownByte(c) +
             "; ein Feld ist eine Ziffer 1 bis 9, oder „.“ oder „0“ wenn es leer ist.");
      }
    }
    if (line.size() > 81 && !IsSeparator(line[81])) {
      fail("Zeichen 82 ist " + ShownByte(line[81]) +
           "; nach den 81 Feldern darf nur nach einem Leerzeichen, Tabulator, „:“, „;“ oder „,“ "
           "noch etwas folgen.");
    }
    puzzles.push_back(board);
  }
  if (puzzles.empty() && limit > 0) {
    throw FileError("Die Datei " + shownName + " enthält kein Rätsel.", 0, 0);
  }
  return puzzles;
}

std::vector<Board> ReadPuzzleLines(const std::filesystem::path& path, std::size_t limit) {
  const std::string shown = path.string();
  return ParsePuzzleLines(ReadWholeFile(path, shown), shown, limit);
}

}  // namespace kit
