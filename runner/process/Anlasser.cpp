// Anlasser: the launcher Messlauf starts once per run, before it reads or makes any puzzle, and
// starts every solver from. Linux begins a started program's peak memory with the peak of the
// process that started it; started from this small image, a solver's peak is its own.
//
// It reads the steady clock right before the start and right after wait4, reports how the solver
// ended with wait4's CPU times and peak memory, and then ends and reaps whatever the solver left
// running: it is the solvers' subreaper. It serves one solver at a time and ends, with whatever
// runs, when Messlauf ends (its socket closes, or the parent-death signal).
//
//   Anlasser SOCKET PARENT    SOCKET: the descriptor of its end of the socket, PARENT: Messlauf's
//                             process id, to tell whether Messlauf ended before it could watch
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "LaunchProtocol.h"

extern char** environ;

namespace {

// How long a stopped solver may take to end after its signal before its group gets SIGKILL.
constexpr int GraceMs = 2000;
// The lowest number a received descriptor keeps while the solver is set up.
constexpr int FirstFreeDescriptor = 10;

int Socket = -1;
int Signals = -1;  // a signalfd for SIGCHLD, SIGTERM, SIGINT and SIGHUP

std::int64_t NowNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

template <typename Head>
void Send(const Head& head) {
  while (::send(Socket, &head, sizeof head, MSG_NOSIGNAL) < 0 && errno == EINTR) {
  }
}

// The process ids whose parent this process is, re-parented orphans included.
std::vector<pid_t> OwnChildren() {
  std::vector<pid_t> children;
  const pid_t self = ::getpid();
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return children;
  while (const dirent* entry = ::readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (pid <= 0 || *end != '\0') continue;
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
    const int descriptor = ::open(path, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) continue;  // it has ended meanwhile
    char stat[512];
    const ssize_t got = ::read(descriptor, stat, sizeof stat - 1);
    ::close(descriptor);
    if (got <= 0) continue;
    stat[got] = '\0';
    // "pid (comm) state ppid …": the name may hold blanks and parentheses.
    const char* close = std::strrchr(stat, ')');
    if (close == nullptr || close + 4 >= stat + got) continue;
    if (std::strtol(close + 4, nullptr, 10) == self) children.push_back(static_cast<pid_t>(pid));
  }
  ::closedir(proc);
  return children;
}

bool HasChildren() {
  siginfo_t info{};
  return ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == 0;
}

// Ends and reaps every child, and then theirs, which the system hands to this process as their
// reaper, until none is left: a solver's processes may have left its group or session.
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

// Ends whatever is left of the solver's process group and reaps it, then everything else.
void ClearGroup(pid_t group) {
  ::kill(-group, SIGKILL);
  while (::waitpid(-group, nullptr, 0) > 0 || errno == EINTR) {
  }
  for (int i = 0; i < 100 && ::kill(-group, 0) == 0; ++i) ::usleep(10000);
  EndLeftovers();
}

// Messlauf is gone, or asked this process to end: nothing it started may stay behind.
[[noreturn]] void EndEverything(pid_t group) {
  if (group > 0) ClearGroup(group);
  EndLeftovers();
  std::_Exit(0);
}

// Waits for the socket or a signal for at most `timeoutMs` (-1: no limit); the signal taken, or 0.
// Returns -1 when a message waits on the socket.
int WaitForEvent(int timeoutMs, pid_t group) {
  pollfd watched[2] = {{Socket, POLLIN, 0}, {Signals, POLLIN, 0}};
  if (::poll(watched, 2, timeoutMs) <= 0) return 0;
  if (watched[1].revents & POLLIN) {
    signalfd_siginfo info{};
    if (::read(Signals, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
      const int signal = static_cast<int>(info.ssi_signo);
      if (signal != SIGCHLD) EndEverything(group);
      return signal;
    }
  }
  if (watched[0].revents & (POLLIN | POLLHUP | POLLERR)) return -1;
  return 0;
}

// One message from Messlauf into `buffer`, with the descriptors that came with it; its size, or
// 0 when Messlauf's end is closed.
std::size_t Receive(char* buffer, std::vector<int>& descriptors) {
  iovec part{buffer, launch::MaxMessage};
  alignas(cmsghdr) char control[CMSG_SPACE(launch::MaxDescriptors * sizeof(int))];
  msghdr message{};
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  ssize_t got;
  while ((got = ::recvmsg(Socket, &message, MSG_CMSG_CLOEXEC)) < 0 && errno == EINTR) {
  }
  for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
    if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS) continue;
    const std::size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
    for (std::size_t i = 0; i < count; ++i) {
      int descriptor;
      std::memcpy(&descriptor, CMSG_DATA(c) + i * sizeof(int), sizeof descriptor);
      descriptors.push_back(descriptor);
    }
  }
  return got > 0 ? static_cast<std::size_t>(got) : 0;
}

