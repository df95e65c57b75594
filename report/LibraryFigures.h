// What the reports show of a library solver beside its figure per puzzle: its pass puzzle by
// puzzle (the calls' percentiles, the slowest puzzles), its guesses, and whether it gave
// solutions at all. Markdown, CSV and the page word them alike from here.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "RunRecord.h"
#include "Tone.h"

namespace report {

// What a library that returns counts alone is said to have been checked on.
inline constexpr const char* CountsOnly = "gibt keine Lösungen zurück: nur die Anzahlen geprüft";

// Whether any solver of the run is a library.
bool HasLibrary(const record::RunRecord& record);

// A library's pass nearest the median, for a library solver with one; none otherwise.
const record::PuzzleTimes* LibraryPass(const record::Solver& solver,
                                       const record::SolverSummary& summary);

// Guesses per puzzle and the share of puzzles solved without one (0 to 1), over `count` puzzles;
// none when the library does not report guesses.
std::optional<double> GuessesPerPuzzle(const record::PuzzleTimes& pass, std::int64_t count);
std::optional<double> ShareWithoutGuess(const record::PuzzleTimes& pass, std::int64_t count);

// A library on a set: µs per puzzle in its process, puzzles per second, guesses, the share
// without a guess, the calls' percentiles and, for counts alone, CountsOnly.
std::vector<ReportItem> LibraryItems(const record::SolverSummary& summary,
                                     const record::PuzzleTimes& pass, std::int64_t count,
                                     const std::string& decimalSeparator);

// The slowest puzzles as a table: a header, then number, line, µs and guesses ("–" where none).
std::vector<std::vector<std::string>> SlowestRows(const record::PuzzleTimes& pass,
                                                  const std::string& decimalSeparator);

}  // namespace report
