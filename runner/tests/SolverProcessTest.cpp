// Figures worth publishing: a time limit that stops a hung solver and all it started, Ctrl-C
// passed on to the solver, a pinned CPU, and the context of the machine in the report.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>

#include <chrono>
#include <fstream>
#include <regex>

#include "MesslaufHelpers.h"

extern char** environ;

namespace runner {
namespace {

using testing::Bin;
using testing::GetFile;
using testing::Has;
using testing::Json;
using testing::Messlauf;
using testing::Result;
using testing::Script;
using testing::TempFolder;

// The living processes whose command line holds `marker` (zombies have none left).
int ProcessesWith(const std::string& marker) {
  int found = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string cmdline = GetFile(entry.path() / "cmdline");
    for (char& c : cmdline) c = c == '\0' ? ' ' : c;
    found += cmdline.find(marker) != std::string::npos;
  }
  return found;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(TimeLimit, StopsTheSolverAndEverythingItStarted) {
  TempFolder folder;
  // One that ends at SIGTERM, with a child; one that ignores it and has to be killed.
  const std::string polite = Script(folder, "haengt", "sleep 30.101 &\nsleep 30.102");
  const std::string stubborn =
      Script(folder, "stur", "trap '' TERM\nsleep 30.103 &\nwhile :; do sleep 0.1; done");
  const auto started = std::chrono::steady_clock::now();
  Result r = Messlauf(folder, "--count 3 --dir w --timeout 1 --json j.json --solver " + polite);
  const double took = SecondsSince(started);
  EXPECT_EQ(r.status, 2) << r.out << r.err;
  EXPECT_LT(took, 1 + 2.5) << "stopped after the limit, not at the end of the sleep";
  EXPECT_GE(took, 1);
  const std::string message =
      "Der Löser haengt überschritt in Runde 1 die Zeitgrenze von 1 s und "
      "wurde beendet; seine OUT.TXT wird nicht geprüft.";
  EXPECT_TRUE(Has(r.err, "Messlauf: " + message)) << r.err;
  EXPECT_TRUE(Has(r.out, "Fehler:      " + message)) << r.out;
  EXPECT_EQ(ProcessesWith("sleep 30.10"), 0);
  EXPECT_EQ(Json(folder / "j.json")["timeout_seconds"], 1);
  EXPECT_EQ(Json(folder / "j.json")["sets"][0]["solvers"][0]["state"], "failed");

  r = Messlauf(folder, "--count 3 --dir w --timeout 0.2 --solver " + stubborn + " --solver " +
                           Bin() + "/Quadrin");
  EXPECT_EQ(r.status, 2) << r.out << r.err;
  EXPECT_TRUE(Has(r.out, "Der Löser stur überschritt in Runde 1 die Zeitgrenze von 0.2 s"))
      << r.out;
  EXPECT_TRUE(Has(r.out, "Prüfung:     Alle Lösungen korrekt")) << r.out;  // Quadrin went on
  EXPECT_EQ(ProcessesWith("sleep 30.10"), 0);
  EXPECT_EQ(ProcessesWith(stubborn), 0);
}

TEST(TimeLimit, ASolverWithinItIsTimedAsUsual) {
  TempFolder folder;
  const Result r = Messlauf(folder, "--count 20 --dir w --timeout 30");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "Prüfung:     Alle Lösungen korrekt")) << r.out;
  EXPECT_EQ(Messlauf(folder, "--count 2 --timeout 0").status, 2);
  EXPECT_EQ(Messlauf(folder, "--count 2 --timeout -1").status, 2);
}

TEST(Interruption, CtrlCReachesTheSolverAndTheRunStops) {
  TempFolder folder;
  const std::string hung = Script(folder, "haengt", "sleep 30.201 &\nsleep 30.202");
  const std::string program = Bin() + "/Messlauf";
  const std::string out = (folder / "out.txt").string(), err = (folder / "err.txt").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const std::string dir = (folder / "w").string();
  const char* argv[] = {program.c_str(), "--count",  "3",          "--dir",
                        dir.c_str(),     "--solver", hung.c_str(), nullptr};
  pid_t messlauf = 0;
  ASSERT_EQ(posix_spawn(&messlauf, program.c_str(), &actions, nullptr,
                        const_cast<char* const*>(argv), environ),
            0);
  posix_spawn_file_actions_destroy(&actions);
  // Until the solver runs, with its child.
  for (int i = 0; i < 200 && ProcessesWith("sleep 30.20") < 2; ++i) ::usleep(20000);
  ASSERT_EQ(ProcessesWith("sleep 30.20"), 2);
  const auto interrupted = std::chrono::steady_clock::now();
  ::kill(messlauf, SIGINT);
  int status = 0;
  ASSERT_EQ(::waitpid(messlauf, &status, 0), messlauf);
  EXPECT_LT(SecondsSince(interrupted), 2.5);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGINT);
  EXPECT_TRUE(Has(GetFile(err), "Messlauf: Abgebrochen durch Strg+C (SIGINT)")) << GetFile(err);
  EXPECT_EQ(ProcessesWith("sleep 30.20"), 0);
}

// A solver that is Quadrin, but sends Messlauf Ctrl-C in its whole-set run of round `round`.
std::string InterruptingIn(const TempFolder& folder, int round) {
  const std::string counter = (folder / "runden").string();
  return Script(folder, "unterbricht",
                "if [ -f Messlauf.pid ]; then\n"  // the work folder, not the start-up run's
                "  n=$(( $(cat " + counter + " 2>/dev/null || echo 0) + 1 )); echo $n > " +
                    counter + "\n"
                "  if [ $n = " + std::to_string(round) +
                    " ]; then kill -INT $(cat Messlauf.pid); sleep 30.301; fi\n"
                "fi\n"
                "exec " + Bin() + "/Quadrin");
}

