// Where a set's IN.TXT comes from: Build's generator with a seed, or a puzzle collection in the
// line format. Either way IN.TXT is written by Build's writer, byte for byte as Build writes it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "PuzzleFile.h"
#include "RunRecord.h"

namespace runner {

struct PuzzleSource {
  std::string Name;                  // the set's name in reports
  std::filesystem::path Collection;  // a collection in the line format; empty: generate
  std::int32_t Seed = 0;             // the generator's seed
  std::int32_t Count = 500000;       // puzzles to generate, or to take from the collection's
                                     // beginning (0: all of it)
};

// A source whose puzzles have been checked, before anything is written.
struct CheckedSource {
  PuzzleSource Source;
  std::int64_t Count = 0;  // puzzles its IN.TXT will hold
  std::string Warning;     // what the user should know, e.g. fewer puzzles than asked for
  std::optional<std::int64_t> Requested;  // the count asked for, where the collection held fewer
};

// Reads a collection line by line up to the last puzzle it gives, keeping none of them: a line it
// refuses throws FileError naming the file and the line, before anything is written. The
// generator's count needs no reading.
CheckedSource CheckSource(const PuzzleSource& source);

// One set's IN.TXT, written.
struct PreparedPuzzles {
  record::PuzzleSet Set;  // its name, source, count, the size and hash of IN.TXT
  // The bytes of IN.TXT as written: what every answer is judged against, and what IN.TXT must
  // still hold after each solver's run.
  std::shared_ptr<const kit::PuzzleText> Text;
};

// Writes IN.TXT into `folder`, replacing an earlier one only when complete; the collection is read
// a second time, puzzle by puzzle, and must give what CheckSource found. Progress goes to standard
// error; SIGINT or SIGTERM (TakeOverInterruptions) stops the generation, leaves an earlier IN.TXT
// as it was and throws Interrupted.
PreparedPuzzles PreparePuzzles(const CheckedSource& checked, const std::filesystem::path& folder);

// A checked collection's puzzles as the kit's puzzle text in memory, byte for byte the IN.TXT
// PreparePuzzles writes for it, named by the collection's path (for messages about a damaged
// text); nothing is written. Throws FileError as PreparePuzzles does.
kit::PuzzleText CollectionText(const CheckedSource& checked);

// The same set's first puzzle alone, as IN.TXT in `folder`: for the solvers' start-up runs.
PreparedPuzzles PrepareFirstPuzzle(const PreparedPuzzles& set, const std::filesystem::path& folder);

}  // namespace runner
