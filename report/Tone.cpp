#include "Tone.h"

namespace report {

Tone ToneOf(record::Verdict verdict) {
  return verdict == record::Verdict::Correct ? Tone::Good : Tone::Bad;
}

Tone ToneOf(record::Change change) {
  switch (change) {
    case record::Change::Slower:
      return Tone::Bad;
    case record::Change::Faster:
      return Tone::Good;
    case record::Change::NoDifference:
    case record::Change::TooFewRounds:
      break;
  }
  return Tone::None;
}

std::vector<std::string> TextsOf(const std::vector<Cell>& row) {
  std::vector<std::string> texts;
  texts.reserve(row.size());
  for (const Cell& cell : row) texts.push_back(cell.Text);
  return texts;
}

}  // namespace report
