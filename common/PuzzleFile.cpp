#include "PuzzleFile.h"

#include "FileError.h"
#include "FileNames.h"

namespace kit {
namespace {

constexpr int RowLength = 19;  // 17 characters and CR LF

// Readers walk a file that was checked block by block, so the block at offset `start` is puzzle
// start / 173 + 1, and its row r stands on line 10 × (puzzle − 1) + r + 1.
[[noreturn]] void FailAt(const PuzzleText& text, std::int64_t start, int row,
                         const std::string& what) {
  const long long puzzle = start / PuzzleStride + 1;
  const long long line = 10 * (puzzle - 1) + row + 1;
  throw FileError("Fehler in " + text.FileName + ", Rätsel " + std::to_string(puzzle) + ", Zeile " +
                      std::to_string(line) + ": " + what,
                  puzzle, line);
}

}  // namespace

PuzzleText LoadPuzzleText(const std::filesystem::path& folder) {
  const auto path = FindFileIgnoringCase(folder, PuzzleFileQuery);
  if (!path) {
    throw FileError("Die Datei " + std::string(PuzzleFileName) + " fehlt im Ordner " +
                    ShownPath(folder) + ".");
  }
  PuzzleText result;
  result.FileName = path->filename().string();
  result.Text = ReadWholeFile(*path, result.FileName);
  return result;
}

Board ReadNextPuzzle(const PuzzleText& text, ReadPos& pos) {
  const std::string& t = text.Text;
  const auto size = static_cast<std::int64_t>(t.size());
  const std::int64_t start = pos - 1;
  if (size == 0) {
    throw FileError("Die Datei " + text.FileName + " ist leer: sie enthält kein Rätsel.", 1, 1);
  }

  Board cells{};
  for (int r = 0; r < 9; ++r) {
    const std::int64_t line = start + r * RowLength;
    for (int c = 0; c < 9; ++c) {
      const std::int64_t at = line + 2 * c;
      if (at >= size) FailAt(text, start, r, "Die Datei endet mitten im Rätsel.");
      const char ch = t[static_cast<std::size_t>(at)];
      if (ch < '0' || ch > '9') {
        FailAt(text, start, r,
               "An Spalte " + std::to_string(2 * c + 1) + " steht " + ShownByte(ch) +
                   " statt einer Ziffer 0 bis 9.");
      }
      cells[static_cast<std::size_t>(9 * r + c)] = static_cast<std::uint8_t>(ch - '0');
    }
    const std::int64_t end = line + 17;
    if (r == 8 && (end == size || (end + 1 == size && t[static_cast<std::size_t>(end)] == '\r'))) {
      pos = 2;  // the last line of the file without its line end: harmless
      return cells;
    }
    if (end + 1 >= size) FailAt(text, start, r, "Die Datei endet mitten im Rätsel.");
    if (t[static_cast<std::size_t>(end)] != '\r' || t[static_cast<std::size_t>(end + 1)] != '\n') {
      const char found = t[static_cast<std::size_t>(end)];
      FailAt(text, start, r,
             found == '\n' ? std::string("Die Zeile endet mit LF ohne CR; die Datei braucht "
                                         "CR LF als Zeilenende.")
                           : "Nach 17 Zeichen wird das Zeilenende CR LF erwartet, dort steht " +
                                 ShownByte(found) + ".");
    }
  }

  const std::int64_t after = start + PuzzleBlockLength;
  if (after == size) {
    pos = 2;
    return cells;
  }
  if (after + 1 >= size || t[static_cast<std::size_t>(after)] != '\r' ||
      t[static_cast<std::size_t>(after + 1)] != '\n') {
    FailAt(text, start, 9,
           "Nach dem Rätsel wird eine Leerzeile erwartet, dort steht " +
               ShownByte(t[static_cast<std::size_t>(after)]) + ".");
  }
  if (after + 2 == size) {
    FailAt(text, start, 9, "Überzählige Leerzeile nach dem letzten Rätsel.");
  }
  if (t[static_cast<std::size_t>(after + 2)] == '\r') {
    FailAt(text, start, 10, "Mehr als eine Leerzeile zwischen zwei Rätseln.");
  }
  pos = after + 3;
  return cells;
}

std::vector<Board> ReadAllPuzzles(const PuzzleText& text) {
  std::vector<Board> puzzles;
  ReadPos pos = 1;
  do puzzles.push_back(ReadNextPuzzle(text, pos));
  while (pos >= 3);
  return puzzles;
}

void WritePuzzleBlock(TextSink& out, const Board& cells, bool isLastPuzzle) {
  char line[17];
  for (int r = 0; r < 9; ++r) {
    for (int c = 0; c < 9; ++c) {
      line[2 * c] = static_cast<char>('0' + cells[static_cast<std::size_t>(9 * r + c)]);
      if (c < 8) line[2 * c + 1] = ',';
    }
    out.WriteLine(std::string_view(line, sizeof line));
  }
  if (!isLastPuzzle) out.WriteLine("");
}

void WritePuzzleBlocks(TextSink& out, const std::vector<Board>& puzzles) {
  for (std::size_t i = 0; i < puzzles.size(); ++i) {
    WritePuzzleBlock(out, puzzles[i], i + 1 == puzzles.size());
  }
}

}  // namespace kit
