// A bare loop over a solver library, to hold Gastgeber's figures against: the same slots in a
// memory file, the same warm-up (at least one pass and half a second), then one pass with limit 2
// in the collection's order, timed as a whole by the steady clock and nothing else.
//
//   library_loop LIBRARY FUNCTION COLLECTION   -> "µs je Rätsel: X (N Rätsel)"
#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "AnswerSlots.h"
#include "PuzzleSlots.h"

namespace {

using Clock = std::chrono::steady_clock;

int Fail(const std::string& message) {
  std::fprintf(stderr, "library_loop: %s\n", message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return Fail("Aufruf: library_loop BIBLIOTHEK FUNKTION SAMMLUNG");
  std::ifstream in(argv[3]);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (line.size() >= host::PuzzleChars) lines.push_back(line.substr(0, host::PuzzleChars));
  }
  const auto count = static_cast<std::int64_t>(lines.size());
  if (count == 0) return Fail(std::string("keine Rätsel in ") + argv[3]);
  void* handle = ::dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!handle) return Fail(::dlerror());
  const auto solve = reinterpret_cast<host::SolveFunction>(::dlsym(handle, argv[2]));
  if (!solve) return Fail(::dlerror());
  const int fd = ::memfd_create("library_loop", MFD_CLOEXEC);
  const std::size_t bytes = host::PuzzleRegionBytes(count);
  if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(bytes)) != 0) return Fail("memfd");
  void* writable = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (writable == MAP_FAILED) return Fail("mmap");
  for (std::int64_t i = 0; i < count; ++i) {
    std::memcpy(static_cast<char*>(writable) + static_cast<std::size_t>(i) * host::SlotBytes,
                lines[static_cast<std::size_t>(i)].data(), host::PuzzleChars);
  }
  ::munmap(writable, bytes);
  const void* puzzles = ::mmap(nullptr, bytes, PROT_READ, MAP_SHARED, fd, 0);
  if (puzzles == MAP_FAILED) return Fail("mmap");
  std::vector<host::AnswerSlot> answers(static_cast<std::size_t>(count));
  const auto pass = [&] {
    for (std::int64_t i = 0; i < count; ++i) {
      host::AnswerSlot& slot = answers[static_cast<std::size_t>(i)];
      slot.Found = solve(host::PuzzleSlot(puzzles, i), 2, 0, slot.Solution, &slot.Guesses);
    }
  };
  const auto warm = Clock::now();
  do {
    pass();
  } while (Clock::now() - warm < std::chrono::milliseconds(500));
  const auto started = Clock::now();
  pass();
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
  std::printf("µs je Rätsel: %.4f (%lld Rätsel)\n", seconds / static_cast<double>(count) * 1e6,
              static_cast<long long>(count));
  return 0;
}
