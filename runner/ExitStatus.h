// What a finished run ends with, for scripts and CI gates. The precedence is 2 over 1 over 3
// over 0: a failed run is 2; so, with --fail-on-regression, is a correct solver on a set that
// no comparison with the baseline decided (none was possible, or too few rounds), since a gate
// that compared nothing has not passed. Then a wrong answer is 1, and with --fail-on-regression a
// comparison that says "langsamer" is 3. A run that Ctrl-C or SIGTERM stopped ends with 128 and
// the signal's number, as a shell reports a program that signal ended.
#pragma once

#include <string>
#include <vector>

#include "RunRecord.h"

namespace runner {

struct RunEnd {
  int Status = 0;
  // With --fail-on-regression: each solver and set no comparison decided, and why, in German.
  std::vector<std::string> Undecided;
};

RunEnd DecideExit(const record::RunRecord& record, const record::Summaries& summaries);

}  // namespace runner
