#include "CheckIt.h"

#include <memory>

#include "FileError.h"
#include "FileNames.h"

namespace checker {
namespace {

constexpr std::int16_t True = -1;  // flags have all bits set when true

// "Zeile R, Spalte C" of a cell, counted from 1.
std::string Place(std::size_t cell) {
  return "Zeile " + std::to_string(cell / 9 + 1) + ", Spalte " + std::to_string(cell % 9 + 1);
}

Judgement Wrong(std::string reason) {
  return {false, std::move(reason)};
}

}  // namespace

Judgement Judge::AnswerIsCorrect(const kit::PuzzleRecord& puzzle,
                                 const kit::PuzzleRecord& ownResult,
                                 const kit::PuzzleRecord& answer) {
  switch (ownResult.Status) {
    case 0:
      return IsEmptyAnswer(answer);
    case 1:
      return MatchesUniqueSolution(puzzle, ownResult, answer);
    case 2:
      return FitsSeveralSolutions(puzzle, answer);
    default:
      return Wrong("Check hat für dieses Rätsel kein eigenes Ergebnis.");
  }
}

// What the answer declares, as a reason states it.
std::string Judge::Declared(std::int16_t kind) const {
  return declared_->Kinds[kind == 0 ? 0 : kind == 1 ? 1 : 2];
}

Judgement Judge::IsEmptyAnswer(const kit::PuzzleRecord& answer) const {
  if (declared_->KindFirst && answer.Status != 0) {
    return Wrong("Das Rätsel hat keine Lösung, die Antwort gibt aber " + Declared(answer.Status) +
                 " an.");
  }
  for (std::size_t i = 0; i < answer.Cells.size(); ++i) {
    if (answer.Cells[i] != 0) {
      return Wrong("Das Rätsel hat keine Lösung, die Antwort enthält aber Ziffern, zuerst " +
                   Place(i) + ": " + std::to_string(answer.Cells[i]) + ".");
    }
  }
  // Nine zeros always declare "none"; the test stays, as the rule states it.
  if (answer.Status != 0) {
    return Wrong("Das Rätsel hat keine Lösung, die Antwort gibt aber " + Declared(answer.Status) +
                 " an.");
  }
  return {};
}

Judgement Judge::MatchesUniqueSolution(const kit::PuzzleRecord& puzzle,
                                       const kit::PuzzleRecord& ownResult,
                                       const kit::PuzzleRecord& answer) const {
  if (answer.Status != 1) {
    return Wrong("Das Rätsel hat genau eine Lösung, die Antwort gibt aber " +
                 Declared(answer.Status) + " an.");
  }
  if (declared_->CountsOnly) return {};
  for (std::size_t i = 0; i < answer.Cells.size(); ++i) {
    if (answer.Cells[i] != ownResult.Cells[i]) {
      return Wrong(
          Place(i) + ": erwartet " + std::to_string(ownResult.Cells[i]) + ", gefunden " +
          std::to_string(answer.Cells[i]) +
          (puzzle.Cells[i] != 0 ? " (ein vorgegebenes Feld)." : " (kein vorgegebenes Feld)."));
    }
  }
  return {};
}

Judgement Judge::FitsSeveralSolutions(const kit::PuzzleRecord& puzzle,
                                      const kit::PuzzleRecord& answer) {
  if (answer.Status != 2) {
    return Wrong("Das Rätsel hat mehrere Lösungen, die Antwort gibt aber " +
                 Declared(answer.Status) + " an.");
  }
  // Any grid that keeps the givens and repeats no digit passes, empty cells included.
  for (std::size_t i = 0; i < puzzle.Cells.size(); ++i) {
    if (puzzle.Cells[i] != 0 && answer.Cells[i] != puzzle.Cells[i]) {
      return Wrong(Place(i) + " ist mit " + std::to_string(puzzle.Cells[i]) +
                   " vorgegeben, die Antwort hat dort " + std::to_string(answer.Cells[i]) + ".");
    }
  }
  Repetition repeated;
  if (HasRepeatedDigit(answer, &repeated)) {
    static const char* const units[] = {"Zeile", "Spalte", "Block"};
    std::string unit = std::string(units[repeated.Unit]) + " " + std::to_string(repeated.Index + 1);
    if (repeated.Unit == 2) {  // which rows and columns, since blocks have no common numbering
      const int r = repeated.Index / 3 * 3 + 1, c = repeated.Index % 3 * 3 + 1;
      unit += " (Zeilen " + std::to_string(r) + "–" + std::to_string(r + 2) + ", Spalten " +
              std::to_string(c) + "–" + std::to_string(c + 2) + ")";
    }
    return Wrong("Die Ziffer " + std::to_string(repeated.Digit) + " steht mehrmals in " + unit +
                 ".");
  }
  return {};
}

bool Judge::HasRepeatedDigit(const kit::PuzzleRecord& grid, Repetition* where) {
  auto seenBefore = [&grid](Seen& seen, int cell) {
    const std::uint8_t v = grid.Cells[static_cast<std::size_t>(cell)];
    if (v == 0) return false;
    if (seen[v] == True) return true;
    seen[v] = True;
    return false;
  };
  auto found = [&](int cell, int unit, int index) {
    if (where) *where = {grid.Cells[static_cast<std::size_t>(cell)], unit, index};
    return true;
  };
  for (int j = 0; j < 9; ++j) {
    RowSeen = ColumnSeen = BoxSeen = NoneSeen;
    for (int l = 0; l < 9; ++l) {
      if (seenBefore(RowSeen, 9 * j + l)) return found(9 * j + l, 0, j);
      if (seenBefore(ColumnSeen, j + 9 * l)) return found(j + 9 * l, 1, j);
    }
    const int start = BoxStart[static_cast<std::size_t>(j)];
    for (int offset : {0, 1, 2, 9, 10, 11, 18, 19, 20}) {
      if (seenBefore(BoxSeen, start + offset)) return found(start + offset, 2, j);
    }
  }
  return false;
}

std::string UnreadableReason(const kit::SolutionBlock& block, const std::string& fileName) {
  const std::string line = "Zeile " + std::to_string(block.Line) + " von " + fileName;
  switch (block.Status) {
    case kit::BlockStatus::Missing:
      return "Die Antwort fehlt: " + fileName + " endet vor Zeile " + std::to_string(block.Line) +
             ".";
    case kit::BlockStatus::Malformed:
      if (block.ShortLine && block.ValuesRead == 0) {
        return line + " ist leer statt 9 Werte zu halten.";
      }
      if (block.ShortLine) {
        return line + " hat nur " + std::to_string(block.ValuesRead) + " Werte statt 9.";
      }
      return line + ": Wert " + std::to_string(block.ValuesRead + 1) + " ist „" +
             kit::VisibleBytes(block.Found) + "“, keine ganze Zahl.";
    case kit::BlockStatus::OutOfRange:
      return line + " enthält den Wert " + block.Found +
             "; eine Antwort hat nur Werte von -9 bis 9.";
    case kit::BlockStatus::TooLong:
      return line + " ist länger als die erlaubten " + std::to_string(kit::MaxAnswerLine) +
             " Bytes.";
    case kit::BlockStatus::Read:
      break;
  }
  return {};
}

OwnSearch::OwnSearch(std::int64_t stepBudget) {
  shared_.InitTables();
  shared_.StepBudget = stepBudget;
}

void OwnSearch::Solve(const kit::Board& puzzle, kit::PuzzleRecord& ownResult) {
  ownResult.Cells = puzzle;
  ownResult.Filled = 0;
  ownResult.Status = 0;
  SolveSudoku(ownResult);
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

std::string Announcement(const CheckResult& result) {
  std::string text = result.Message + "\n";
  if (!result.Reason.empty()) text += "Grund: " + result.Reason + "\n";
  return text;
}

void OpenAnswerFile(const std::filesystem::path& folder, AnswerFile& answers) {
  auto path = kit::FindFileIgnoringCase(folder, kit::SolutionFileName);
  // Something else of that name is a wrong answer rather than a missing file.
  if (!path) path = kit::FindEntryIgnoringCase(folder, kit::SolutionFileName);
  if (!path) {
    throw kit::FileError("Die Datei " + std::string(kit::SolutionFileName) + " fehlt im Ordner " +
                         kit::ShownPath(folder) + ". Quadrin schreibt sie.");
  }
  answers.Name = path->filename().string();
  try {
    answers.Reader.emplace(*path, answers.Name, kit::MaxAnswerLine);
  } catch (const kit::NotRegularFileError& e) {
    answers.Unreadable = e.what();
  }
}

void SetWrong(CheckResult& result, std::string reason) {
  result.Kind = Verdict::Wrong;
  result.Message = WrongAnswerText(result.Number);
  result.Reason = std::move(reason);
}

void SetStopped(CheckResult& result) {
  result.Kind = Verdict::Stopped;
  result.Message = "Die Prüfung wurde abgebrochen.";
}

void SetCannotJudge(CheckResult& result, std::string message) {
  result.Kind = Verdict::CannotJudge;
  result.Message = std::move(message);
}

std::string OutOfMemoryText(const std::string& answersName) {
  return "Zu wenig Arbeitsspeicher, um " + answersName + " zu prüfen.";
}

OutTxtAnswers::OutTxtAnswers(const std::filesystem::path& folder) {
  OpenAnswerFile(folder, answers_);
}

bool OutTxtAnswers::Next(const kit::Board& givens, kit::PuzzleRecord& answer, std::string& reason) {
  (void)givens;
  if (!answers_.Reader) {
    reason = answers_.Unreadable;
    return false;
  }
  const kit::SolutionBlock block = kit::ReadSolutionBlock(*answers_.Reader);
  // A block that cannot be read, or that holds a value no cell can hold, is a wrong answer; a
  // damaged block shifts every line after it, so nothing more is asked for.
  if (block.Status != kit::BlockStatus::Read) {
    reason = UnreadableReason(block, answers_.Name);
    return false;
  }
  answer.Status = block.Kind;
  answer.Cells = block.Cells;
  return true;
}

CheckResult CheckAnswers(const kit::PuzzleText& puzzles, AnswerSource& answers,
                         const Progress& progress) {
  CheckResult result;
  try {
    const auto search = std::make_unique<OwnSearch>();
    Judge judge(search->BoxStart());
    judge.Declare(answers.Declared());
    kit::PuzzleRecord puzzle, ownResult, answer;
    std::string unreadable;
    kit::ReadPos pos = 1;
    std::int32_t n = 0;
    do {
      ++n;
      result.Number = n;
      if (n % 1000 == 0 && !progress(n)) {
        SetStopped(result);
        return result;
      }
      puzzle.Cells = kit::ReadNextPuzzle(puzzles, pos);
      search->Solve(puzzle.Cells, ownResult);
      ++result.Outcomes[static_cast<std::size_t>(ownResult.Status)];
      if (!answers.Next(puzzle.Cells, answer, unreadable)) {
        SetWrong(result, std::move(unreadable));
        return result;
      }
      Judgement judgement = judge.AnswerIsCorrect(puzzle, ownResult, answer);
      if (!judgement.Correct) {
        SetWrong(result, answers.Where(n) + judgement.Reason);
        return result;
      }
    } while (pos >= 3);
    if (auto beyond = answers.AfterLast()) {
      SetWrong(result, std::move(*beyond));
      return result;
    }
    result.Kind = Verdict::AllCorrect;
    result.Message = AllCorrectText;
  } catch (const kit::FileError& e) {
    SetCannotJudge(result, e.what());
  } catch (const std::bad_alloc&) {
    SetCannotJudge(result, OutOfMemoryText(answers.Name()));
  }
  return result;
}

std::unique_ptr<OutTxtAnswers> OpenOutTxt(const std::filesystem::path& folder,
                                          CheckResult& result) {
  try {
    return std::make_unique<OutTxtAnswers>(folder);
  } catch (const kit::FileError& e) {
    SetCannotJudge(result, e.what());
  } catch (const std::bad_alloc&) {
    SetCannotJudge(result, OutOfMemoryText(kit::SolutionFileName));
  }
  return nullptr;
}

CheckResult CheckAnswers(const kit::PuzzleText& puzzles, const std::filesystem::path& folder,
                         const Progress& progress) {
  CheckResult result;
  const std::unique_ptr<OutTxtAnswers> answers = OpenOutTxt(folder, result);
  return answers ? CheckAnswers(puzzles, *answers, progress) : result;
}

std::optional<kit::PuzzleText> LoadCheckedPuzzles(const std::filesystem::path& folder,
                                                  CheckResult& result) {
  try {
    return kit::LoadPuzzleText(folder);
  } catch (const kit::FileError& e) {
    result.Message = e.what();
  } catch (const std::bad_alloc&) {
    result.Message =
        "Zu wenig Arbeitsspeicher, um " + std::string(kit::PuzzleFileName) + " zu lesen.";
  }
  result.Kind = Verdict::CannotJudge;
  result.Number = 0;
  return std::nullopt;
}

CheckResult CheckIt(const std::filesystem::path& folder, const Progress& progress) {
  CheckResult result;
  const std::optional<kit::PuzzleText> puzzles = LoadCheckedPuzzles(folder, result);
  if (!puzzles) return result;
  return CheckAnswers(*puzzles, folder, progress);
}

}  // namespace checker
