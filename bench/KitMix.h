// The benchmarks' puzzles: a file written by Build's own generation run with a fixed seed, so
// that they measure the mix the kit is used with, and the project's samples of the public
// collections (data/puzzles/), on which people compare solvers.
#pragma once

#include <string>
#include <vector>

#include "Board.h"

namespace bench {

// The text of an IN.TXT of `count` puzzles for a fixed seed.
const std::string& KitPuzzleFile(int count);

// The same puzzles as boards.
const std::vector<kit::Board>& KitPuzzles(int count);

// The samples, by file name without ".txt".
inline const char* const SampleNames[] = {"17-clue", "top1465", "hardest-1905-11plus",
                                          "hardest-1106", "serg"};

// One sample's puzzles, and the same as the text of an IN.TXT.
const std::vector<kit::Board>& SamplePuzzles(const std::string& name);
std::string SamplePuzzleFile(const std::string& name);

}  // namespace bench
