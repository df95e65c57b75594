#include "PuzzleLines.h"

#include "FileError.h"
#include "TextFiles.h"

namespace kit {
namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

bool IsSeparator(char c) {
  return c == ' ' || c == '\t' || c == ':' || c == ';' || c == ',';
}

// The puzzles of a collection, taken one line at a time (without its line end), with the number
// of every line counted for messages; shared by the readers of a text and of a file.
class PuzzleCollector {
 public:
  PuzzleCollector(const std::string& shownName, std::size_t limit, const NumberedPuzzleSink& take)
      : shownName_(shownName), limit_(limit), take_(take) {}

  bool WantsMore() const { return taken_ < limit_; }

  void Take(std::string_view line) {
    ++lineNumber_;
    if (line.empty() || line.front() == '#') return;
    Board board{};
    for (std::size_t i = 0; i < static_cast<std::size_t>(CellCount); ++i) {
      if (i == line.size()) {
        Fail(lineNumber_,
             "Die Zeile hat nur " + std::to_string(i) + " Zeichen; ein Rätsel braucht 81.");
      }
      const char c = line[i];
      if (c >= '1' && c <= '9') {
        board[i] = static_cast<std::uint8_t>(c - '0');
      } else if (c != '.' && c != '0') {
        Fail(lineNumber_,
             "Zeichen " + std::to_string(i + 1) + " ist " + ShownByte(c) +
                 "; ein Feld ist eine Ziffer 1 bis 9, oder „.“ oder „0“ wenn es leer ist.");
      }
    }
    if (line.size() > 81 && !IsSeparator(line[81])) {
      Fail(
          lineNumber_,
          "Zeichen 82 ist " + ShownByte(line[81]) +
              "; nach den 81 Feldern darf nur nach einem Leerzeichen, Tabulator, „:“, „;“ oder „,“ "
              "noch etwas folgen.");
    }
    take_(board, lineNumber_);
    ++taken_;
  }

  // Refuses line `line`, naming it and the puzzle it would have been.
  [[noreturn]] void Fail(long long line, const std::string& what) const {
    throw FileError("Fehler in " + shownName_ + ", Zeile " + std::to_string(line) + ": " + what,
                    static_cast<long long>(taken_) + 1, line);
  }

  std::size_t Finish() const {
    if (taken_ == 0 && limit_ > 0) {
      throw FileError("Die Datei " + shownName_ + " enthält kein Rätsel.", 0, 0);
    }
    return taken_;
  }

 private:
  const std::string& shownName_;
  std::size_t limit_;
  const NumberedPuzzleSink& take_;
  std::size_t taken_ = 0;
  long long lineNumber_ = 0;
};

}  // namespace

std::vector<Board> ParsePuzzleLines(std::string_view text, const std::string& shownName,
                                    std::size_t limit) {
  if (text.starts_with(ByteOrderMark)) text.remove_prefix(ByteOrderMark.size());
  std::vector<Board> boards;
  const NumberedPuzzleSink keep = [&boards](const Board& board, long long) {
    boards.push_back(board);
  };
  PuzzleCollector puzzles(shownName, limit, keep);
  while (!text.empty() && puzzles.WantsMore()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    puzzles.Take(line);
  }
  puzzles.Finish();
  return boards;
}

std::vector<Board> ReadPuzzleLines(const std::filesystem::path& path, std::size_t limit) {
  std::vector<Board> boards;
  ReadPuzzleLines(path, limit, [&boards](const Board& board) { boards.push_back(board); });
  return boards;
}

std::size_t ReadPuzzleLines(const std::filesystem::path& path, std::size_t limit,
                            const PuzzleSink& take) {
  return ReadPuzzleLines(
      path, limit, NumberedPuzzleSink([&take](const Board& board, long long) { take(board); }));
}

std::size_t ReadPuzzleLines(const std::filesystem::path& path, std::size_t limit,
                            const NumberedPuzzleSink& take) {
  const std::string shown = path.string();
  LineReader in(path, shown, MaxPuzzleLine);
  PuzzleCollector puzzles(shown, limit, take);
  std::string_view line;
  while (puzzles.WantsMore() && in.ReadLine(line)) {
    if (in.LinesRead() == 1 && line.starts_with(ByteOrderMark)) {
      line.remove_prefix(ByteOrderMark.size());
    }
    puzzles.Take(line);
  }
  if (in.LineTooLong()) {
    puzzles.Fail(in.LinesRead() + 1,
                 "Die Zeile ist länger als " + std::to_string(MaxPuzzleLine) + " Bytes.");
  }
  return puzzles.Finish();
}

}  // namespace kit
