// Where a comparison run takes the answers it judges: OUT.TXT's blocks, or a line solver's answer
// lines. Either way each answer is a claim for the puzzle of the same number (no solution, this
// solution, several) and is judged by the same rules.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Board.h"
#include "Rekursiv.h"

namespace checker {

// How the judge's reasons name what an answer declares, in the words of the answers' own form,
// by kind: 0 none, 1 one, 2 several. KindFirst: the declared kind is judged before the digits of
// an answer for a puzzle without solution (where the form cannot give digits with "none").
// CountsOnly: the answers give counts without solutions, so a count of one is judged by the
// puzzle having exactly one solution, its digits not at all.
struct Declarations {
  const char* Kinds[3];
  bool KindFirst = false;
  bool CountsOnly = false;
};

// OUT.TXT's: the signs and zeros of a block.
inline constexpr Declarations BlockDeclarations = {
    {"keine Lösung (eine Zeile beginnt mit 0)", "genau eine Lösung (positive Zahlen)",
     "mehrere Lösungen (negative Zahlen)"},
    false};

class AnswerSource {
 public:
  virtual ~AnswerSource() = default;

  // The answer to the next puzzle, whose givens are `givens`, into `answer`: Status the claim's
  // kind (0 none, 1 one, 2 several), Cells its digits (for several, a grid that keeps the givens).
  // False when it cannot be read: `reason` says why, that answer is wrong, and nothing after it
  // is asked for. Throws kit::FileError when the answers cannot be read at all (no verdict).
  virtual bool Next(const kit::Board& givens, kit::PuzzleRecord& answer, std::string& reason) = 0;

  // Asked once, after every puzzle's answer was judged right: why the answers go on beyond the
  // last puzzle (which makes that answer wrong), or nothing.
  virtual std::optional<std::string> AfterLast() { return std::nullopt; }

  // What goes before the judge's own reason for a wrong answer to puzzle `number`: where that
  // answer stands, such as "Zeile 17 der Ausgabe: "; empty for OUT.TXT.
  virtual std::string Where(std::int32_t number) const {
    (void)number;
    return {};
  }

  // How messages name the answers (for too little memory).
  virtual std::string Name() const = 0;

  // How the judge's reasons name a declared kind; OUT.TXT's by default.
  virtual const Declarations& Declared() const { return BlockDeclarations; }
};

}  // namespace checker
