// What a published figure needs beside it: the machine it was taken on, the kit's build that took
// it, the moment, and how busy the machine was before the run began.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace runner {

struct MachineContext {
  std::string Processor;                // the model name the system gives
  int LogicalCores = 0;                 // online logical CPUs
  std::uint64_t MemoryBytes = 0;        // the physical memory
  std::string OperatingSystem;          // e.g. "Debian GNU/Linux 12 (bookworm)"
  std::string Kernel;                   // the kernel's name and release
  std::string KitVersion;               // the project's version
  std::string GitCommit;                // the checkout's commit it was built from, or empty
  bool GitChanges = false;              // the checkout had changes not committed
  std::string Compiler;                 // compiler and version
  std::string BuildType;                // e.g. "Release"
  std::string StartedUtc;               // ISO 8601, to the second
  std::array<double, 3> LoadAverage{};  // over 1, 5 and 15 minutes
  std::optional<int> PinnedCpu;         // the CPU the solvers ran on
};

// Reads the machine now. Call it first, before anything runs, so that the load average is the
// machine's own and not the run's. What the system does not tell stays empty or zero.
MachineContext ReadMachineContext();

// Whether the machine was busy when the run began: a load above 0.5 per logical core.
bool BusyAtStart(const MachineContext& context);

}  // namespace runner
