#include "LibrarySolver.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <numeric>
#include <string_view>

#include "ExchangeParts.h"
#include "FileError.h"
#include "PuzzleLines.h"
#include "PuzzleSlots.h"
#include "SolverCommand.h"

extern char** environ;

namespace runner {
namespace {

bool IsIdentifier(std::string_view word) {
  if (word.empty() || (word[0] >= '0' && word[0] <= '9')) return false;
  for (const char c : word) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    if (!letter && !(c >= '0' && c <= '9')) return false;
  }
  return true;
}

bool IsDecimal(std::string_view word) {
  return !word.empty() && word.find_first_not_of("0123456789") == std::string_view::npos;
}

std::string Decimal(double value) {
  char text[32];
  const auto written = std::to_chars(text, text + sizeof text, value);
  return std::string(text, written.ptr);
}

[[noreturn]] void Refused(const std::string& what, int error) {
  throw kit::FileError("Die Rätsel für die Bibliothek lassen sich nicht bereitstellen (" + what +
                       "): " + kit::SystemErrorText(error) + ".");
}

}  // namespace

std::variant<LibraryNaming, std::string> ParseLibrary(const std::string& argument) {
  const auto [name, text] = NameAndCommand(argument);
  const std::string usage = "--library " + argument +
                            ": erwartet wird DATEI:FUNKTION oder DATEI:FUNKTION:KONFIGURATION, "
                            "wahlweise mit NAME= davor";
  LibraryNaming naming;
  std::string_view rest = text;
  std::size_t colon = rest.rfind(':');
  if (colon == std::string_view::npos) return usage + ".";
  std::string_view last = rest.substr(colon + 1);
  if (IsDecimal(last)) {
    const auto [end, error] =
        std::from_chars(last.data(), last.data() + last.size(), naming.Configuration);
    if (error != std::errc() || end != last.data() + last.size()) {
      return "--library " + argument + ": die Konfiguration " + std::string(last) +
             " ist größer als 4294967295.";
    }
    rest = rest.substr(0, colon);
    colon = rest.rfind(':');
    if (colon == std::string_view::npos) return usage + ".";
    last = rest.substr(colon + 1);
  }
  if (last.empty()) return usage + "; nach dem letzten Doppelpunkt steht nichts.";
  if (!IsIdentifier(last)) {
    return usage + "; „" + std::string(last) + "“ ist kein Funktionsname (Buchstaben, Ziffern, _).";
  }
  naming.Function = last;
  naming.File = rest.substr(0, colon);
  if (naming.File.empty()) return usage + "; die Datei fehlt.";
  naming.Name = name.empty() ? naming.Function : name;
  return naming;
}

std::optional<std::string> ProbeLibrary(const std::filesystem::path& host,
                                        const LibraryNaming& library) {
  const std::string who = "Die Bibliothek " + library.File;
  if (::access(library.File.c_str(), R_OK) != 0) {
    return who + " kann nicht gelesen werden: " + kit::SystemErrorText(errno) + ".";
  }
  int pipe[2];
  if (::pipe2(pipe, O_CLOEXEC) != 0) Refused("pipe2", errno);
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  ::posix_spawn_file_actions_adddup2(&actions, pipe[1], 2);
  const std::string program = host.string();
  const char* const argv[] = {program.c_str(), "--probe", library.File.c_str(),
                              library.Function.c_str(), nullptr};
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr,
                                    const_cast<char* const*>(argv), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  ::close(pipe[1]);
  if (spawned != 0) {
    ::close(pipe[0]);
    return "Das Programm " + program +
           ", das Bibliotheken lädt, lässt sich nicht starten: " + kit::SystemErrorText(spawned) +
           ".";
  }
  // Its words until it closes them, at most 30 s: a library whose loading never ends is refused.
  std::string said;
  const std::int64_t deadline = MonotonicNs() + 30'000'000'000;
  bool late = false;
  for (char buffer[4096];;) {
    pollfd wait{pipe[0], POLLIN, 0};
    const std::int64_t left = (deadline - MonotonicNs()) / 1'000'000;
    if (left <= 0) {
      late = true;
      break;
    }
    if (::poll(&wait, 1, static_cast<int>(left)) < 0 && errno != EINTR) break;
    const ssize_t got = ::read(pipe[0], buffer, sizeof buffer);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) break;
    if (said.size() < 65536) said.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(pipe[0]);
  if (late) ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (late) return who + " lässt sich nicht in 30 s laden.";
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return std::nullopt;
  // The host's own sentence is its line that begins with its name; the loader's lines are not.
  constexpr std::string_view mine = "Gastgeber: ";
  std::string sentence;
  for (std::size_t at = 0; at < said.size();) {
    const std::size_t end = std::min(said.find('\n', at), said.size());
    const std::string_view line(said.data() + at, end - at);
    if (line.starts_with(mine)) sentence = line.substr(mine.size());
    at = end + 1;
  }
  if (!sentence.empty()) return sentence;
  if (WIFSIGNALED(status)) {
    return who + " lässt sich nicht laden: das Laden endete mit dem Signal " +
           std::to_string(WTERMSIG(status)) + ".";
  }
  return who + " lässt sich nicht laden.";
}

