// Check's comparison run: every puzzle of IN.TXT is solved again with the shared search, and
// Quadrin's block for it in OUT.TXT is judged against that result by outcome. The run stops at
// the first wrong answer.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "AnswerSource.h"
#include "PuzzleFile.h"
#include "Rekursiv.h"
#include "SolutionCounter.h"
#include "SolutionFile.h"

namespace checker {

enum class Verdict {
  AllCorrect,   // "Alle Lösungen korrekt"
  Wrong,        // the answer for puzzle Number is not correct
  CannotJudge,  // a file is missing or IN.TXT is damaged: Message says which and where
  Stopped,      // the progress callback asked to stop
};

struct CheckResult {
  Verdict Kind = Verdict::CannotJudge;
  std::int32_t Number = 0;  // the puzzle judged last (the wrong one for Verdict::Wrong)
  std::string Message;      // the text to show: the verdict, or what went wrong
  std::string Reason;       // for Verdict::Wrong: why the answer is wrong (German, one line)
  // How many of the judged puzzles had no solution, exactly one, several (by the own search).
  std::array<std::int64_t, 3> Outcomes{};
};

// Levels of the shared search that Check grants one puzzle. Puzzles of Build's mix need fewer
// almost always (about 1 in 4,000 needs more); hard puzzles from the public collections need
// thousands, and the exact counter decides them in a fraction of that time.
inline constexpr std::int64_t CheckStepBudget = 80;

// Check's own result for a puzzle: the shared search within its step budget, and for a puzzle on
// which it runs out, the exact solution counter. One instance per comparison run.
class OwnSearch {
 public:
  explicit OwnSearch(std::int64_t stepBudget = CheckStepBudget);

  // As kit::Rekursiv::SolveSudoku: Cells hold the givens, Status and Filled are 0 on entry. On
  // return Status is 0, 1 or 2, and with 1 the Cells hold the solution.
  void SolveSudoku(kit::PuzzleRecord& ownResult);
  // The own result for the givens `puzzle` into `ownResult`.
  void Solve(const kit::Board& puzzle, kit::PuzzleRecord& ownResult);

  // The shared search's table of the boxes' top-left cells, for the verdict's duplicate test.
  const std::array<std::int32_t, 9>& BoxStart() const { return shared_.BoxStart; }

  std::int64_t Counted = 0;  // puzzles the counter decided

 private:
  kit::Rekursiv shared_;
  SolutionCounter counter_;
};

// Called with the puzzle number every 1000 puzzles, before that puzzle is judged; false stops.
using Progress = std::function<bool(std::int32_t number)>;

// The verdict on one answer, and when it is wrong, why: one line of German with rows and columns
// counted from 1.
struct Judgement {
  bool Correct = true;
  std::string Reason;
};

// Where a digit repeats: the unit (0 row, 1 column, 2 box) and its index 0–8.
struct Repetition {
  int Digit = 0;
  int Unit = 0;
  int Index = 0;
};

// The verdict rules, by the outcome of the own search. Cells hold digits 0–9. Every rule that
// decides also says why an answer fails, in the order in which it judges.
class Judge {
 public:
  // `boxStart` is the search module's table of the boxes' top-left cells.
  explicit Judge(const std::array<std::int32_t, 9>& boxStart) : BoxStart(boxStart) {}

  // Whether `answer` (Status = the block's kind, Cells = its absolute values) is right for the
  // puzzle `puzzle`, whose own result is `ownResult`.
  Judgement AnswerIsCorrect(const kit::PuzzleRecord& puzzle, const kit::PuzzleRecord& ownResult,
                            const kit::PuzzleRecord& answer);

  // The words in which reasons name a declared kind (OUT.TXT's until told otherwise); `words`
  // must outlive the judge's use of them.
  void Declare(const Declarations& words) { declared_ = &words; }

  Judgement IsEmptyAnswer(const kit::PuzzleRecord& answer) const;
  Judgement MatchesUniqueSolution(const kit::PuzzleRecord& puzzle,
                                  const kit::PuzzleRecord& ownResult,
                                  const kit::PuzzleRecord& answer) const;
  Judgement FitsSeveralSolutions(const kit::PuzzleRecord& puzzle, const kit::PuzzleRecord& answer);
  // True when a digit repeats in a row, column or box; zeros are skipped. The units are looked
  // at as row j, column j, box j for j = 0 to 8; `where`, if given, gets the first repetition.
  bool HasRepeatedDigit(const kit::PuzzleRecord& grid, Repetition* where = nullptr);

