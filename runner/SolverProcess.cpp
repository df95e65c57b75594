#include "SolverProcess.h"

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <string_view>
#include <vector>

#include "FileError.h"
#include "ProgressDisplay.h"
#include "SolutionFile.h"

extern char** environ;

namespace runner {
namespace {

using Clock = std::chrono::steady_clock;

// How long a stopped solver may take to end after SIGTERM before it gets SIGKILL.
constexpr auto Grace = std::chrono::seconds(2);

volatile std::sig_atomic_t interruption = 0;

extern "C" void NoteInterruption(int signal) {
  interruption = signal;
}

// Counts the result blocks a solver has written so far, reading only what is new, for the progress
// display. A block ends with its last value line and the empty line: two CR LF in a row. It reads
// no further than the judge will: not past the last block it waits for, nor past a line longer
// than an answer line may be, and nothing that is not a regular file (a FIFO would block).
class BlockCounter {
 public:
  BlockCounter(std::filesystem::path folder, std::int64_t expected)
      : folder_(std::move(folder)), expected_(expected) {}

  std::int64_t Count() {
    // Quadrin writes to OUT.TXT.tmp and renames it at the end; other solvers may write OUT.TXT.
    // A renamed file is the same file: counting goes on where it stopped.
    for (const char* name : {"OUT.TXT.tmp", "OUT.TXT"}) {
      const int descriptor = ::open((folder_ / name).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
      if (descriptor < 0) continue;
      struct stat info {};
      if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        return blocks_;
      }
      if (info.st_ino != inode_) {
        inode_ = info.st_ino;
        offset_ = 0;
        blocks_ = 0;
        tail_ = 0;
        lineLength_ = 0;
        done_ = false;
      }
      ReadOn(descriptor);
      ::close(descriptor);
      return blocks_;
    }
    return blocks_;
  }

 private:
  void ReadOn(int descriptor) {
    char buffer[1 << 16];
    while (!done_) {
      const ssize_t got = ::pread(descriptor, buffer, sizeof buffer, offset_);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return;
      for (ssize_t i = 0; i < got && !done_; ++i) {
        const auto byte = static_cast<unsigned char>(buffer[i]);
        tail_ = (tail_ << 8) | byte;
        lineLength_ = byte == '\n' ? 0 : lineLength_ + 1;
        if (tail_ == 0x0D0A0D0A) ++blocks_;
        done_ = blocks_ >= expected_ || lineLength_ > kit::MaxAnswerLine + 1;
      }
      offset_ += got;
    }
  }

  std::filesystem::path folder_;
  std::int64_t expected_;
  ino_t inode_ = 0;
  off_t offset_ = 0;
  std::int64_t blocks_ = 0;
  std::uint32_t tail_ = 0;
  std::size_t lineLength_ = 0;
  bool done_ = false;  // the judge reads no further
};

// The last `maxBytes` of a solver's log, read from its end: the log may be as large as the solver
// made it, or no longer a regular file.
std::string Tail(const std::filesystem::path& file, std::size_t maxBytes) {
  const int descriptor = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return {};
  struct stat info {};
  std::string all;
  if (::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode)) {
    const auto size = static_cast<std::size_t>(info.st_size);
    const std::size_t from = size > maxBytes ? size - maxBytes : 0;
    all.resize(size - from);
    const ssize_t got = ::pread(descriptor, all.data(), all.size(), static_cast<off_t>(from));
    all.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    if (from > 0) all = "…" + all;
  }
  ::close(descriptor);
  while (!all.empty() && (all.back() == '\n' || all.back() == '\r')) all.pop_back();
  return all;
}

// While it lives, a child's end, SIGINT and SIGTERM are held back, to be taken one at a time
// with a timeout instead of arriving at any moment.
class HeldSignals {
 public:
  HeldSignals() {
    sigemptyset(&set_);
    for (int s : {SIGCHLD, SIGINT, SIGTERM}) sigaddset(&set_, s);
    pthread_sigmask(SIG_BLOCK, &set_, &previous_);
  }
  ~HeldSignals() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  HeldSignals(const HeldSignals&) = delete;
  HeldSignals& operator=(const HeldSignals&) = delete;

  // The signal that came within `wait`, or 0.
  int Wait(Clock::duration wait) const {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
    const timespec timeout{static_cast<time_t>(ns / 1000000000),
                           static_cast<long>(ns % 1000000000)};
    const int signal = sigtimedwait(&set_, nullptr, &timeout);
    return signal > 0 ? signal : 0;
  }

