// What --baseline found beside its comparisons, in words: where a generated set's puzzles came
// from, and why a solver on a set was not compared. The reports, the JSON and the exit status
// word them alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "RunRecord.h"

namespace report {

// "Startzahl 4711 und Anzahl 20000 aus der Basis v1" (or "… latest (Lauf 7)", "… Lauf 7"); none
// when the run made or took its puzzles itself.
std::optional<std::string> PuzzlesFromText(const record::Baseline& baseline);

// A stored run as the comparisons name it: "Lauf 12", "Lauf 12 „v1“".
std::string StoredRunText(std::int64_t run, const std::string& name);

// The solver on the set that the baseline found nothing to compare with; none if it did.
const record::UncomparedCell* UncomparedOf(const record::Baseline& baseline, std::size_t set,
                                           std::size_t solver);

// Why: "kein früherer Lauf", "andere Rätsel in der Basis", "Löser nicht in der Basis", "in der
// Basis falsch", … With latest the run looked into is the last one with these puzzles, and the
// words say so.
std::string NoComparisonWords(const record::Baseline& baseline, const record::UncomparedCell& cell);

// As the JSON names it: "no_earlier_run", "other_puzzles", "solver_not_in_baseline", …
const char* NoComparisonName(record::NoComparison reason);

}  // namespace report
