#include "Process.h"

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <string_view>
#include <system_error>
#include <vector>

#include "FileError.h"
#include "Interruption.h"

extern char** environ;

namespace runner {
namespace {

using Clock = std::chrono::steady_clock;

// How long a stopped process may take to end after its signal before it gets SIGKILL.
constexpr auto Grace = std::chrono::seconds(2);

// One of posix_spawn's C structures, set up on construction and destroyed with its owner.
template <typename T, int (*Init)(T*), int (*Destroy)(T*)>
class SpawnStruct {
 public:
  SpawnStruct() { Init(&value_); }
  ~SpawnStruct() { Destroy(&value_); }
  SpawnStruct(const SpawnStruct&) = delete;
  SpawnStruct& operator=(const SpawnStruct&) = delete;
  T* get() { return &value_; }

 private:
  T value_;
};

using SpawnActions = SpawnStruct<posix_spawn_file_actions_t, posix_spawn_file_actions_init,
                                 posix_spawn_file_actions_destroy>;
using SpawnAttributes =
    SpawnStruct<posix_spawnattr_t, posix_spawnattr_init, posix_spawnattr_destroy>;

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
    error_ = pthread_setaffinity_np(pthread_self(), sizeof one, &one);
    active_ = error_ == 0;
  }
  ~PinnedThread() {
    if (active_) pthread_setaffinity_np(pthread_self(), sizeof saved_, &saved_);
  }
  PinnedThread(const PinnedThread&) = delete;
  PinnedThread& operator=(const PinnedThread&) = delete;

  int Error() const { return error_; }  // why pinning failed, or 0

 private:
  bool active_;
  int error_ = 0;
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
    std::from_chars(text.data() + close + 4, text.data() + text.size(), parent);
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

// Stops the process: `signal` to its whole group, SIGKILL after the grace time, and nothing of
// the group left afterwards.
void StopGroup(pid_t child, int signal, const HeldSignals& signals, rusage& usage) {
  ::kill(-child, signal);
  const auto until = Clock::now() + Grace;
  int status = 0;
  while (::wait4(child, &status, WNOHANG, &usage) == 0 && Clock::now() < until) {
    signals.Wait(std::chrono::milliseconds(50));
  }
  ClearGroup(child);
}

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// Starts the process; its id, or the error number as a negative value.
pid_t Spawn(const ProcessSetup& setup) {
  SpawnActions actions;
  posix_spawn_file_actions_addchdir_np(actions.get(), setup.Folder.c_str());
  posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(actions.get(), 1, setup.Log.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(actions.get(), 1, 2);
  SpawnAttributes attributes;
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  posix_spawnattr_setsigmask(attributes.get(), &none);
  posix_spawnattr_setsigdefault(attributes.get(), &defaults);
  posix_spawnattr_setpgroup(attributes.get(), 0);  // a group of its own, to be stopped as a whole
  posix_spawnattr_setflags(attributes.get(),
                           POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  const std::string path = setup.Program.string();
  char* const argv[] = {const_cast<char*>(path.c_str()), nullptr};
  const PinnedThread pinned(setup.PinnedCpu);
  if (pinned.Error() != 0) return -pinned.Error();
  pid_t child = 0;
  const int error =
      posix_spawn(&child, path.c_str(), actions.get(), attributes.get(), argv, environ);
  return error != 0 ? -error : child;
}

// Waits for the child to end, for the time limit, or for SIGINT or SIGTERM; stops it in the
// latter cases.
ProcessEnd Await(pid_t child, const ProcessSetup& setup, Clock::time_point started,
                 const HeldSignals& signals, const std::function<void()>& tick, rusage& usage) {
  const Clock::time_point deadline =
      setup.TimeoutSeconds ? started + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(*setup.TimeoutSeconds))
                           : Clock::time_point::max();
  ProcessEnd end;
  int status = 0;
  for (;;) {
    const pid_t done = ::wait4(child, &status, WNOHANG, &usage);
    if (done == child) break;
    if (done < 0 && errno != EINTR) {  // lost: cannot happen while this process owns the child
      end.How = Ending::Signaled;
      end.Code = SIGKILL;
      return end;
    }
    Clock::duration wait = std::chrono::milliseconds(250);
    const auto now = Clock::now();
    if (now >= deadline) {
      StopGroup(child, SIGTERM, signals, usage);
      end.How = Ending::TimedOut;
      return end;
    }
    wait = std::min(wait, deadline - now);
    const int signal = signals.Wait(wait);
    if (signal == SIGINT || signal == SIGTERM) {
      NoteInterruption(signal);
      StopGroup(child, signal, signals, usage);
      end.How = Ending::Interrupted;
      end.Code = signal;
      return end;
    }
    tick();
  }
  end.How = WIFSIGNALED(status) ? Ending::Signaled : Ending::Exited;
  end.Code = WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status);
  return end;
}

}  // namespace

ProcessEnd RunProcess(const ProcessSetup& setup, const std::function<void()>& tick) {
  const HeldSignals signals;
  const auto started = Clock::now();
  const pid_t child = Spawn(setup);
  if (child < 0) return {Ending::NotStarted, -child};
  rusage usage{};
  ProcessEnd end = Await(child, setup, started, signals, tick, usage);
  end.MonotonicSeconds = std::chrono::duration<double>(Clock::now() - started).count();
  end.Clock = timing::GetSystemTime();
  const auto ended = Clock::now();
  ClearGroup(child);  // whatever it left running must not disturb the next run
  end.GuardSeconds = std::chrono::duration<double>(Clock::now() - ended).count();
  end.UserSeconds = Seconds(usage.ru_utime);
  end.SystemSeconds = Seconds(usage.ru_stime);
  end.MaxRssBytes = static_cast<std::int64_t>(usage.ru_maxrss) * 1024;
  return end;
}

namespace {

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

std::optional<std::string> CannotPin(int cpu) {
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  sched_getaffinity(0, sizeof allowed, &allowed);
  if (cpu < 0 || cpu >= CPU_SETSIZE || !CPU_ISSET(static_cast<std::size_t>(cpu), &allowed)) {
    return "Den Prozessor " + std::to_string(cpu) +
           " gibt es hier nicht, oder er steht diesem Programm nicht zur Verfügung (verfügbar: " +
           CpuList(allowed) + ").";
  }
  const PinnedThread trial(cpu);
  if (trial.Error() != 0) {
    return "Das System erlaubt es nicht: " + kit::SystemErrorText(trial.Error()) + ".";
  }
  return std::nullopt;
}

}  // namespace runner
