// Any bytes as a puzzle collection in the line format. The reader must give puzzles of digits
// 0–9 or a German message naming the file and the line; the puzzles it gives, written back one
// a line, must read back the same, and a limit must give their beginning.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FileError.h"
#include "FuzzTarget.h"
#include "PuzzleLines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<kit::Board> boards;
  try {
    boards = kit::ParsePuzzleLines(text, "sammlung.txt");
  } catch (const kit::FileError& e) {
    const std::string message = e.what();
    Require(message.find("sammlung.txt") != std::string::npos);
    Require(e.Line >= 1 || message.find("kein Rätsel") != std::string::npos);
    return 0;
  }
  Require(!boards.empty());
  std::string written;
  for (const kit::Board& board : boards) {
    for (std::uint8_t v : board) {
      Require(v <= 9);
      written += v == 0 ? '.' : static_cast<char>('0' + v);
    }
    written += '\n';
  }
  Require(kit::ParsePuzzleLines(written, "zurück.txt") == boards);
  const auto some = kit::ParsePuzzleLines(text, "sammlung.txt", (boards.size() + 1) / 2);
  Require(some.size() == (boards.size() + 1) / 2 &&
          std::equal(some.begin(), some.end(), boards.begin()));
  return 0;
}
