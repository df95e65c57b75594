// Any bytes as IN.TXT: walked block by block as Quadrin and Check walk it. Every block read must
// hold digits only, and Check's own result (the shared search within its step budget, the exact
// counter behind it) must agree with Quadrin's search on every board. The budget keeps every
// board quick, however sparse. Each input gets a fresh Check module, so that what it finds does
// not depend on earlier inputs.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "CheckIt.h"
#include "FileError.h"
#include "FuzzTarget.h"
#include "PuzzleFile.h"
#include "SolverRekursiv.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static quadrin::Rekursiv quadrinSearch;
  const auto own = std::make_unique<checker::OwnSearch>();

  const kit::PuzzleText text{std::string(reinterpret_cast<const char*>(data), size), "IN.TXT"};
  kit::ReadPos pos = 1;
  try {
    do {
      const kit::ReadPos before = pos;
      const kit::Board board = kit::ReadNextPuzzle(text, pos);
      Require(pos == 2 || pos > before);
      for (std::uint8_t v : board) Require(v <= 9);
      for (std::size_t i = 0; i < board.size(); ++i) quadrinSearch.SolverInput.Cells[i] = board[i];
      const quadrin::SolveOutcome outcome = quadrinSearch.SolvePuzzle();
      kit::PuzzleRecord record;
      record.Cells = board;
      own->SolveSudoku(record);
      Require(record.Status == (outcome == quadrin::NoSolution ? 0 : outcome));
      if (record.Status == 1) {
        for (std::size_t i = 0; i < board.size(); ++i) {
          Require(quadrinSearch.SolverResult.Cells[i] == record.Cells[i]);
        }
      }
    } while (pos >= 3);
  } catch (const kit::FileError& e) {
    Require(e.Puzzle >= 1 && e.Line >= 1 &&
            std::string(e.what()).find("IN.TXT") != std::string::npos);
  }
  return 0;
}
