// Any bytes as IN.TXT: walked block by block as Quadrin and Check walk it. Every block read must
// hold digits only, and the two searches of the kit must agree on it.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "FileError.h"
#include "PuzzleFile.h"
#include "Rekursiv.h"
#include "SolverRekursiv.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const auto shared = [] {
    auto search = std::make_unique<kit::Rekursiv>();
    search->InitTables();
    return search;
  }();
  static quadrin::Rekursiv own;

  const kit::PuzzleText text{std::string(reinterpret_cast<const char*>(data), size), "IN.TXT"};
  kit::ReadPos pos = 1;
  int puzzles = 0;
  try {
    do {
      const kit::ReadPos before = pos;
      const kit::Board board = kit::ReadNextPuzzle(text, pos);
      Require(pos == 2 || pos > before);
      for (std::uint8_t v : board) Require(v <= 9);
      if (++puzzles <= 3) {  // searching is the slow part; a few boards per input suffice
        for (std::size_t i = 0; i < board.size(); ++i) own.SolverInput.Cells[i] = board[i];
        const quadrin::SolveOutcome outcome = own.SolvePuzzle();
        kit::PuzzleRecord record;
        record.Cells = board;
        shared->SolveSudoku(record);
        Require(record.Status == (outcome == quadrin::NoSolution ? 0 : outcome));
        if (record.Status == 1) {
          for (std::size_t i = 0; i < board.size(); ++i) {
            Require(own.SolverResult.Cells[i] == record.Cells[i]);
          }
        }
      }
    } while (pos >= 3);
  } catch (const kit::FileError& e) {
    Require(e.Puzzle >= 1 && e.Line >= 1 &&
            std::string(e.what()).find("IN.TXT") != std::string::npos);
  }
  return 0;
}
