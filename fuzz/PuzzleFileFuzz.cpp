// Any bytes as IN.TXT: walked block by block as Quadrin and Check walk it. Every block read must
// hold digits only, and the two searches of the kit must agree on it.
//
// The shared search proves that a board has no solution only by going through its whole tree,
// which for a sparse board can take seconds (1.8 s for one of 13 givens after an unlucky start
// of the scan). Such boards are searched here by Quadrin's search alone, and the shared one is
// asked only about boards of more than 18 givens, whose forced placements keep it quick. Each
// input gets a fresh shared module, so that what it finds does not depend on earlier inputs.
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
  static quadrin::Rekursiv own;
  const auto shared = std::make_unique<kit::Rekursiv>();
  shared->InitTables();

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
        int givens = 0;
        for (std::uint8_t v : board) givens += v != 0;
        if (givens <= 18) continue;
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
