// `Messlauf verify`: Check's comparison run on the command line, on several threads: IN.TXT and
// OUT.TXT of a folder, or a line solver's answer lines against a puzzle collection.
#pragma once

#include <iosfwd>
#include <string>

namespace runner {

// Runs `verify` with the arguments after it (argv[0] is "verify"); the exit status: 0 every answer
// correct, 1 an answer wrong, 2 a file that cannot be read, an export that cannot be written or a
// bad command line. Check's lines (the verdict, for a wrong answer "Grund: …"), the outcomes and
// the check time go to `out` for 0 and 1; a message that gives no verdict goes to `err`. The
// check time is written with `separator`.
int Verify(int argc, const char* const argv[], std::ostream& out, std::ostream& err,
           const std::string& separator);

}  // namespace runner
