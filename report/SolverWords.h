// How the reports for people show a solver: the words it ran with as a shell reads them back,
// that it is a line solver, and the files among its words with the start of their digests.
#pragma once

#include <string>
#include <vector>

#include "RunRecord.h"

namespace report {

// A word as a shell reads it back: as it is, or in single quotes when it is empty or holds a
// blank, a quote or another character a shell takes for its own (a single quote within as '\'').
std::string ShellWord(const std::string& word);

// The words parted by blanks, each as ShellWord gives it.
std::string ShellWords(const std::vector<std::string>& words);

// What it ran: its program as ReportPath shows it, and when it ran with more words than the
// program those words after it (an input file as ReportPath shows it).
std::string SolverCommand(const record::Solver& solver);

// "flink (loeser/flink)"; "langsam (loeser/langsam --tabelle t.bin), Zeilen-Löser".
std::string SolverShown(const record::Solver& solver);

// Each of its input files: "loeser/tabelle.bin (6b86b273)", or "…, ohne Prüfsumme".
std::vector<std::string> SolverInputsShown(const record::Solver& solver);

// How reports name a solver's kind: "Programm" or "Zeilen-Löser".
const char* SolverKindWord(record::SolverKind kind);

}  // namespace report
