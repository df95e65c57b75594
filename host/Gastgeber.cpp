// Gastgeber: loads a solver library with the field's common signature and times its calls in its
// own process, so that whatever the library does stays outside Messlauf.
//
//   Gastgeber BIBLIOTHEK FUNKTION KONFIGURATION ANZAHL   (descriptors as AnswerSlots.h says)
//   Gastgeber --probe BIBLIOTHEK FUNKTION                (loads it and looks the function up)
//
// A run: untimed passes with limit 2 until at least one pass and half a second are done; then
// the go from Messlauf, and one pass with limit 2 timed by the steady clock, each call by the
// cycle counter read between calls; then, untimed, limit 1 on the puzzles counted once, for the
// solution to judge. Exit status 0, or 2 with a German message on standard error.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "AnswerSlots.h"
#include "PuzzleSlots.h"

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

std::uint64_t Ticks() {
#if defined(__x86_64__) || defined(__i386__)
  return __rdtsc();
#else
  return static_cast<std::uint64_t>(Clock::now().time_since_epoch().count());
#endif
}

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "Gastgeber: %s\n", message.c_str());
  std::exit(2);
}

// The function, or the end with the reason; the loader's own words go to the log as they are.
host::SolveFunction Load(const char* library, const char* function) {
  void* handle = ::dlopen(library, RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = ::dlerror();
    std::fprintf(stderr, "dlopen: %s\n", why ? why : "?");
    Fail(std::string("Die Bibliothek ") + library + " lässt sich nicht laden.");
  }
  ::dlerror();
  void* symbol = ::dlsym(handle, function);
  if (!symbol) {
    const char* why = ::dlerror();
    std::fprintf(stderr, "dlsym: %s\n", why ? why : "?");
    Fail(std::string("Die Bibliothek ") + library + " hat keine Funktion " + function + ".");
  }
  return reinterpret_cast<host::SolveFunction>(symbol);
}

void* Map(int fd, std::size_t bytes, int protection, const char* what) {
  if (bytes == 0) return nullptr;
  void* map = ::mmap(nullptr, bytes, protection, MAP_SHARED, fd, 0);
  if (map == MAP_FAILED)
    Fail(std::string("Der Speicher für ") + what + " lässt sich nicht einblenden.");
  return map;
}

void Mark(char mark) {
  if (::write(host::MarksOut, &mark, 1) != 1) Fail("Messlauf hört nicht mehr zu.");
}

// Waits for the go without sleeping: a host that slept might wake on another CPU, with cold caches
// and branch predictors, and the warm-up would be lost on the timed pass.
void AwaitGo() {
  const int flags = ::fcntl(host::AckIn, F_GETFL);
  ::fcntl(host::AckIn, F_SETFL, flags | O_NONBLOCK);
  char go = 0;
  for (;;) {
    const ssize_t got = ::read(host::AckIn, &go, 1);
    if (got == 1) break;
    if (got == 0 || (errno != EAGAIN && errno != EINTR)) Fail("Messlauf hört nicht mehr zu.");
  }
  ::fcntl(host::AckIn, F_SETFL, flags);
}

void FillMarkers(host::AnswerSlot* slots, std::int64_t count) {
  for (std::int64_t i = 0; i < count; ++i) {
    slots[i].Guesses = host::NoGuesses;
    std::memset(slots[i].Solution, host::NoSolution, sizeof slots[i].Solution);
  }
}

struct Run {
  host::SolveFunction Solve;
  std::uint32_t Configuration;
  const void* Puzzles;
  host::AnswerHeader* Header;
  host::AnswerSlot* Slots;
  std::int64_t Count;

  // One pass with limit 2 in the set's order, each call's ticks from before it to before the next.
  void Pass() const {
    std::uint64_t before = Ticks();
    for (std::int64_t i = 0; i < Count; ++i) {
      host::AnswerSlot& slot = Slots[i];
      Header->Current.store(i + 1, std::memory_order_relaxed);
      slot.Found =
          Solve(host::PuzzleSlot(Puzzles, i), 2, Configuration, slot.Solution, &slot.Guesses);
      const std::uint64_t after = Ticks();
      slot.Ticks = after - before;
      before = after;
    }
  }

  void WarmUp() const {
    const auto started = Clock::now();
    const std::uint64_t ticks = Ticks();
    Header->Stage.store(host::WarmingUp);
    do {
      FillMarkers(Slots, Count);
      Pass();
      ++Header->WarmupPasses;
    } while (Clock::now() - started < std::chrono::milliseconds(500));
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    Header->TicksPerSecond = static_cast<double>(Ticks() - ticks) / seconds;
  }

  void Timed() const {
    FillMarkers(Slots, Count);
    Mark(host::ReadyMark);
    AwaitGo();  // Messlauf's bracket opens before the host's clock starts
    Header->Stage.store(host::Timed);
    const auto started = Clock::now();
    Pass();
    Header->PassSeconds = std::chrono::duration<double>(Clock::now() - started).count();
    Mark(host::PassEndMark);
    for (std::int64_t i = 0; i < Count; ++i) {
      Slots[i].Seconds = static_cast<double>(Slots[i].Ticks) / Header->TicksPerSecond;
    }
  }

  // Limit 1 on the puzzles counted once; a solution a limit-2 call left is not judged.
  void Solutions() const {
    Header->Stage.store(host::Solving);
    for (std::int64_t i = 0; i < Count; ++i) {
      host::AnswerSlot& slot = Slots[i];
      std::memset(slot.Solution, host::NoSolution, sizeof slot.Solution);
      if (slot.Found != 1) continue;
      Header->Current.store(i + 1, std::memory_order_relaxed);
      std::size_t guesses = host::NoGuesses;
      Solve(host::PuzzleSlot(Puzzles, i), 1, Configuration, slot.Solution, &guesses);
    }
    Header->Current.store(0);
    Header->Stage.store(host::Done);
  }
};

long long Number(const char* text, long long most, const char* what) {
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || value < 0 || value > most) {
    Fail(std::string(what) + " ist keine Zahl von 0 bis " + std::to_string(most) + ": " + text);
  }
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--probe") == 0) {
    Load(argv[2], argv[3]);
    return 0;
  }
  if (argc != 5) Fail("Aufruf: Gastgeber BIBLIOTHEK FUNKTION KONFIGURATION ANZAHL");
  Run run{};
  run.Configuration = static_cast<std::uint32_t>(Number(argv[3], 4294967295LL, "KONFIGURATION"));
  run.Count = Number(argv[4], 1LL << 40, "ANZAHL");
  run.Puzzles = Map(host::PuzzlesIn, host::PuzzleRegionBytes(run.Count), PROT_READ, "die Rätsel");
  void* answers = Map(host::AnswersOut, host::AnswerRegionBytes(run.Count), PROT_READ | PROT_WRITE,
                      "die Antworten");
  run.Header = host::HeaderOf(answers);
  run.Slots = host::SlotsOf(answers);
  run.Header->Count = run.Count;
  run.Solve = Load(argv[1], argv[2]);
  run.WarmUp();
  run.Timed();
  run.Solutions();
  Mark(host::DoneMark);
  return 0;
}
