#include "CheckIt.h"

#include "FileError.h"
#include "FileNames.h"

namespace checker {
namespace {

constexpr std::int16_t True = -1;  // flags have all bits set when true

}  // namespace

bool Judge::AnswerIsCorrect(const kit::PuzzleRecord& puzzle, const kit::PuzzleRecord& ownResult,
                            const kit::PuzzleRecord& answer) {
  switch (ownResult.Status) {
    case 0:
      return IsEmptyAnswer(answer);
    case 1:
      return MatchesUniqueSolution(ownResult, answer);
    case 2:
      return FitsSeveralSolutions(puzzle, answer);
    default:
      return false;
  }
}

bool Judge::IsEmptyAnswer(const kit::PuzzleRecord& answer) const {
  if (answer.Status != 0) return false;
  for (std::uint8_t v : answer.Cells) {
    if (v != 0) return false;
  }
  return true;
}

bool Judge::MatchesUniqueSolution(const kit::PuzzleRecord& ownResult,
                                  const kit::PuzzleRecord& answer) const {
  return answer.Status == 1 && answer.Cells == ownResult.Cells;
}

bool Judge::FitsSeveralSolutions(const kit::PuzzleRecord& puzzle, const kit::PuzzleRecord& answer) {
  if (answer.Status != 2) return false;
  // Any grid that keeps the givens and repeats no digit passes, empty cells included.
  for (std::size_t i = 0; i < puzzle.Cells.size(); ++i) {
    if (puzzle.Cells[i] != 0 && answer.Cells[i] != puzzle.Cells[i]) return false;
  }
  return !HasRepeatedDigit(answer);
}

bool Judge::HasRepeatedDigit(const kit::PuzzleRecord& grid) {
  auto seenBefore = [&grid](Seen& seen, int cell) {
    const std::uint8_t v = grid.Cells[static_cast<std::size_t>(cell)];
    if (v == 0) return false;
    if (seen[v] == True) return true;
    seen[v] = True;
    return false;
  };
  for (int j = 0; j < 9; ++j) {
    RowSeen = ColumnSeen = BoxSeen = NoneSeen;
    for (int l = 0; l < 9; ++l) {
      if (seenBefore(RowSeen, 9 * j + l) || seenBefore(ColumnSeen, j + 9 * l)) return true;
    }
    const int start = BoxStart[static_cast<std::size_t>(j)];
    for (int offset : {0, 1, 2, 9, 10, 11, 18, 19, 20}) {
      if (seenBefore(BoxSeen, start + offset)) return true;
    }
  }
  return false;
}

OwnSearch::OwnSearch(std::int64_t stepBudget) {
  shared_.InitTables();
  shared_.StepBudget = stepBudget;
}

void OwnSearch::SolveSudoku(kit::PuzzleRecord& ownResult) {
  shared_.SolveSudoku(ownResult);
  if (!shared_.Abandoned()) return;
  ++Counted;
  const CountResult counted = counter_.Count(ownResult.Cells);
  ownResult.Status = static_cast<std::int16_t>(counted.Solutions);
  if (counted.Solutions == 1) ownResult.Cells = counted.Solution;
}

int ExitStatus(Verdict verdict) {
  switch (verdict) {
    case Verdict::AllCorrect:
      return 0;
    case Verdict::Wrong:
      return 1;
    default:
      return 2;
  }
}

std::string WrongAnswerText(std::int32_t number) {
  return "Lösung für SUDOKU-Nr. " + std::to_string(number) + " ist nicht korrekt.";
}

CheckResult CheckIt(const std::filesystem::path& folder, const Progress& progress) {
  CheckResult result;
  try {
    const kit::PuzzleText text = kit::LoadPuzzleText(folder);
    const auto search = std::make_unique<OwnSearch>();
    const auto answers = kit::FindFileIgnoringCase(folder, kit::SolutionFileName);
    if (!answers) {
      throw kit::FileError("Die Datei " + std::string(kit::SolutionFileName) + " fehlt im Ordner " +
                           kit::ShownPath(folder) + ". Quadrin schreibt sie.");
    }
    kit::LineReader in(*answers, answers->filename().string());
    Judge judge(search->BoxStart());
    kit::PuzzleRecord puzzle, ownResult, answer;
    kit::ReadPos pos = 1;
    std::int32_t n = 0;
    do {
      ++n;
      result.Number = n;
      if (n % 1000 == 0 && !progress(n)) {
        result.Kind = Verdict::Stopped;
        result.Message = "Die Prüfung wurde abgebrochen.";
        return result;
      }
      puzzle.Cells = kit::ReadNextPuzzle(text, pos);
      ownResult = puzzle;
      ownResult.Filled = 0;
      ownResult.Status = 0;
      search->SolveSudoku(ownResult);
      ++result.Outcomes[static_cast<std::size_t>(ownResult.Status)];

      const kit::SolutionBlock block = kit::ReadSolutionBlock(in);
      answer.Status = block.Kind;
      answer.Cells = block.Cells;
      // A block that cannot be read, or that holds a value no cell can hold, is a wrong answer.
      if (block.Status != kit::BlockStatus::Read ||
          !judge.AnswerIsCorrect(puzzle, ownResult, answer)) {
        result.Kind = Verdict::Wrong;
        result.Message = WrongAnswerText(n);
        return result;
      }
    } while (pos >= 3);
    result.Kind = Verdict::AllCorrect;
    result.Message = AllCorrectText;
  } catch (const kit::FileError& e) {
    result.Kind = Verdict::CannotJudge;
    result.Message = e.what();
  } catch (const std::bad_alloc&) {
    result.Kind = Verdict::CannotJudge;
    result.Message = "Zu wenig Arbeitsspeicher, um IN.TXT zu lesen.";
  }
  return result;
}

}  // namespace checker