 private:
  sigset_t set_{}, previous_{};
};

// Pins the calling thread to one CPU while it lives; a process it spawns inherits that.
class PinnedThread {
 public:
  explicit PinnedThread(std::optional<int> cpu) : active_(cpu.has_value()) {
    if (!active_) return;
    pthread_getaffinity_np(pthread_self(), sizeof saved_, &saved_);
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(static_cast<std::size_t>(*cpu), &one);
    if (const int error = pthread_setaffinity_np(pthread_self(), sizeof one, &one)) {
      active_ = false;
      throw RunFailed("Der Löser lässt sich nicht an den Prozessor " + std::to_string(*cpu) +
                      " binden: " + kit::SystemErrorText(error) + ".");
    }
  }
  ~PinnedThread() {
    if (active_) pthread_setaffinity_np(pthread_self(), sizeof saved_, &saved_);
  }
  PinnedThread(const PinnedThread&) = delete;
  PinnedThread& operator=(const PinnedThread&) = delete;

 private:
  bool active_;
  cpu_set_t saved_{};
};

// This process's children, re-parented orphans included: every process whose parent it is.
std::vector<pid_t> OwnChildren() {
  std::vector<pid_t> children;
  const pid_t self = ::getpid();
  std::error_code error;
  for (std::filesystem::directory_iterator it("/proc", error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    const int descriptor = ::open((it->path() / "stat").c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) continue;  // it has ended meanwhile
    char stat[512];
    const ssize_t got = ::read(descriptor, stat, sizeof stat - 1);
    ::close(descriptor);
    if (got <= 0) continue;
    // "pid (comm) state ppid …": the name may hold blanks and parentheses, so look behind the
    // last ")".
    const std::string_view text(stat, static_cast<std::size_t>(got));
    const std::size_t close = text.rfind(')');
    if (close == std::string_view::npos || close + 4 >= text.size()) continue;
    pid_t parent = 0;
    const char* const first = text.data() + close + 4;
    std::from_chars(first, text.data() + text.size(), parent);
    if (parent == self) children.push_back(std::stoi(name));
  }
  return children;
}

// Whether this process has a child at all, living or not yet reaped; asks without reaping.
bool HasChildren() {
  siginfo_t info{};
  return ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == 0;
}

// Ends and reaps every child of this process, and then theirs, which the system hands to this
// process as their reaper, until none is left: a solver's processes may have left its group or
// session. Messlauf starts no other children.
void EndLeftovers() {
  while (HasChildren()) {
    const std::vector<pid_t> children = OwnChildren();
    for (const pid_t pid : children) ::kill(pid, SIGKILL);
    for (const pid_t pid : children) {
      while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
    }
    if (children.empty() && ::waitpid(-1, nullptr, WNOHANG) <= 0) break;
  }
}

// Ends whatever is left of the process group and reaps it, then every other process the solver
// started (EndLeftovers).
void ClearGroup(pid_t group) {
  ::kill(-group, SIGKILL);
  int status = 0;
  while (::waitpid(-group, &status, 0) > 0 || errno == EINTR) {
  }
  // Without being their reaper, wait until the system has ended them all.
  for (int i = 0; i < 100 && ::kill(-group, 0) == 0; ++i) ::usleep(10000);
  EndLeftovers();
}

// Stops the solver: `signal` to its whole group, SIGKILL after the grace time, and nothing of the
// group left afterwards.
void StopGroup(pid_t child, int signal, const HeldSignals& signals) {
  ::kill(-child, signal);
  const auto until = Clock::now() + Grace;
  int status = 0;
  while (::waitpid(child, &status, WNOHANG) == 0 && Clock::now() < until) {
    signals.Wait(std::chrono::milliseconds(50));
  }
  ClearGroup(child);
}

std::string Number(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value);
  return std::string(text, end.ptr);
}

// The CPUs of a set, as "0–3" or "0, 2, 5".
std::string CpuList(const cpu_set_t& set) {
  std::string list;
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
    if (!CPU_ISSET(static_cast<std::size_t>(cpu), &set)) continue;
    int last = cpu;
    while (last + 1 < CPU_SETSIZE && CPU_ISSET(static_cast<std::size_t>(last + 1), &set)) ++last;
    if (!list.empty()) list += ", ";
    list += std::to_string(cpu) + (last > cpu ? "–" + std::to_string(last) : "");
    cpu = last;
  }
  return list;
}

}  // namespace

Interrupted::Interrupted(int signal)
    : std::runtime_error(std::string("Abgebrochen durch ") +
                         (signal == SIGINT ? "Strg+C (SIGINT)" : "SIGTERM") +
                         "; kein Löser läuft mehr."),
      Signal(signal) {}

