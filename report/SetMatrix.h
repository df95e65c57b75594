// The comparison over several sets as a grid of texts: one row per set, one column per solver,
// and the geometric means of the factors below. The text report and the Markdown lay it out each
// in their own way.
#pragma once

#include <string>
#include <vector>

#include "RunRecord.h"
#include "Tone.h"

namespace report {

struct SetMatrix {
  std::vector<std::string> Header;      // "Sammlung", then each solver's name
  std::vector<std::vector<Cell>> Rows;  // one per set, then the geometric means
  std::vector<std::string> Notes;       // what the cells hold, one sentence each
};

// Each cell holds the solver's microseconds per puzzle and its factor to the fastest, or "falsch"
// or "gescheitert", in a bad tone, where it left that set: the figure of Summaries::Figure, whose
// ratio the factor is.
// Whether a set's row shows a library's figure, timed in its host's process, beside that of a
// program or a line solver: its cells then name their measure, and the row says it is mixed.
bool MixedRow(const record::RunRecord& record, const record::SetSummary& set,
              record::PerPuzzle figure);

// The figure per puzzle named as the reports name it beside the number: "netto" or "brutto".
const char* FigureWord(record::PerPuzzle figure);

SetMatrix MatrixOf(const record::RunRecord& record, const record::Summaries& summaries,
                   const std::string& decimalSeparator);

}  // namespace report