SealedPuzzles::SealedPuzzles(std::string_view lines, std::int64_t count) : count_(count) {
  constexpr std::size_t stride = host::PuzzleChars + 1;
  if (count < 0 || lines.size() != static_cast<std::size_t>(count) * stride) {
    throw kit::FileError("Die Rätsel für die Bibliothek passen nicht zu ihrer Anzahl.");
  }
  fd_ = ::memfd_create("Messlauf-Raetsel", MFD_CLOEXEC | MFD_ALLOW_SEALING);
  if (fd_ < 0) Refused("memfd_create", errno);
  try {
    const std::size_t bytes = host::PuzzleRegionBytes(count);
    if (::ftruncate(fd_, static_cast<off_t>(bytes)) != 0) Refused("ftruncate", errno);
    if (bytes > 0) {
      void* map = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
      if (map == MAP_FAILED) Refused("mmap", errno);
      auto* slots = static_cast<char*>(map);  // zero already: the NUL and the padding
      for (std::int64_t i = 0; i < count; ++i) {
        std::memcpy(slots + static_cast<std::size_t>(i) * host::SlotBytes,
                    lines.data() + static_cast<std::size_t>(i) * stride, host::PuzzleChars);
      }
      ::munmap(map, bytes);  // a writable mapping left would keep F_SEAL_WRITE from being set
    }
    const int seals = F_SEAL_WRITE | F_SEAL_GROW | F_SEAL_SHRINK | F_SEAL_SEAL;
    if (::fcntl(fd_, F_ADD_SEALS, seals) != 0) Refused("F_ADD_SEALS", errno);
  } catch (...) {
    ::close(fd_);
    throw;
  }
}

SealedPuzzles::~SealedPuzzles() {
  if (fd_ >= 0) ::close(fd_);
}

LibraryExchange::LibraryExchange(const SealedPuzzles& puzzles) : puzzles_(puzzles) {
  answers_ = ::memfd_create("Messlauf-Antworten", MFD_CLOEXEC);
  if (answers_ < 0) Refused("memfd_create", errno);
  if (::ftruncate(answers_, static_cast<off_t>(host::AnswerRegionBytes(puzzles.Count()))) != 0) {
    const int error = errno;
    ::close(answers_);
    Refused("ftruncate", error);
  }
  int ack[2], marks[2];
  if (::pipe2(ack, O_CLOEXEC) != 0) {
    const int error = errno;
    ::close(answers_);
    Refused("pipe2", error);
  }
  if (::pipe2(marks, O_CLOEXEC) != 0) {
    const int error = errno;
    for (const int fd : {answers_, ack[0], ack[1]}) ::close(fd);
    Refused("pipe2", error);
  }
  ackRead_ = ack[0];
  ackWrite_ = ack[1];
  marksRead_ = marks[0];
  marksWrite_ = marks[1];
  // The header alone, read while the host runs: the puzzle under way, for the progress display.
  void* header = ::mmap(nullptr, sizeof(host::AnswerHeader), PROT_READ, MAP_SHARED, answers_, 0);
  if (header != MAP_FAILED) live_ = host::HeaderOf(header);
  listener_ = QuietThread([this] { Listen(); });
}

std::int64_t LibraryExchange::Progress() const {
  if (Completed()) return puzzles_.Count();
  if (!live_ || live_->Stage.load(std::memory_order_relaxed) != host::Timed) return 0;
  return live_->Current.load(std::memory_order_relaxed);
}

LibraryExchange::~LibraryExchange() {
  CloseIfOpen(ackRead_);  // without a run the thread ends at once: nobody holds the other end
  CloseIfOpen(marksWrite_);
  if (listener_.joinable()) listener_.join();
  CloseIfOpen(ackWrite_);
  CloseIfOpen(answers_);
  if (live_) ::munmap(const_cast<host::AnswerHeader*>(live_), sizeof(host::AnswerHeader));
}

void LibraryExchange::Hand(ProcessSetup& setup, const std::filesystem::path& host,
                           const LibraryNaming& library) {
  setup.Program = host;
  setup.Arguments = {host.string(), library.File, library.Function,
                     std::to_string(library.Configuration), std::to_string(puzzles_.Count())};
  setup.Input = ackRead_;
  setup.Output = marksWrite_;
  ackRead_ = marksWrite_ = -1;  // RunProcess closes them
  const int puzzles = ::fcntl(puzzles_.Descriptor(), F_DUPFD_CLOEXEC, 0);
  const int answers = ::fcntl(answers_, F_DUPFD_CLOEXEC, 0);
  if (puzzles < 0 || answers < 0) {
    const int error = errno;
    for (const int fd : {puzzles, answers}) {
      if (fd >= 0) ::close(fd);
    }
    Refused("F_DUPFD", error);
  }
  setup.Extras = {puzzles, answers};
}

