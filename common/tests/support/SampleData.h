// The project's own samples of the public puzzle collections (data/puzzles/), for tests.
#pragma once

#include <string>
#include <vector>

#include "Board.h"
#include "PuzzleLines.h"

namespace kit::testing {

// The five samples, by file name without ".txt".
inline const char* const SampleNames[] = {"17-clue", "top1465", "hardest-1905-11plus",
                                          "hardest-1106", "serg"};

inline std::vector<Board> SamplePuzzles(const std::string& name, std::size_t limit = AllPuzzles) {
  return ReadPuzzleLines(std::string(KIT_DATA_DIR) + "/" + name + ".txt", limit);
}

}  // namespace kit::testing
