// Ctrl-C and SIGTERM during a run: they only mark the run as interrupted, so that whatever runs
// is stopped in order and nothing is left half-done.
#pragma once

#include <stdexcept>

namespace runner {

// SIGINT or SIGTERM arrived: the solver, if one ran, got it too and has ended.
class Interrupted : public std::runtime_error {
 public:
  explicit Interrupted(int signal);
  int Signal;
};

// From now on SIGINT and SIGTERM only mark the run as interrupted (see InterruptedBy).
void TakeOverInterruptions();

// The signal that asked to stop, or 0.
int InterruptedBy();

// Marks the run as interrupted by `signal`, for a signal taken while it was held back.
void NoteInterruption(int signal);

}  // namespace runner
