#include "Process.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "FileError.h"
#include "Interruption.h"
#include "LaunchProtocol.h"

extern char** environ;

namespace runner {
namespace {

using Clock = std::chrono::steady_clock;

// The launcher of this run: started once, then asked to start each solver in turn.
class Launcher {
 public:
  void Start(const std::filesystem::path& program);
  bool Running() const { return pid_ > 0; }
  int Socket() const { return socket_; }

 private:
  pid_t pid_ = 0;
  int socket_ = -1;
};

Launcher TheLauncher;

void Launcher::Start(const std::filesystem::path& program) {
  if (Running()) return;
  if (::access(program.c_str(), X_OK) != 0) {
    throw kit::FileError("Der Anlasser " + program.string() +
                         " fehlt neben Messlauf; ohne ihn startet kein Löser.");
  }
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) {
    throw kit::FileError("Der Anlasser lässt sich nicht verbinden: " + kit::SystemErrorText(errno) +
                         ".");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[1], 3);  // its end, without close-on-exec
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  // A session of its own: a terminal's Ctrl-C reaches Messlauf alone, which passes it on.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);
  const std::string path = program.string(), socket = "3", parent = std::to_string(::getpid());
  char* const argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>(socket.c_str()),
                        const_cast<char*>(parent.c_str()), nullptr};
  const int error = posix_spawn(&pid_, path.c_str(), &actions, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  ::close(ends[1]);
  if (error != 0) {
    ::close(ends[0]);
    pid_ = 0;
    throw kit::FileError("Der Anlasser " + program.string() +
                         " lässt sich nicht starten: " + kit::SystemErrorText(error) + ".");
  }
  socket_ = ends[0];
}

void Lost() {
  throw kit::FileError("Der Anlasser ist unerwartet beendet worden; der Lauf bricht ab.");
}

// Sends a request with the descriptors that go with it.
void Send(const void* bytes, std::size_t size, const std::vector<int>& descriptors = {}) {
  iovec part{const_cast<void*>(bytes), size};
  msghdr message{};
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(launch::MaxDescriptors * sizeof(int))]{};
  if (!descriptors.empty()) {
    message.msg_control = control;
    message.msg_controllen = CMSG_SPACE(descriptors.size() * sizeof(int));
    cmsghdr* c = CMSG_FIRSTHDR(&message);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_RIGHTS;
    c->cmsg_len = CMSG_LEN(descriptors.size() * sizeof(int));
    std::memcpy(CMSG_DATA(c), descriptors.data(), descriptors.size() * sizeof(int));
  }
  ssize_t sent;
  while ((sent = ::sendmsg(TheLauncher.Socket(), &message, MSG_NOSIGNAL)) < 0 && errno == EINTR) {
  }
  if (sent != static_cast<ssize_t>(size)) Lost();
}

// The launcher's next message into `head`; its kind.
template <typename Head>
void Receive(Head& head) {
  ssize_t got;
  while ((got = ::recv(TheLauncher.Socket(), &head, sizeof head, 0)) < 0 && errno == EINTR) {
  }
  if (got != static_cast<ssize_t>(sizeof head)) Lost();
}

// A start request: the head, then folder, program, log and the words, each ending in a NUL.
std::string StartRequest(const ProcessSetup& setup) {
  launch::StartHead head;
  head.PinnedCpu = setup.PinnedCpu.value_or(-1);
  head.Streams =
      (setup.Input >= 0 ? launch::GivesInput : 0u) | (setup.Output >= 0 ? launch::GivesOutput : 0u);
  std::string words =
      setup.Folder.string() + '\0' + setup.Program.string() + '\0' + setup.Log.string() + '\0';
  const std::vector<std::string> program{setup.Program.string()};
  const auto& arguments = setup.Arguments.empty() ? program : setup.Arguments;
  for (const std::string& word : arguments) words += word + '\0';
  head.Words = static_cast<std::uint32_t>(3 + arguments.size());
  if (setup.Extras.size() > launch::MaxExtras) {
    throw kit::FileError("Dem Löser " + setup.Program.string() +
                         " sind zu viele Dateien mitgegeben.");
  }
  head.Extras = static_cast<std::uint32_t>(setup.Extras.size());
  std::string request(reinterpret_cast<const char*>(&head), sizeof head);
  request += words;
  if (request.size() > launch::MaxMessage) {
    throw kit::FileError("Der Aufruf des Lösers " + setup.Program.string() + " ist zu lang.");
  }
  return request;
}

