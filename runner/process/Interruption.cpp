#include "Interruption.h"

#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <string>

namespace runner {
namespace {

volatile std::sig_atomic_t interruption = 0;

// The first Ctrl-C stops the run in order and keeps its whole rounds; a second one ends it at
// once (the launcher then ends the solver, since its parent is gone).
extern "C" void OnInterruption(int signal) {
  if (interruption != 0) ::_exit(128 + signal);
  interruption = signal;
}

}  // namespace

Interrupted::Interrupted(int signal)
    : std::runtime_error(std::string("Abgebrochen durch ") +
                         (signal == SIGINT ? "Strg+C (SIGINT)" : "SIGTERM") +
                         "; kein Löser läuft mehr."),
      Signal(signal) {}

void TakeOverInterruptions() {
  struct sigaction action {};
  action.sa_handler = OnInterruption;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

int InterruptedBy() {
  return interruption;
}

void NoteInterruption(int signal) {
  interruption = signal;
}

}  // namespace runner
