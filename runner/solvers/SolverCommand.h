// A solver as the command line names it: NAME=COMMAND or COMMAND, the command split into words
// as a shell splits them and run without a shell. The program is found as a shell would find it,
// with one difference: a word that names a file in the caller's folder is that file; every later
// word that names a file there is made absolute, so that the solver finds it from the work folder,
// and is hashed with the program as the solver's version.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "RunRecord.h"

namespace runner {

// The words of `command`: blanks (spaces, tabs, line ends) separate them; single quotes keep
// everything up to the next one; double quotes keep everything but a backslash before $, `, ",
// \ or a line end; a backslash elsewhere keeps the character after it. A German sentence instead
// when a quote is not closed or the text ends in a backslash.
std::variant<std::vector<std::string>, std::string> SplitWords(std::string_view command);

// The words joined so that SplitWords gives them back: a word with anything but letters, digits
// and -_./=:,+@% in single quotes.
std::string JoinWords(const std::vector<std::string>& words);

// NAME=COMMAND or COMMAND: the text before the first '=' is a name only when it is not empty and
// holds no blank and no '/', so that `python3 x.py --mode=fast` is a command.
std::pair<std::string, std::string> NameAndCommand(const std::string& argument);

// Where to look for a program and its files.
struct Surroundings {
  std::filesystem::path CallerFolder;  // absolute
  std::string SearchPath;              // as $PATH: folders separated by ':'
};

// The solver `argument` stands for, of `kind`, with its program and file words made absolute and
// its default name the program's file name; Inputs hold the files' paths, their digests come
// when the run starts. The refusal, in German, when the command is empty or badly quoted, or its
// program is found nowhere or is not an executable file. `option` names it in messages.
std::variant<record::Solver, std::string> TakeSolver(const std::string& argument,
                                                     record::SolverKind kind,
                                                     const Surroundings& around,
                                                     const std::string& option);

// The digest that tells the solver's versions apart: its program's digest when none of its words
// names a file, otherwise the digest of the program's and every input's digest in order; for a
// library, the library's digest (its host is the kit's, as Messlauf is).
std::string VersionDigest(const record::Solver& solver);

}  // namespace runner