// Until the solver has ended: the time limit, SIGINT and SIGTERM (while they are held back the
// handler of TakeOverInterruptions marks them; ppoll lets them in only while it waits).
ProcessEnd Await(const ProcessSetup& setup, Clock::time_point started,
                 const std::function<void()>& tick, launch::EndedHead& ended) {
  const Clock::time_point deadline =
      setup.TimeoutSeconds ? started + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(*setup.TimeoutSeconds))
                           : Clock::time_point::max();
  sigset_t open;
  pthread_sigmask(SIG_SETMASK, nullptr, &open);
  sigdelset(&open, SIGINT);
  sigdelset(&open, SIGTERM);
  ProcessEnd end;
  bool stopping = false;
  for (;;) {
    auto wait = std::chrono::milliseconds(250);
    const auto now = Clock::now();
    if (!stopping && now >= deadline) {
      const launch::StopHead stop{launch::Kind::Stop, SIGTERM};
      Send(&stop, sizeof stop);
      end.How = Ending::TimedOut;
      stopping = true;
    } else if (!stopping && deadline != Clock::time_point::max()) {
      wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(deadline - now));
    }
    const timespec timeout{0, static_cast<long>(wait.count()) * 1000000};
    pollfd watched{TheLauncher.Socket(), POLLIN, 0};
    const int ready = ::ppoll(&watched, 1, &timeout, &open);
    if (ready > 0) {
      Receive(ended);
      if (ended.What != launch::Kind::Ended) Lost();
      return end;
    }
    const int signal = InterruptedBy();
    if (!stopping && (signal == SIGINT || signal == SIGTERM)) {
      const launch::StopHead stop{launch::Kind::Stop, signal};
      Send(&stop, sizeof stop);
      end.How = Ending::Interrupted;
      end.Code = signal;
      stopping = true;
    }
    if (!stopping) tick();
  }
}

// SIGINT and SIGTERM held back while a solver runs, so that they are taken only in Await.
class HeldSignals {
 public:
  HeldSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, &previous_);
  }
  ~HeldSignals() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  HeldSignals(const HeldSignals&) = delete;
  HeldSignals& operator=(const HeldSignals&) = delete;

 private:
  sigset_t previous_{};
};

// The standard streams a setup gives the solver, in the order the launcher takes them.
class GivenStreams {
 public:
  explicit GivenStreams(const ProcessSetup& setup) {
    if (setup.Input >= 0) descriptors_.push_back(setup.Input);
    if (setup.Output >= 0) descriptors_.push_back(setup.Output);
    descriptors_.insert(descriptors_.end(), setup.Extras.begin(), setup.Extras.end());
  }
  ~GivenStreams() { Close(); }
  GivenStreams(const GivenStreams&) = delete;
  GivenStreams& operator=(const GivenStreams&) = delete;

  const std::vector<int>& Descriptors() const { return descriptors_; }
  void Close() {
    for (const int d : descriptors_) ::close(d);
    descriptors_.clear();
  }

 private:
  std::vector<int> descriptors_;
};

}  // namespace

void StartLauncher(const std::filesystem::path& program) {
  TheLauncher.Start(program);
}

ProcessEnd RunProcess(const ProcessSetup& setup, const std::function<void()>& tick) {
  // Closed however this ends: a copy left here would keep the solver's input open, or the end
  // of its output from ever coming.
  GivenStreams streams(setup);
  if (!TheLauncher.Running()) Lost();
  const HeldSignals held;
  const auto started = Clock::now();
  const std::string request = StartRequest(setup);
  Send(request.data(), request.size(), streams.Descriptors());
  streams.Close();
  launch::StartedHead answer;
  Receive(answer);
  if (answer.What != launch::Kind::Started) Lost();
  if (answer.Pid <= 0) return {Ending::NotStarted, answer.Error};
  launch::EndedHead ended;
  ProcessEnd end = Await(setup, started, tick, ended);
  end.Clock = timing::GetSystemTime();
  if (end.How == Ending::NotStarted) {  // not stopped: it ended by itself
    end.How = ended.Signaled ? Ending::Signaled : Ending::Exited;
    end.Code = ended.Code;
  }
  end.MonotonicSeconds = static_cast<double>(ended.EndNs - ended.StartNs) / 1e9;
  end.StartNs = ended.StartNs;
  end.EndNs = ended.EndNs;
  end.UserSeconds = static_cast<double>(ended.UserUs) / 1e6;
  end.SystemSeconds = static_cast<double>(ended.SystemUs) / 1e6;
  end.MaxRssBytes = ended.MaxRssKib * 1024;
  launch::ClearedHead cleared;
  Receive(cleared);
  if (cleared.What != launch::Kind::Cleared) Lost();
  end.GuardSeconds = static_cast<double>(cleared.GuardNs) / 1e9;
  return end;
}

namespace {

// Pins the calling thread to one CPU while it lives: the trial of CannotPin.
class PinnedThread {
 public:
  explicit PinnedThread(int cpu) {
    pthread_getaffinity_np(pthread_self(), sizeof saved_, &saved_);
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(static_cast<std::size_t>(cpu), &one);
    error_ = pthread_setaffinity_np(pthread_self(), sizeof one, &one);
  }
  ~PinnedThread() {
    if (error_ == 0) pthread_setaffinity_np(pthread_self(), sizeof saved_, &saved_);
  }
  PinnedThread(const PinnedThread&) = delete;
  PinnedThread& operator=(const PinnedThread&) = delete;

  int Error() const { return error_; }  // why pinning failed, or 0

 private:
  int error_ = 0;
  cpu_set_t saved_{};
};

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
