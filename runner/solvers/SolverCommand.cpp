#include "SolverCommand.h"

#include <unistd.h>

#include "Hashes.h"

namespace runner {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A character a word may hold without quotes when it is read back.
bool IsPlain(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view("-_./=:,+@%").find(c) != std::string_view::npos;
}

bool IsFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

// The program a first word names: a word with a '/' or naming a file in the caller's folder is
// taken from there, any other word from the first folder of the search path that holds an
// executable file of that name. Nothing when no folder does.
std::optional<std::filesystem::path> FindProgram(const std::string& word,
                                                 const Surroundings& around) {
  const std::filesystem::path here = around.CallerFolder / word;
  if (word.find('/') != std::string::npos || IsFile(here)) return here.lexically_normal();
  std::string_view rest = around.SearchPath;
  for (;;) {
    const std::size_t colon = rest.find(':');
    const std::string_view folder = rest.substr(0, colon);
    // An empty entry stands for the current folder, as a shell reads it.
    const std::filesystem::path candidate =
        (folder.empty() ? around.CallerFolder : around.CallerFolder / folder) / word;
    if (IsFile(candidate) && ::access(candidate.c_str(), X_OK) == 0) {
      return candidate.lexically_normal();
    }
    if (colon == std::string_view::npos) return std::nullopt;
    rest.remove_prefix(colon + 1);
  }
}

}  // namespace

std::variant<std::vector<std::string>, std::string> SplitWords(std::string_view command) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (std::size_t i = 0; i < command.size(); ++i) {
    const char c = command[i];
    if (IsBlank(c)) {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
      continue;
    }
    inWord = true;
    if (c == '\\') {
      if (++i == command.size()) return std::string("Der Befehl endet mit einem Rückstrich.");
      if (command[i] != '\n') word += command[i];  // a backslash before a line end joins lines
    } else if (c == '\'') {
      const std::size_t end = command.find('\'', i + 1);
      if (end == std::string_view::npos) {
        return std::string("Im Befehl fehlt das schließende einfache Anführungszeichen (').");
      }
      word.append(command.substr(i + 1, end - i - 1));
      i = end;
    } else if (c == '"') {
      for (++i;; ++i) {
        if (i == command.size()) {
          return std::string("Im Befehl fehlt das schließende doppelte Anführungszeichen (\").");
        }
        if (command[i] == '"') break;
        if (command[i] == '\\' && i + 1 < command.size() &&
            std::string_view("$`\"\\\n").find(command[i + 1]) != std::string_view::npos) {
          if (command[++i] != '\n') word += command[i];
        } else {
          word += command[i];
        }
      }
    } else {
      word += c;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

std::string JoinWords(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) {
    if (!text.empty()) text += ' ';
    bool plain = !word.empty();
    for (const char c : word) plain = plain && IsPlain(c);
    if (plain) {
      text += word;
      continue;
    }
    text += '\'';
    for (const char c : word) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    text += '\'';
  }
  return text;
}

std::pair<std::string, std::string> NameAndCommand(const std::string& argument) {
  const std::size_t equals = argument.find('=');
  if (equals == 0 || equals == std::string::npos) return {"", argument};
  const std::string_view before = std::string_view(argument).substr(0, equals);
  for (const char c : before) {
    if (c == '/' || IsBlank(c)) return {"", argument};
  }
  return {std::string(before), argument.substr(equals + 1)};
}

std::variant<record::Solver, std::string> TakeSolver(const std::string& argument,
                                                     record::SolverKind kind,
                                                     const Surroundings& around,
                                                     const std::string& option) {
  const auto [name, command] = NameAndCommand(argument);
  std::vector<std::string> words;
  // A whole text that names a file is that program, blanks and all, as before commands were
  // split: stored scripts that name a program in a folder with blanks keep working.
  if (!command.empty() && IsFile(around.CallerFolder / command)) {
    words.push_back(command);
  } else {
    auto split = SplitWords(command);
    if (auto* why = std::get_if<std::string>(&split)) {
      return option + " " + argument + ": " + *why;
    }
    words = std::get<std::vector<std::string>>(std::move(split));
  }
  if (words.empty()) return "Zu " + option + " " + argument + " fehlt der Befehl des Programms.";
  const auto program = FindProgram(words.front(), around);
  if (!program) {
    return "Der Löser " + (name.empty() ? words.front() : name) +
           " lässt sich nicht starten: " + "das Programm „" + words.front() +
           "“ gibt es weder im aktuellen Ordner noch in einem Ordner von PATH.";
  }
  record::Solver solver;
  solver.Name = name.empty() ? program->filename().string() : name;
  solver.Program = *program;
  solver.Kind = kind;
  solver.Command.push_back(program->string());
  for (std::size_t i = 1; i < words.size(); ++i) {
    const std::filesystem::path file = around.CallerFolder / words[i];
    if (!words[i].empty() && IsFile(file)) {
      solver.Command.push_back(file.lexically_normal().string());
      solver.Inputs.push_back({file.lexically_normal(), {}});
    } else {
      solver.Command.push_back(words[i]);
    }
  }
  return solver;
}

std::string VersionDigest(const record::Solver& solver) {
  if (solver.Kind == record::SolverKind::Library) return solver.LibrarySha256;
  if (solver.Inputs.empty()) return solver.ProgramSha256;
  std::string digests = solver.ProgramSha256 + '\n';
  for (const record::SolverInput& input : solver.Inputs) digests += input.Sha256 + '\n';
  return Sha256(digests);
}

}  // namespace runner