TEST(Interruption, TheWholeRoundsAreReportedAndNothingIsStored) {
  TempFolder folder;
  const std::string solver = InterruptingIn(folder, 3);
  const Result r =
      Messlauf(folder, "--count 20 --seed 5 --repeat 5 --dir w --store s.sqlite --json r.json "
                       "--csv r.csv --html r.html --solver " + solver + " --solver " + Bin() +
                           "/Quadrin");
  EXPECT_EQ(r.status, 128 + SIGINT) << r.out << r.err;
  EXPECT_TRUE(Has(r.out, "Abgebrochen nach Runde 2 von 5 durch Strg+C (SIGINT)")) << r.out;
  const nlohmann::json json = Json(folder / "r.json");
  EXPECT_EQ(json["interrupted"], true);
  EXPECT_EQ(json["exit_status"], 130);
  EXPECT_EQ(json["interruption"]["timed_rounds"], 2);
  for (const auto& s : json["sets"][0]["solvers"]) {
    int whole = 0;
    for (const auto& run : s["runs"]) whole += !run["startup"].get<bool>();
    EXPECT_EQ(whole, 2) << s["name"];  // round 3, under way, is dropped
  }
  EXPECT_TRUE(Has(GetFile(folder / "r.csv"), "Quadrin"));
  EXPECT_TRUE(Has(GetFile(folder / "r.html"), "Abgebrochen nach Runde 2 von 5"));
  EXPECT_TRUE(Has(r.err, "gespeichert wird der Lauf nicht")) << r.err;
  EXPECT_EQ(ProcessesWith("sleep 30.301"), 0);
  const Result history = Messlauf(folder, "history --store s.sqlite");
  EXPECT_FALSE(Has(history.out, "unterbricht")) << history.out;
  const Result import = Messlauf(folder, "history import --store s.sqlite r.json");
  EXPECT_EQ(import.status, 2);
  EXPECT_TRUE(Has(import.err, "Bericht eines abgebrochenen Laufs")) << import.err;

  // Stopped in its first timed round: nothing whole to report, nothing written.
  std::filesystem::remove(folder / "runden");
  std::filesystem::remove(folder / "r.json");
  const Result early = Messlauf(folder, "--count 20 --seed 5 --repeat 5 --dir w --no-store "
                                        "--json r.json --solver " + InterruptingIn(folder, 1));
  EXPECT_EQ(early.status, 128 + SIGINT);
  EXPECT_FALSE(std::filesystem::exists(folder / "r.json"));
}

TEST(Pinning, TheSolverRunsOnTheGivenCpuAndAMissingOneIsRefused) {
  TempFolder folder;
  const std::string reporter = Script(
      folder, "zeigt",
      "grep Cpus_allowed_list /proc/self/status > ../cpus.txt\nexec '" + Bin() + "/Quadrin'");
  Result r = Messlauf(folder, "--count 3 --dir w --pin 0 --json j.json --solver " + reporter);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(std::regex_search(GetFile(folder / "cpus.txt"), std::regex(":\\s*0\\s*$")))
      << GetFile(folder / "cpus.txt");
  EXPECT_TRUE(Has(r.out, "; Löser auf Prozessor 0\n")) << r.out;
  EXPECT_EQ(Json(folder / "j.json")["pinned_cpu"], 0);

  r = Messlauf(folder, "--count 3 --dir w2 --pin 9999");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "Messlauf: --pin 9999: Den Prozessor 9999 gibt es hier nicht")) << r.err;
  EXPECT_FALSE(std::filesystem::exists(folder / "w2"));  // refused before anything ran
}

TEST(Context, TheReportNamesMachineBuildAndMoment) {
  TempFolder folder;
  const Result r = Messlauf(folder, "--count 3 --dir w --json j.json");
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json c = Json(folder / "j.json")["context"];
  EXPECT_GE(c["logical_cores"].get<int>(), 1);
  EXPECT_GT(c["memory_bytes"].get<double>(), 1e8);
  EXPECT_TRUE(c["kernel"].get<std::string>().starts_with("Linux ")) << c;
  EXPECT_TRUE(std::regex_match(c["kit_version"].get<std::string>(), std::regex("\\d+\\.\\d+.*")));
  EXPECT_FALSE(c["compiler"].get<std::string>().empty());
  EXPECT_FALSE(c["build_type"].get<std::string>().empty());
  EXPECT_TRUE(std::regex_match(c["started_utc"].get<std::string>(),
                               std::regex("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ")));
  ASSERT_EQ(c["load_average"].size(), 3u);
  EXPECT_TRUE(c["git_commit"].is_null() || c["git_commit"].get<std::string>().size() == 12) << c;
  EXPECT_TRUE(c.contains("processor") && c.contains("operating_system"));
  // Three lines of it at the top of the report.
  EXPECT_TRUE(
      std::regex_search(r.out, std::regex("^Rechner:     .*, \\d+ logische Kerne, [\\d.]+ GiB")))
      << r.out;
  EXPECT_TRUE(Has(r.out, "\nMesskit:     " + c["kit_version"].get<std::string>()));
  EXPECT_TRUE(Has(r.out, "\nBeginn:      " + c["started_utc"].get<std::string>() + ", Last "));
}

}  // namespace
}  // namespace runner