void LibraryExchange::Listen() {
  char mark = 0;
  for (;;) {
    const ssize_t got = ::read(marksRead_, &mark, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got != 1) break;
    marks_ += mark;
    if (mark == host::ReadyMark) {
      openedNs_ = MonotonicNs();  // before the go: the host's clock starts after it
      while (::write(ackWrite_, "g", 1) < 0 && errno == EINTR) {
      }
    } else if (mark == host::PassEndMark) {
      closedNs_ = MonotonicNs();
    }
  }
  CloseIfOpen(marksRead_);
}

void LibraryExchange::Finish() {
  CloseIfOpen(ackRead_);
  CloseIfOpen(marksWrite_);
  if (listener_.joinable()) listener_.join();
  const std::int64_t count = puzzles_.Count();
  const std::size_t bytes = host::AnswerRegionBytes(count);
  void* map = ::mmap(nullptr, bytes, PROT_READ, MAP_SHARED, answers_, 0);
  if (map == MAP_FAILED) Refused("mmap", errno);
  const host::AnswerHeader* header = host::HeaderOf(map);
  stage_ = header->Stage.load();
  current_ = header->Current.load();
  warmupPasses_ = header->WarmupPasses;
  passSeconds_ = header->PassSeconds;
  const host::AnswerSlot* slots = host::SlotsOf(map);
  slots_.assign(slots, slots + count);
  ::munmap(map, bytes);
  if (openedNs_ > 0 && closedNs_ >= openedNs_) {
    bracketSeconds_ = static_cast<double>(closedNs_ - openedNs_) / 1e9;
  }
}

std::optional<std::string> LibraryExchange::Tampered(const std::string& name,
                                                     const std::string& runName) const {
  const std::string who = "Die Bibliothek " + name + " hat in " + runName;
  if (!(passSeconds_ > 0)) {
    return who + " eine Zeit von " + Decimal(passSeconds_) +
           " s für den ganzen Durchgang gemeldet; der Lauf zählt nicht.";
  }
  if (passSeconds_ > bracketSeconds_) {
    return who + " eine Zeit von " + Decimal(passSeconds_) +
           " s gemeldet, die über Messlaufs eigener Messung des Durchgangs liegt (" +
           Decimal(bracketSeconds_) + " s); der Lauf zählt nicht.";
  }
  const double calls =
      std::accumulate(slots_.begin(), slots_.end(), 0.0,
                      [](double sum, const host::AnswerSlot& s) { return sum + s.Seconds; });
  // The calls are timed on the cycle counter, scaled by the steady clock over the warm-up: a
  // thousandth covers that scale, and a microsecond the two readings of the clock.
  if (!(calls >= 0) || calls > passSeconds_ * 1.001 + 1e-6) {
    return who + " Zeiten je Rätsel gemeldet, die zusammen " + Decimal(calls) +
           " s ergeben, mehr als der ganze Durchgang (" + Decimal(passSeconds_) +
           " s); der Lauf zählt nicht.";
  }
  return std::nullopt;
}

std::string LibraryFailure(const std::string& name, const std::string& runName,
                           const ProcessEnd& end, std::int64_t puzzle, double timeoutSeconds) {
  const std::string who = "Die Bibliothek " + name;
  const std::string where =
      puzzle > 0 ? " bei SUDOKU-Nr. " + std::to_string(puzzle) : " vor ihrem ersten Rätsel";
  switch (end.How) {
    case Ending::Signaled: {
      const char* abbreviation = ::sigabbrev_np(end.Code);
      const std::string signal =
          abbreviation ? std::string("SIG") + abbreviation : std::to_string(end.Code);
      return who + " ist in " + runName + where + " abgestürzt (Signal " + signal + ").";
    }
    case Ending::TimedOut:
      return who + " hat in " + runName + where + " die Zeitgrenze von " + Decimal(timeoutSeconds) +
             " s überschritten.";
    case Ending::Exited:
      return who + " endete in " + runName + where + " mit dem Status " + std::to_string(end.Code) +
             ".";
    case Ending::NotStarted:
      return "Der Gastgeber für die Bibliothek " + name +
             " lässt sich nicht starten: " + kit::SystemErrorText(end.Code) + ".";
    case Ending::Interrupted:
      break;
  }
  return who + " wurde in " + runName + where + " unterbrochen.";
}

