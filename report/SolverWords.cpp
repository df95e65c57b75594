#include "SolverWords.h"

#include "Numbers.h"

namespace report {
namespace {

// Characters a shell reads as its own rather than as part of a word (beside the blanks).
constexpr const char* ShellCharacters = " \t\n\r'\"\\$`!*?[]{}()<>|&;#~";

}  // namespace

std::string ShellWord(const std::string& word) {
  if (!word.empty() && word.find_first_of(ShellCharacters) == std::string::npos) return word;
  std::string quoted = "'";
  for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ShellWords(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : " ") + ShellWord(word);
  return text;
}

std::string SolverCommand(const record::Solver& solver) {
  // A program alone shows as it always did, its path unquoted.
  if (solver.Command.size() <= 1) return ReportPath(solver.Program);
  std::vector<std::string> words{ReportPath(solver.Program)};
  for (std::size_t i = 1; i < solver.Command.size(); ++i) {
    std::string word = solver.Command[i];
    for (const record::SolverInput& input : solver.Inputs) {
      if (!input.Path.empty() && input.Path == std::filesystem::path(word)) {
        word = ReportPath(input.Path);
      }
    }
    words.push_back(std::move(word));
  }
  return ShellWords(words);
}

const char* SolverKindWord(record::SolverKind kind) {
  switch (kind) {
    case record::SolverKind::Lines:
      return "Zeilen-Löser";
    case record::SolverKind::Library:
      return "Bibliothek";
    case record::SolverKind::Program:
      break;
  }
  return "Programm";
}

std::string SolverShown(const record::Solver& solver) {
  if (solver.Kind == record::SolverKind::Library) {  // what is called, not its host
    std::string called = ReportPath(solver.Library) + ":" + solver.Function;
    if (solver.Configuration != 0) called += ":" + std::to_string(solver.Configuration);
    return solver.Name + " (" + called + "), " + SolverKindWord(solver.Kind);
  }
  std::string text = solver.Name + " (" + SolverCommand(solver) + ")";
  if (solver.Kind == record::SolverKind::Lines) {
    text += std::string(", ") + SolverKindWord(solver.Kind);
  }
  return text;
}

std::vector<std::string> SolverInputsShown(const record::Solver& solver) {
  std::vector<std::string> shown;
  for (const record::SolverInput& input : solver.Inputs) {
    shown.push_back(ReportPath(input.Path) + (input.Sha256.empty()
                                                  ? std::string(", ohne Prüfsumme")
                                                  : " (" + input.Sha256.substr(0, 8) + ")"));
  }
  return shown;
}

}  // namespace report
