// The puzzle file IN.TXT: nine row lines "d,d,d,d,d,d,d,d,d" CR LF per puzzle, one empty line
// between puzzles and none after the last. A file of N puzzles is 173 × N − 2 bytes long.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "Board.h"
#include "TextFiles.h"

namespace kit {

inline constexpr const char* PuzzleFileName = "IN.TXT";   // as the generator writes it
inline constexpr const char* PuzzleFileQuery = "IN.txt";  // as the readers ask for it

inline constexpr int PuzzleBlockLength = 171;  // nine row lines of 19 bytes
inline constexpr int PuzzleStride = 173;       // a block and the empty line after it

// The whole puzzle file, one char per byte, and the name under which it was found.
struct PuzzleText {
  std::string Text;
  std::string FileName = PuzzleFileName;
};

// 1-based position in PuzzleText::Text where the next block begins. It starts at 1; the value 2
// means that no further block follows, so readers loop while ReadPos >= 3. 64-bit so that files
// beyond 2 GiB cannot overflow it.
using ReadPos = std::int64_t;

// Reads IN.TXT (found whatever the case of its name) from `folder` in one read.
// Throws FileError when it is missing or unreadable.
PuzzleText LoadPuzzleText(const std::filesystem::path& folder = ".");

// Parses the block at `pos` and moves `pos` to the next block, or to 2 after the last one.
// Cells are read by position. Any single character between two cells is accepted; every row
// line must end in CR LF (only the very last one of the file may lack it), and blocks must be
// separated by exactly one empty line. Anything else throws FileError naming the puzzle number
// and the line, so that a damaged file is never read as other puzzles.
Board ReadNextPuzzle(const PuzzleText& text, ReadPos& pos);

// Every puzzle of the text, read with ReadNextPuzzle from the first to the last.
std::vector<Board> ReadAllPuzzles(const PuzzleText& text);

// Writes the nine row lines of `cells` and, unless it is the last puzzle, the empty line.
void WritePuzzleBlock(TextSink& out, const Board& cells, bool isLastPuzzle);

// Writes every puzzle with WritePuzzleBlock, the last one as the last puzzle of the file.
void WritePuzzleBlocks(TextSink& out, const std::vector<Board>& puzzles);

}  // namespace kit
