// Zeilenquadrin: Quadrin's search as a line solver, the example of a compiled one. It reads one
// puzzle a line on standard input (81 characters, digits and '.' or '0' for an empty cell) and
// prints PUZZLE:COUNT:SOLUTION for each: the count is 0, 1 or 2 (two or more), and the solution is
// the one found (for 2 the second one found), nothing for 0. Unlike Quadrin it spends no fixed
// load per puzzle.
//
//   Messlauf --line-solver build/release/bin/Zeilenquadrin --puzzles data/puzzles
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "SolverRekursiv.h"

int main() {
  quadrin::Rekursiv search;
  static char in[1 << 16], out[1 << 16];
  std::setvbuf(stdin, in, _IOFBF, sizeof in);
  std::setvbuf(stdout, out, _IOFBF, sizeof out);
  char line[1100];
  std::string answer;
  while (std::fgets(line, sizeof line, stdin)) {
    std::size_t length = std::strcspn(line, "\r\n");
    line[length] = '\0';
    if (length != kit::CellCount) {
      std::fprintf(stderr, "Zeilenquadrin: eine Zeile hat nicht 81 Zeichen: %s\n", line);
      return 1;
    }
    for (std::size_t i = 0; i < kit::CellCount; ++i) {
      const char c = line[i];
      search.SolverInput.Cells[i] = c >= '1' && c <= '9' ? c - '0' : 0;
    }
    search.SolvePuzzle();
    answer.assign(line, length);
    answer += ':';
    answer += static_cast<char>('0' + search.SolutionCount);
    answer += ':';
    if (search.SolutionCount != 0) {  // the second solution comes negated, as OUT.TXT has it
      for (const auto digit : search.SolverResult.Cells) {
        answer += static_cast<char>('0' + std::abs(digit));
      }
    }
    answer += '\n';
    std::fwrite(answer.data(), 1, answer.size(), stdout);
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