void TakeOverInterruptions() {
  struct sigaction action {};
  action.sa_handler = NoteInterruption;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  ::prctl(PR_SET_CHILD_SUBREAPER, 1);
}

int InterruptedBy() {
  return interruption;
}

std::optional<std::string> CannotPin(int cpu) {
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  sched_getaffinity(0, sizeof allowed, &allowed);
  if (cpu < 0 || cpu >= CPU_SETSIZE || !CPU_ISSET(static_cast<std::size_t>(cpu), &allowed)) {
    return "Den Prozessor " + std::to_string(cpu) +
           " gibt es hier nicht, oder er steht diesem Programm nicht zur Verfügung (verfügbar: " +
           CpuList(allowed) + ").";
  }
  try {
    const PinnedThread trial(cpu);
  } catch (const RunFailed& e) {
    return std::string("Das System erlaubt es nicht: ") + e.what();
  }
  return std::nullopt;
}

SolverEnd RunSolver(const std::filesystem::path& folder, const std::filesystem::path& program,
                    const std::string& name, const std::string& runName, const std::string& phase,
                    std::int64_t puzzles, const SolverLimits& limits) {
  const HeldSignals signals;
  if (InterruptedBy() != 0) throw Interrupted(InterruptedBy());
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, SolverLogName, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setpgroup(&attributes, 0);  // a group of its own, to be stopped as a whole
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

  const std::string path = program.string();
  char* const argv[] = {const_cast<char*>(path.c_str()), nullptr};
  pid_t child = 0;
  int error = 0;
  auto started = Clock::now();
  {
    const PinnedThread pinned(limits.PinnedCpu);
    started = Clock::now();
    error = posix_spawn(&child, path.c_str(), &actions, &attributes, argv, environ);
  }
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) {
    throw RunFailed("Der Löser " + name + " (" + path +
                    ") lässt sich nicht starten: " + kit::SystemErrorText(error) + ".");
  }

  const Clock::time_point deadline =
      limits.TimeoutSeconds ? started + std::chrono::duration_cast<Clock::duration>(
                                            std::chrono::duration<double>(*limits.TimeoutSeconds))
                            : Clock::time_point::max();
  ProgressDisplay progress(phase, puzzles);
  BlockCounter blocks(folder, puzzles);
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done == child) break;
    if (done < 0 && errno != EINTR) {
      ClearGroup(child);
      throw RunFailed("Der Löser " + name + " ging verloren.");
    }
    auto wait = std::chrono::duration_cast<Clock::duration>(std::chrono::milliseconds(250));
    if (limits.TimeoutSeconds) {
      const auto now = Clock::now();
      if (now >= deadline) {
        StopGroup(child, SIGTERM, signals);
        progress.Finish(blocks.Count());
        throw RunFailed("Der Löser " + name + " überschritt in " + runName +
                        " die Zeitgrenze von " + Number(*limits.TimeoutSeconds) +
                        " s und wurde beendet; seine OUT.TXT wird nicht geprüft.");
      }
      wait = std::min(wait, deadline - now);
    }
    const int signal = signals.Wait(wait);
    if (signal == SIGINT || signal == SIGTERM) {
      interruption = signal;
      StopGroup(child, signal, signals);
      progress.Finish(blocks.Count());
      throw Interrupted(signal);
    }
    progress.Update(blocks.Count());
  }
  SolverEnd end{std::chrono::duration<double>(Clock::now() - started).count(),
                timing::GetSystemTime()};
  const auto ended = Clock::now();
  ClearGroup(child);  // whatever it left running must not disturb the next run
  end.CleanupSeconds = std::chrono::duration<double>(Clock::now() - ended).count();
  progress.Finish(blocks.Count());

  const std::filesystem::path log = folder / SolverLogName;
  if (WIFSIGNALED(status)) {
    throw RunFailed("Der Löser " + name + " wurde in " + runName + " durch das Signal " +
                    std::to_string(WTERMSIG(status)) + " beendet. Seine Ausgabe (" + log.string() +
                    "):\n" + Tail(log, 2000));
  }
  if (WEXITSTATUS(status) != 0) {
    throw RunFailed("Der Löser " + name + " endete in " + runName + " mit dem Status " +
                    std::to_string(WEXITSTATUS(status)) + ". Seine Ausgabe (" + log.string() +
                    "):\n" + Tail(log, 2000));
  }
  return end;
}

}  // namespace runner
