#include "Sudoku.h"

#include <new>

#include "FileError.h"
#include "PuzzleFile.h"
#include "SolutionFile.h"
#include "SolverRekursiv.h"
#include "TextFiles.h"

namespace quadrin {
namespace {

// Each quotient is stored here. A volatile store must happen once per iteration with the exact
// value, so the compiler can neither drop the loop nor replace the division by a multiplication
// (1/3 is not exact in binary).
volatile double BusyLoadSink;

}  // namespace

// The load is the yardstick of every timed run, so its cost must not depend on where the compiler
// puts it: never inlined, and the function aligned to a 64-byte line so that its loop lies within
// one line. Inlined into RunBatch, the loop crossed a line and the whole run took about 3 % longer
// on some machines. The release build's loop is pxor, cvtsi2sd, add, divsd, movsd to the sink,
// cmp, jne: 30 bytes from offset 0x10 of the function, so bytes 0x10 to 0x2d of its line
// (`objdump -d --no-show-raw-insn build/release/bin/Quadrin`, symbol _ZN7quadrin8BusyLoadEv;
// the test busy_load_placement checks it in every release build).
[[gnu::noinline, gnu::aligned(64)]] void BusyLoad() {
  for (int i = 1; i <= 100000; ++i) BusyLoadSink = static_cast<double>(i) / 3.0;
}

int RunBatch(const std::filesystem::path& folder, std::ostream& errors, bool withBusyLoad) {
  try {
    const kit::PuzzleText text = kit::LoadPuzzleText(folder);
    Rekursiv search;
    kit::ReplacingFile out(folder / kit::SolutionFileName, kit::SolutionFileName);
    kit::ReadPos pos = 1;
    try {
      do {
        const kit::Board puzzle = kit::ReadNextPuzzle(text, pos);
        for (std::size_t i = 0; i < puzzle.size(); ++i) search.SolverInput.Cells[i] = puzzle[i];
        search.SolvePuzzle();
        if (withBusyLoad) BusyLoad();
        kit::WriteSolutionBlock(out, search.SolverResult.Cells);
      } while (pos >= 3);
    } catch (const kit::FileError& e) {
      if (e.Puzzle == 0) throw;
      errors << "Quadrin: " << e.what() << " " << kit::SolutionFileName << " bleibt unverändert.\n";
      return 1;
    }
    out.Commit();
    return 0;
  } catch (const kit::FileError& e) {
    errors << "Quadrin: " << e.what() << "\n";
  } catch (const std::bad_alloc&) {
    errors << "Quadrin: Zu wenig Arbeitsspeicher, um " << kit::PuzzleFileName << " zu lesen.\n";
  }
  return 1;
}

}  // namespace quadrin