namespace {

// "Zeile R, Spalte C" of a cell, counted from 1.
std::string Place(std::size_t cell) {
  return "Zeile " + std::to_string(cell / 9 + 1) + ", Spalte " + std::to_string(cell % 9 + 1);
}

bool Written(const host::AnswerSlot& slot) {
  return slot.Solution[0] != host::NoSolution;
}

// The value at rank ⌈p·n⌉ of `values` (nearest rank), which it partly reorders.
double Percentile(std::vector<double>& values, double p) {
  const auto n = values.size();
  const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(n)));
  const auto at =
      values.begin() + static_cast<std::ptrdiff_t>(std::clamp<std::size_t>(rank, 1, n) - 1);
  std::nth_element(values.begin(), at, values.end());
  return *at;
}

}  // namespace

const checker::Declarations LibraryDeclarations = {
    {"keine Lösung (Anzahl 0)", "genau eine Lösung (Anzahl 1)", "mehrere Lösungen (Anzahl 2)"},
    true};
const checker::Declarations LibraryCountDeclarations = {
    {"keine Lösung (Anzahl 0)", "genau eine Lösung (Anzahl 1)", "mehrere Lösungen (Anzahl 2)"},
    true,
    true};

bool GivesSolutions(const std::vector<host::AnswerSlot>& slots) {
  bool one = false;
  for (const host::AnswerSlot& slot : slots) {
    if (slot.Found != 1) continue;
    if (Written(slot)) return true;
    one = true;
  }
  return !one;
}

bool LibraryAnswers::Next(const kit::Board& givens, kit::PuzzleRecord& answer,
                          std::string& reason) {
  const host::AnswerSlot& slot = slots_.at(next_++);
  answer = {};
  answer.Status = static_cast<std::int16_t>(std::min<std::size_t>(slot.Found, 2));
  if (answer.Status == 2) {
    answer.Cells = givens;  // a count, judged by the puzzle having several solutions
    return true;
  }
  if (answer.Status == 0 || !solutions_) return true;
  if (!Written(slot)) {
    reason = "Die Bibliothek gibt die Anzahl 1, aber keine Lösung zurück.";
    return false;
  }
  for (std::size_t i = 0; i < answer.Cells.size(); ++i) {
    const char c = slot.Solution[i];
    if (c < '1' || c > '9') {
      reason = "Die Lösung der Bibliothek hat an " + Place(i) + " " + kit::ShownByte(c) +
               " statt einer Ziffer 1–9.";
      return false;
    }
    answer.Cells[i] = static_cast<std::uint8_t>(c - '0');
  }
  return true;
}

record::PuzzleTimes PassFigures(const std::vector<host::AnswerSlot>& slots,
                                const std::filesystem::path& collection) {
  record::PuzzleTimes t;
  t.SolutionsGiven = GivesSolutions(slots);
  t.Histogram.assign(record::PuzzleTimeBins, 0);
  if (slots.empty()) return t;
  std::vector<double> us(slots.size());
  bool guesses = false;
  std::int64_t total = 0;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    us[i] = slots[i].Seconds * 1e6;
    ++t.Histogram[static_cast<std::size_t>(record::PuzzleTimeBin(us[i]))];
    if (slots[i].Guesses == host::NoGuesses) continue;
    guesses = true;
    total += static_cast<std::int64_t>(slots[i].Guesses);
    t.WithoutGuess += slots[i].Guesses == 0 ? 1 : 0;
  }
  if (guesses) t.Guesses = total;
  // The ten slowest, the earlier of equals first.
  std::vector<std::size_t> order(slots.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  const auto ten =
      order.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(10, order.size()));
  std::partial_sort(order.begin(), ten, order.end(), [&us](std::size_t a, std::size_t b) {
    return us[a] > us[b] || (us[a] == us[b] && a < b);
  });
  for (auto it = order.begin(); it != ten; ++it) {
    const host::AnswerSlot& slot = slots[*it];
    record::SlowPuzzle slow{static_cast<std::int64_t>(*it) + 1, std::nullopt, us[*it],
                            std::nullopt};
    if (slot.Guesses != host::NoGuesses) slow.Guesses = static_cast<std::int64_t>(slot.Guesses);
    t.Slowest.push_back(slow);
  }
  if (!collection.empty()) {
    std::int64_t number = 0;
    kit::ReadPuzzleLines(collection, slots.size(),
                         kit::NumberedPuzzleSink([&](const kit::Board&, long long line) {
                           ++number;
                           for (record::SlowPuzzle& slow : t.Slowest) {
                             if (slow.Number == number) slow.Line = line;
                           }
                         }));
  }
  t.Max = *std::max_element(us.begin(), us.end());
  t.P50 = Percentile(us, 0.5);
  t.P90 = Percentile(us, 0.9);
  t.P99 = Percentile(us, 0.99);
  return t;
}

}  // namespace runner
