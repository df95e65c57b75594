// What Messlauf and its launcher, Anlasser, say to each other on their socket: one message a
// datagram (SOCK_SEQPACKET), each a fixed head, a start request followed by its words. The
// launcher is the small program every solver is started from, so that a solver's peak memory
// begins with the launcher's few hundred KiB and not with Messlauf's held puzzles.
//
// Messlauf                         Anlasser
//   Start (+ descriptors)   --->
//                           <---   Started (the solver's process id, or why it did not start)
//   Stop (a signal)         --->   (only while it runs: the time limit, Ctrl-C, SIGTERM)
//                           <---   Ended (its times, CPU times and peak memory)
//                           <---   Cleared (what it left running has been ended and reaped)
//
// Both ends are built from this one header; it needs nothing but the C library.
#pragma once

#include <cstddef>
#include <cstdint>

namespace launch {

enum class Kind : std::uint32_t { Start = 1, Stop, Started, Ended, Cleared };

// The largest message: a start request with its folder, program, log and words.
inline constexpr std::size_t MaxMessage = 64 * 1024;

// Which of the solver's standard streams come with the request as descriptors (SCM_RIGHTS, in
// this order); the others are /dev/null for input and the log for output.
inline constexpr std::uint32_t GivesInput = 1, GivesOutput = 2;
// After the streams, further descriptors that the solver finds as 3, 4, … in their order.
inline constexpr std::uint32_t MaxExtras = 2;
inline constexpr std::size_t MaxDescriptors = 2 + MaxExtras;

struct StartHead {
  Kind What = Kind::Start;
  std::int32_t PinnedCpu = -1;  // the logical CPU it runs on, or -1
  std::uint32_t Streams = 0;    // GivesInput, GivesOutput
  std::uint32_t Words = 0;      // strings after the head: folder, program, log, then argv
  std::uint32_t Extras = 0;     // descriptors after the streams, at most MaxExtras
};

struct StopHead {
  Kind What = Kind::Stop;
  std::int32_t Signal = 0;  // sent to its process group; SIGKILL follows after a grace time
};

struct StartedHead {
  Kind What = Kind::Started;
  std::int32_t Pid = 0;    // above 0 when it runs
  std::int32_t Error = 0;  // the error number when it could not be started
};

struct EndedHead {
  Kind What = Kind::Ended;
  std::int32_t Signaled = 0;  // 1: a signal ended it (Code), 0: it exited (Code)
  std::int32_t Code = 0;      // exit status or signal
  std::int32_t Stopped = 0;   // 1: it ended after a Stop
  std::int64_t StartNs = 0;   // CLOCK_MONOTONIC right before it was started
  std::int64_t EndNs = 0;     // and right after wait4 returned it
  std::int64_t UserUs = 0;    // wait4's CPU times of it and its waited-for children
  std::int64_t SystemUs = 0;
  std::int64_t MaxRssKib = 0;  // wait4's peak memory of it or one of those children
};

struct ClearedHead {
  Kind What = Kind::Cleared;
  std::int32_t Unused = 0;
  std::int64_t GuardNs = 0;  // ending and reaping whatever it left running
};

}  // namespace launch