// The request's strings: folder, program, log, then the solver's words.
std::vector<char*> Words(char* text, std::size_t size, std::uint32_t count) {
  std::vector<char*> words;
  char* const end = text + size;
  while (words.size() < count && text < end) {
    char* const stop =
        static_cast<char*>(std::memchr(text, '\0', static_cast<std::size_t>(end - text)));
    if (stop == nullptr) break;
    words.push_back(text);
    text = stop + 1;
  }
  return words;
}

// Starts the solver as the request says; its process id, or the error number as a negative value.
pid_t Spawn(const launch::StartHead& head, const std::vector<char*>& words,
            const std::vector<int>& descriptors) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, words[0]);
  std::size_t next = 0;
  if (head.Streams & launch::GivesInput) {
    posix_spawn_file_actions_adddup2(&actions, descriptors[next++], 0);
  } else {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  }
  if (head.Streams & launch::GivesOutput) {
    posix_spawn_file_actions_adddup2(&actions, descriptors[next++], 1);
    posix_spawn_file_actions_addopen(&actions, 2, words[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, words[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  }
  for (int target = 3; next < descriptors.size(); ++target) {
    posix_spawn_file_actions_adddup2(&actions, descriptors[next++], target);
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setpgroup(&attributes, 0);  // a group of its own, to be stopped as a whole
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  cpu_set_t saved;
  const bool pin = head.PinnedCpu >= 0;
  int error = 0;
  if (pin) {
    sched_getaffinity(0, sizeof saved, &saved);
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(static_cast<std::size_t>(head.PinnedCpu), &one);
    if (sched_setaffinity(0, sizeof one, &one) != 0) error = errno;
  }
  pid_t child = 0;
  if (error == 0) {
    std::vector<char*> argv(words.begin() + 3, words.end());
    argv.push_back(nullptr);
    error = posix_spawn(&child, words[1], &actions, &attributes, argv.data(), environ);
  }
  if (pin) sched_setaffinity(0, sizeof saved, &saved);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return error != 0 ? -error : child;
}

// Waits for the solver to end, taking a Stop from Messlauf on the way; the signal a Stop asked
// for, or 0.
int AwaitSolver(pid_t child, int& status, rusage& usage, char* buffer) {
  int stopped = 0;
  std::int64_t killAt = -1;  // after a Stop: when the group gets SIGKILL
  for (;;) {
    const pid_t done = ::wait4(child, &status, WNOHANG, &usage);
    if (done == child || (done < 0 && errno != EINTR)) return stopped;
    int timeout = -1;
    if (killAt >= 0) {
      const std::int64_t left = killAt - NowNs();
      if (left <= 0) {
        ::kill(-child, SIGKILL);
        killAt = -1;
        continue;
      }
      timeout = static_cast<int>(left / 1000000) + 1;
    }
    if (WaitForEvent(timeout, child) != -1) continue;
    std::vector<int> descriptors;
    const std::size_t size = Receive(buffer, descriptors);
    for (const int d : descriptors) ::close(d);
    if (size == 0) EndEverything(child);
    launch::StopHead stop;
    if (size >= sizeof stop) {
      std::memcpy(&stop, buffer, sizeof stop);
      if (stop.What == launch::Kind::Stop && stopped == 0) {
        stopped = stop.Signal;
        ::kill(-child, stop.Signal);
        killAt = NowNs() + static_cast<std::int64_t>(GraceMs) * 1000000;
      }
    }
  }
}

// Moves the descriptors above every place they go to: a dup2 onto itself would keep
// close-on-exec, and one onto a descriptor still to be moved would lose it. False, with all of
// them closed, when the system has no number left.
bool MoveAboveTargets(std::vector<int>& descriptors) {
  bool moved = true;
  for (int& d : descriptors) {
    if (d >= FirstFreeDescriptor) continue;
    const int above = ::fcntl(d, F_DUPFD_CLOEXEC, FirstFreeDescriptor);
    ::close(d);
    d = above;
    moved = moved && above >= 0;
  }
  if (!moved) {
    for (const int d : descriptors) {
      if (d >= 0) ::close(d);
    }
    descriptors.clear();
  }
  return moved;
}

// One solver from start to end, as the request in `buffer` asks.
void Serve(char* buffer, std::size_t size, std::vector<int>& descriptors) {
  launch::StartHead head;
  std::memcpy(&head, buffer, sizeof head);
  const std::vector<char*> words = Words(buffer + sizeof head, size - sizeof head, head.Words);
  const std::size_t wanted = ((head.Streams & launch::GivesInput) ? 1u : 0u) +
                             ((head.Streams & launch::GivesOutput) ? 1u : 0u) + head.Extras;
  launch::StartedHead started;
  if (words.size() != head.Words || words.size() < 4 || descriptors.size() != wanted ||
      head.Extras > launch::MaxExtras) {
    started.Error = EINVAL;
    Send(started);
    return;
  }
  if (!MoveAboveTargets(descriptors)) {
    started.Error = EMFILE;
    Send(started);
    return;
  }
  const std::int64_t startNs = NowNs();
  const pid_t child = Spawn(head, words, descriptors);
  for (const int d : descriptors) ::close(d);  // the solver has its own copies now
  if (child < 0) {
    started.Error = -child;
    Send(started);
    return;
  }
  started.Pid = child;
  Send(started);
  int status = 0;
  rusage usage{};
  const int stopped = AwaitSolver(child, status, usage, buffer);
  launch::EndedHead ended;
  ended.EndNs = NowNs();
  ended.StartNs = startNs;
  ended.Signaled = WIFSIGNALED(status) ? 1 : 0;
  ended.Code = WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status);
  ended.Stopped = stopped != 0;
  ended.UserUs =
      static_cast<std::int64_t>(usage.ru_utime.tv_sec) * 1000000 + usage.ru_utime.tv_usec;
  ended.SystemUs =
      static_cast<std::int64_t>(usage.ru_stime.tv_sec) * 1000000 + usage.ru_stime.tv_usec;
  ended.MaxRssKib = usage.ru_maxrss;
  Send(ended);
  const std::int64_t clearing = NowNs();
  ClearGroup(child);  // whatever it left running must not disturb the next run
  launch::ClearedHead cleared;
  cleared.GuardNs = NowNs() - clearing;
  Send(cleared);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 3) return 2;
  Socket = std::atoi(argv[1]);
  const pid_t parent = static_cast<pid_t>(std::atol(argv[2]));
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (::getppid() != parent) return 0;  // Messlauf ended before the signal could be asked for
  ::prctl(PR_SET_CHILD_SUBREAPER, 1);
  ::fcntl(Socket, F_SETFD, FD_CLOEXEC);
  sigset_t held;
  sigemptyset(&held);
  for (int s : {SIGCHLD, SIGTERM, SIGINT, SIGHUP}) sigaddset(&held, s);
  ::sigprocmask(SIG_BLOCK, &held, nullptr);
  ::signal(SIGPIPE, SIG_IGN);  // a solver's start sets every signal back to its default
  Signals = ::signalfd(-1, &held, SFD_CLOEXEC);
  static char buffer[launch::MaxMessage];
  for (;;) {
    const int event = WaitForEvent(-1, 0);
    if (event == SIGCHLD) {
      EndLeftovers();  // an orphan that ended between two solvers
      continue;
    }
    if (event != -1) continue;
    std::vector<int> descriptors;
    const std::size_t size = Receive(buffer, descriptors);
    if (size == 0) EndEverything(0);
    launch::Kind kind{};
    if (size >= sizeof kind) std::memcpy(&kind, buffer, sizeof kind);
    if (kind == launch::Kind::Start && size >= sizeof(launch::StartHead)) {
      Serve(buffer, size, descriptors);
    } else {
      for (const int d : descriptors) ::close(d);  // a Stop after the solver had ended
    }
  }
}
