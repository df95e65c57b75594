// Puzzle collections in the line format that people who write solvers trade them in: one puzzle
// a line, its first 81 characters row by row, "1"–"9" for a given and "." or "0" for an empty
// cell. After the 81st character anything may follow (a count, a solution, a rating) once it is
// set off by a blank, a tab, ":", ";" or ",". Empty lines and lines that start with "#" are
// skipped; lines end in LF or CR LF; a UTF-8 byte-order mark at the start of the file is skipped.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "Board.h"

namespace kit {

inline constexpr std::size_t AllPuzzles = std::numeric_limits<std::size_t>::max();

// The longest line of a collection file that is read, without its line end. The public
// collections' lines are at most 161 bytes; a longer line is refused rather than read on without
// end.
inline constexpr std::size_t MaxPuzzleLine = 4096;

// The first `limit` puzzles of `text` (all of them by default; lines after the last one taken are
// not looked at). Any other line, and a text without a puzzle, throws FileError with a German
// message that names `shownName` and the line (FileError::Line, 1-based, counting every line).
std::vector<Board> ParsePuzzleLines(std::string_view text, const std::string& shownName,
                                    std::size_t limit = AllPuzzles);

// The same for a file, read line by line up to the last puzzle taken; the messages name the file
// as `path` gives it. A line longer than MaxPuzzleLine is refused with FileError, and anything but
// a regular file with NotRegularFileError, which a FIFO never makes wait.
std::vector<Board> ReadPuzzleLines(const std::filesystem::path& path,
                                   std::size_t limit = AllPuzzles);

// Takes each puzzle of a collection in turn.
using PuzzleSink = std::function<void(const Board&)>;

// The same, handing each puzzle to `take` instead of keeping it, so that a collection of any size
// costs no memory: the number of puzzles taken.
std::size_t ReadPuzzleLines(const std::filesystem::path& path, std::size_t limit,
                            const PuzzleSink& take);

// Takes each puzzle with the number of its line in the file (from 1, counting every line).
using NumberedPuzzleSink = std::function<void(const Board&, long long line)>;
std::size_t ReadPuzzleLines(const std::filesystem::path& path, std::size_t limit,
                            const NumberedPuzzleSink& take);

}  // namespace kit
