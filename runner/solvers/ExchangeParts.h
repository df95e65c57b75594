// What the exchanges with a solver share: the clock they stamp moments with, closing a descriptor
// once, and threads that take no signal.
#pragma once

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <thread>

namespace runner {

inline std::int64_t MonotonicNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

inline void CloseIfOpen(int& descriptor) {
  if (descriptor >= 0) ::close(descriptor);
  descriptor = -1;
}

// Starts `work` on a thread that takes no signal: SIGINT and SIGTERM reach the thread that waits
// for the solver, and a write to a pipe nobody reads fails with EPIPE instead of ending Messlauf.
template <typename Work>
std::thread QuietThread(Work work) {
  sigset_t all, callers;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &callers);
  std::thread thread;
  try {
    thread = std::thread(work);
  } catch (...) {
    pthread_sigmask(SIG_SETMASK, &callers, nullptr);
    throw;
  }
  pthread_sigmask(SIG_SETMASK, &callers, nullptr);
  return thread;
}

}  // namespace runner