 private:
  using Seen = std::array<std::int16_t, 10>;  // by digit: 0, or all bits set once seen
  std::string Declared(std::int16_t kind) const;
  const std::array<std::int32_t, 9>& BoxStart;
  const Declarations* declared_ = &BlockDeclarations;
  Seen RowSeen{}, ColumnSeen{}, BoxSeen{};
  const Seen NoneSeen{};
};

// Why a block that could not be read is wrong.
std::string UnreadableReason(const kit::SolutionBlock& block, const std::string& fileName);

// OUT.TXT as a comparison run reads it.
struct AnswerFile {
  std::string Name = kit::SolutionFileName;  // as found in the folder
  std::optional<kit::LineReader> Reader;     // empty when OUT.TXT is no regular file
  std::string Unreadable;                    // then why: the answer to puzzle 1 is wrong for that
};

// Finds OUT.TXT in `folder`, whatever the case of its name, and opens it into `answers`, whose
// Name is set before the reader takes its buffer. Something else of that name is never read but
// noted in Unreadable; nothing of that name throws kit::FileError.
void OpenAnswerFile(const std::filesystem::path& folder, AnswerFile& answers);

// OUT.TXT as an answer source: a block per puzzle, read as the judge asks for it. A block that
// cannot be read is that answer's reason as UnreadableReason gives it; an OUT.TXT that is no
// regular file makes the first answer wrong. Nothing follows the last block that matters.
class OutTxtAnswers final : public AnswerSource {
 public:
  // Finds and opens OUT.TXT in `folder` as OpenAnswerFile does; throws kit::FileError when
  // nothing of that name is there.
  explicit OutTxtAnswers(const std::filesystem::path& folder);
  bool Next(const kit::Board& givens, kit::PuzzleRecord& answer, std::string& reason) override;
  std::string Name() const override { return answers_.Name; }

 private:
  AnswerFile answers_;
};

// The verdicts of a comparison run on `result`, whose Number is the puzzle judged last.
void SetWrong(CheckResult& result, std::string reason);
void SetStopped(CheckResult& result);
void SetCannotJudge(CheckResult& result, std::string message);
// The message for a run that ran out of memory while reading `answersName`.
std::string OutOfMemoryText(const std::string& answersName);

// OUT.TXT of `folder` opened for judging; nothing when it cannot be, with `result` set to say why.
std::unique_ptr<OutTxtAnswers> OpenOutTxt(const std::filesystem::path& folder,
                                          CheckResult& result);

// The comparison run on puzzles held in memory: judges OUT.TXT in `folder`, found whatever the
// case of its name, block by block against `puzzles` (whose FileName messages about the puzzles
// name). A caller that wrote IN.TXT itself passes the bytes it wrote, so that a solver that
// rewrites that file cannot change what is judged. OUT.TXT is read line by line and never past a
// line longer than kit::MaxAnswerLine, which makes that answer wrong; an OUT.TXT that is not a
// regular file (a FIFO, a device, a folder) is never read and makes the answer to puzzle 1 wrong.
// A missing OUT.TXT, a damaged puzzle text or too little memory give Verdict::CannotJudge.
CheckResult CheckAnswers(const kit::PuzzleText& puzzles, const std::filesystem::path& folder,
                         const Progress& progress);

// The comparison run on puzzles held in memory against any source of answers, asked for them in
// order: the puzzle is solved and counted, then its answer taken and judged. A wrong answer's
// reason is the source's (when it could not give the answer) or the judge's with the source's
// Where(number) before it. After every answer was right, the source's AfterLast may still make
// the last one wrong. kit::FileError from the source, a damaged puzzle text or too little memory
// (named by the source's Name) give Verdict::CannotJudge.
CheckResult CheckAnswers(const kit::PuzzleText& puzzles, AnswerSource& answers,
                         const Progress& progress);

// IN.TXT of `folder`, found whatever the case of its name, as CheckIt reads it; nothing, with
// `result` the verdict CheckIt gives (Verdict::CannotJudge, Number 0), when it cannot be read.
std::optional<kit::PuzzleText> LoadCheckedPuzzles(const std::filesystem::path& folder,
                                                  CheckResult& result);

// The whole run in `folder`: IN.TXT, found whatever the case of its name, read in one piece by
// kit::LoadPuzzleText, then CheckAnswers on it. An IN.TXT that is missing, unreadable or too large
// for memory gives Verdict::CannotJudge with Number 0.
CheckResult CheckIt(const std::filesystem::path& folder, const Progress& progress);

// The exit status for a verdict: 0 all answers correct, 1 an answer is wrong, 2 no verdict.
int ExitStatus(Verdict verdict);

// The verdict texts.
std::string WrongAnswerText(std::int32_t number);
// The lines for standard output: the verdict, and for a wrong answer "Grund: " and why.
std::string Announcement(const CheckResult& result);
inline const char* const AllCorrectText = "Alle Lösungen korrekt";

}  // namespace checker
