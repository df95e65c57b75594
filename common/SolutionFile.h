// The solution file OUT.TXT: per puzzle nine lines of nine comma-separated integers and one empty
// line. The signs tell the outcome: digits for one solution, negated digits (the second solution
// found) for several, zeros for none.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "Board.h"
#include "TextFiles.h"

namespace kit {

inline constexpr const char* SolutionFileName = "OUT.TXT";

// The longest line of OUT.TXT that a reader takes, without its line end. A solver writes 17 to 26
// bytes; nine values of any 32-bit size take 107. The bound keeps a file whose line never ends
// from being read in whole.
inline constexpr std::size_t MaxAnswerLine = 1024;

// The 81 values of one result block, as the solver leaves them.
using SignedBoard = std::array<std::int32_t, CellCount>;

// What the signs of a result block declare: 1 = one solution, 2 = several, 0 = none.
using ResultKind = std::int16_t;

// Nine lines "v,v,v,v,v,v,v,v,v" in shortest decimal form, then one empty line.
void WriteSolutionBlock(TextSink& out, const SignedBoard& cells);

enum class BlockStatus {
  Read,        // nine lines of at least nine integers, all between −9 and 9
  Missing,     // the file ended before the block's ninth line
  Malformed,   // a line with fewer than nine values, or a value that is not an integer
  OutOfRange,  // a value outside −9 … 9, which no cell can hold
  TooLong,     // a line longer than the reader's limit; nothing after it is read
};

struct SolutionBlock {
  BlockStatus Status = BlockStatus::Missing;
  ResultKind Kind =
      0;               // decided by the sign of each line's first value; the last non-positive wins
  Board Cells{};       // absolute values of the first nine values of each line
  long long Line = 0;  // 1-based line of the file where a block that was not read went wrong
  // Where a block was not read, what stood there: for OutOfRange the value; for Malformed the
  // text where the next value was expected, or ShortLine when the line ended before it.
  std::string Found;
  bool ShortLine = false;
  int ValuesRead = 0;  // for Malformed: the values of the line read before it went wrong
};

// Reads the next block (nine lines and the empty line after it) from an opened OUT.TXT, whose
// reader should stop at MaxAnswerLine.
// Values beyond the ninth of a line are ignored, as is the content of the tenth line, which may
// also be missing at the end of the file.
SolutionBlock ReadSolutionBlock(LineReader& in);

}  // namespace kit
