// The benchmarks' puzzles: a file written by Build's own generation run with a fixed seed, so
// that they measure the mix the kit is used with.
#pragma once

#include <string>
#include <vector>

#include "Board.h"

namespace bench {

// The text of an IN.TXT of `count` puzzles for a fixed seed.
const std::string& KitPuzzleFile(int count);

// The same puzzles as boards.
const std::vector<kit::Board>& KitPuzzles(int count);

}  // namespace bench
