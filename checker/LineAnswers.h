// A line solver's answers: one line per puzzle, "COUNT:SOLUTION" or "PUZZLE:COUNT:SOLUTION" (the
// first line decides which for the whole output), read back into the claims the judge takes.
// COUNT is 1 to 20 decimal digits: 0 no solution, 1 exactly one, 2 or more several. SOLUTION is
// 81 digits 1–9, given for 1, empty for 0, either for several. PUZZLE is the line sent, with 0
// accepted for '.'. A line ends in LF or CR LF; one over kit::MaxAnswerLine bytes is wrong.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AnswerSource.h"
#include "Board.h"
#include "Rekursiv.h"
#include "TextFiles.h"

namespace checker {

// The line a line solver is sent for a puzzle: 81 characters, the digits and '.' for an empty
// cell, without the line end.
std::string PuzzleLine(const kit::Board& givens);
// The same into 81 characters of the caller's, for a caller that sends many without allocating.
void WritePuzzleLine(const kit::Board& givens, char* line81);

// Which form the answer lines have, taken from the first.
enum class LineForm { Unknown, CountSolution, PuzzleCountSolution };

// How the judge's reasons name the counts of a line answer: "genau eine Lösung (Anzahl 1)".
extern const Declarations LineDeclarations;

// "Zeile N der Ausgabe: ", which goes before every reason about answer line N.
std::string OutputLinePrefix(long long line);

// Reads one answer line (without its line end) for the puzzle sent as `sent` into `answer`;
// `form` is set from the first line and held to after it. Nothing when the line is well formed:
// then `answer` has Status 0, 1 or 2 and Cells the solution, zeros for none, and for several
// without a solution the givens of `sent`. Otherwise what is wrong with it, as German text without
// OutputLinePrefix, with any text quoted from the line cut short and its control bytes shown.
// Allocates nothing for a well-formed line.
std::optional<std::string> ParseAnswerLine(std::string_view line, std::string_view sent,
                                           LineForm& form, kit::PuzzleRecord& answer);

// The answers of one run collected as they arrive, then judged: Add takes the lines in order.
// Memory holds one claim per puzzle sent; lines past that are only counted, and after the first
// line that is wrong nothing more is read into it. Not for two threads at once: the reader thread
// adds, and once it has ended the judge reads.
class ClaimList {
 public:
  // Room for one claim per puzzle is taken here (84 bytes each), so that Add allocates nothing
  // for a good line; throws std::bad_alloc when there is not so much.
  explicit ClaimList(std::int64_t puzzles);

  // Answer line Lines() + 1, for the puzzle sent as `sent` (empty past the last puzzle).
  void Add(std::string_view line, std::string_view sent);
  // The next line was longer than kit::MaxAnswerLine (it counts as line Lines() + 1); nothing
  // after it is taken, as kit::LineReader reads nothing after it either.
  void TooLong();

  std::int64_t Lines() const { return lines_; }
  std::int64_t Puzzles() const { return puzzles_; }
  // Whether a line was wrong (or one too many): the judge's verdict will say so, and a reader
  // may stop taking lines.
  bool Bad() const { return bad_.has_value(); }

  // The judge's view of them: one claim per puzzle until the first bad line, then its reason;
  // too few lines and too many are wrong as well.
  class Answers;

 private:
  friend class Answers;
  std::int64_t puzzles_;
  std::int64_t lines_ = 0;
  LineForm form_ = LineForm::Unknown;
  std::vector<kit::PuzzleRecord> claims_;  // one per good line, in order
  std::optional<std::string> bad_;         // why the line after the claims is wrong, prefixed
};

class ClaimList::Answers final : public AnswerSource {
 public:
  explicit Answers(const ClaimList& list) : list_(list) {}
  bool Next(const kit::Board& givens, kit::PuzzleRecord& answer, std::string& reason) override;
  std::optional<std::string> AfterLast() override;
  std::string Where(std::int32_t number) const override;
  std::string Name() const override { return "der Ausgabe des Lösers"; }
  const Declarations& Declared() const override { return LineDeclarations; }

 private:
  const ClaimList& list_;
  std::size_t next_ = 0;
};

// A file of answer lines (Messlauf verify --answers), read with the bounded line reader as the
// judge asks for each answer; the line sent for each puzzle is PuzzleLine of its givens. A FIFO or
// pipe (a shell's <(solver < puzzles)) is read as well, as it comes.
class AnswerLinesFile final : public AnswerSource {
 public:
  // `puzzles`: how many the collection holds, for the message about a missing line. Throws
  // kit::FileError (kit::NotRegularFileError for a FIFO, a device, a folder) naming `shownName`
  // when it cannot be opened or is no regular file.
  AnswerLinesFile(const std::filesystem::path& path, std::string shownName, std::int64_t puzzles);
  bool Next(const kit::Board& givens, kit::PuzzleRecord& answer, std::string& reason) override;
  std::optional<std::string> AfterLast() override;
  std::string Where(std::int32_t number) const override;
  std::string Name() const override { return shownName_; }
  const Declarations& Declared() const override { return LineDeclarations; }

 private:
  std::string shownName_;
  std::int64_t puzzles_;
  kit::LineReader reader_;
  LineForm form_ = LineForm::Unknown;
  std::array<char, 81> sent_{};  // the line of the puzzle being answered
};

}  // namespace checker
