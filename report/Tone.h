// How the page shows what a report says: plainly, as good news, as bad news or as a warning. The
// tone is set where an item or a cell is made, from the verdict or the change it states, so that
// neither a solver's name nor a reworded message changes a colour.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "RunRecord.h"

namespace report {

enum class Tone { None, Good, Bad, Warning };

// Right answers are good news, wrong ones and failures bad.
Tone ToneOf(record::Verdict verdict);

// Slower than the run compared with is bad news, faster good, anything else plain.
Tone ToneOf(record::Change change);

// A line of the report as a label and its value, so that the page says what the text says: the
// text aligns the values after their labels, the page sets them in a table.
struct ReportItem {
  std::string Label;       // without its colon
  std::string Value;       // may span lines: a solver's own output
  bool Continued = false;  // explains the item above, indented under it ("   wie Ende:")
  report::Tone Tone = report::Tone::None;  // of the value; a warning marks the whole line
};

// A cell of a table that the page shows, with the tone of what it says.
struct Cell {
  // Not explicit: a row of plain texts is written as before, a toned cell with its tone.
  Cell(std::string text, report::Tone tone = report::Tone::None)
      : Text(std::move(text)), Tone(tone) {}
  Cell(const char* text) : Text(text) {}

  std::string Text;
  report::Tone Tone = report::Tone::None;
};

// The texts of a row, for the text report's columns.
std::vector<std::string> TextsOf(const std::vector<Cell>& row);

}  // namespace report
