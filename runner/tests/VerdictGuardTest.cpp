// What a solver cannot do to the verdict: rewrite the puzzles or the start stamp, share the work
// folder with a second run, leave processes behind, or drown Messlauf in an endless OUT.TXT.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <regex>
#include <thread>

#include "BenchmarkRun.h"
#include "BuildSudokus.h"
#include "MesslaufHelpers.h"

namespace runner {
namespace {

using testing::Bin;
using testing::GetFile;
using testing::Has;
using testing::Json;
using testing::Messlauf;
using testing::PutFile;
using testing::Result;
using testing::Script;
using testing::TempFolder;

std::string Quadrin() {
  return "'" + Bin() + "/Quadrin'";
}

TEST(VerdictGuard, ASolverThatRewritesItsPuzzlesFailsAndTheNextOneGetsTheTrueOnes) {
  TempFolder folder;
  // Replaces every puzzle by the first one, then solves that: without the guard its answers
  // would all be "correct".
  const std::string rewriter = Script(
      folder, "umschreiber",
      "head -c 171 IN.TXT > one\n"
      "for i in 2 3 4 5 6 7 8 9; do printf '\\r\\n' >> one; head -c 171 IN.TXT >> one; done\n"
      "mv one IN.TXT\nexec " +
          Quadrin());
  // Leaves another spelling of IN.TXT, which the next solver would find first.
  const std::string shadow =
      Script(folder, "schatten", Quadrin() + " && head -c 171 IN.TXT > IN.txt");
  const std::string stamper =
      Script(folder, "stempler",
             Quadrin() + " && printf ' 0 \\r\\n 0 \\r\\n 0 \\r\\n 0 \\r\\n' > Start.txt");
  const Result r = Messlauf(folder, "--count 9 --seed 4 --dir w --json j.json --solver " +
                                        rewriter + " --solver " + shadow + " --solver " + stamper +
                                        " --solver " + Quadrin());
  EXPECT_EQ(r.status, 2) << r.out << r.err;
  EXPECT_TRUE(Has(r.out,
                  "Fehler:      Der Löser umschreiber hat in Runde 1 die Dateien des "
                  "Arbeitsordners angetastet (IN.TXT verändert); seine Antworten werden "
                  "nicht geprüft."))
      << r.out;
  EXPECT_TRUE(Has(r.out,
                  "Der Löser schatten hat in Runde 1 die Dateien des Arbeitsordners "
                  "angetastet (IN.txt angelegt)"))
      << r.out;
  EXPECT_TRUE(Has(r.out,
                  "Der Löser stempler hat in Runde 1 die Dateien des Arbeitsordners "
                  "angetastet (Start.txt verändert)"))
      << r.out;
  const nlohmann::json solvers = Json(folder / "j.json")["sets"][0]["solvers"];
  ASSERT_EQ(solvers.size(), 4u);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(solvers[i]["state"], "failed") << i;
  EXPECT_EQ(solvers[3]["state"], "correct");  // measured on the true puzzles after all three
  EXPECT_EQ(solvers[3]["outcomes"]["one"].get<int>() +
                solvers[3]["outcomes"]["several"].get<int>() +
                solvers[3]["outcomes"]["no_solution"].get<int>(),
            9);
  kit::StringSink expected;
  generator::BuildSudokus(4, 9, expected, [](std::int32_t) { return true; });
  EXPECT_EQ(GetFile(folder / "w" / "IN.TXT"), expected.Text);
  EXPECT_FALSE(std::filesystem::exists(folder / "w" / "IN.txt"));
}

TEST(VerdictGuard, ADeletedPuzzleFileOrAnswersUnderAnotherSpellingAreHandled) {
  TempFolder folder;
  const std::string deleter = Script(folder, "loescher", Quadrin() + " && rm IN.TXT");
  const std::string lower = Script(folder, "klein", Quadrin() + " && mv OUT.TXT out.txt");
  const Result r =
      Messlauf(folder, "--count 4 --seed 2 --dir w --solver " + deleter + " --solver " + lower);
  EXPECT_EQ(r.status, 2) << r.out << r.err;
  EXPECT_TRUE(Has(r.out, "angetastet (IN.TXT gelöscht)")) << r.out;
  EXPECT_TRUE(Has(r.out, "Alle Lösungen korrekt")) << r.out;  // the second one's answers
  EXPECT_TRUE(std::filesystem::exists(folder / "w" / "IN.TXT"));
  EXPECT_TRUE(std::filesystem::exists(folder / "w" / "OUT.TXT"));  // one spelling left
  EXPECT_FALSE(std::filesystem::exists(folder / "w" / "out.txt"));
}

TEST(VerdictGuard, ASecondRunInTheSameFolderIsRefusedAtOnce) {
  TempFolder folder;
  const std::string slow = Script(folder, "langsam", "sleep 2; exec " + Quadrin());
  const std::string first = "cd '" + folder.Path().string() + "' && LC_ALL=C '" + Bin() +
                            "/Messlauf' --count 5 --dir w --solver " + slow +
                            " > first.out 2> first.err; echo $? > first.status";
  std::thread running([&first] { std::system(first.c_str()); });
  // Wait until the first run holds the folder.
  for (int i = 0; i < 200 && !std::filesystem::exists(folder / "w" / "Messlauf.pid"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const std::string holder = GetFile(folder / "w" / "Messlauf.pid");
  ASSERT_FALSE(holder.empty());
  const auto started = std::chrono::steady_clock::now();
  const Result second = Messlauf(folder, "--count 5 --dir w");
  const Result prepare = Messlauf(folder, "--count 5 --dir w --prepare");
  const double took =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  running.join();
  EXPECT_EQ(second.status, 2);
  EXPECT_EQ(prepare.status, 2);
  EXPECT_LT(took, 1.5);  // refused at once, not after the first run
  // One plain LF, so that `kill $(cat w/Messlauf.pid)` takes it.
  ASSERT_TRUE(std::regex_match(holder, std::regex("[0-9]+\n"))) << holder;
  const std::string pid = holder.substr(0, holder.size() - 1);
  EXPECT_TRUE(
      Has(second.err, "Messlauf: Im Ordner w läuft schon ein Messlauf (Prozess " + pid + ")"))
      << second.err;
  EXPECT_EQ(prepare.err, second.err);
  EXPECT_EQ(GetFile(folder / "first.status"), "0\n") << GetFile(folder / "first.err");
  EXPECT_TRUE(Has(GetFile(folder / "first.out"), "Prüfung:     Alle Lösungen korrekt\n"));
  EXPECT_FALSE(std::filesystem::exists(folder / "w" / "Messlauf.pid"));  // gone with the run
}

// Whether a process whose command line holds `marker` is alive (zombies have none left).
bool Alive(const std::string& marker) {
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::string cmdline = GetFile(entry.path() / "cmdline");
    for (char& c : cmdline) c = c == '\0' ? ' ' : c;
    if (cmdline.find(marker) != std::string::npos) return true;
  }
  return false;
}

TEST(VerdictGuard, NothingASolverStartedOutlivesItsRunNotEvenInAnotherSession) {
  TempFolder folder;
  // A process in a session of its own, and one it starts in turn.
  const std::string escaper = Script(
      folder, "entwischt",
      "setsid sh -c 'sleep 31.417 & sleep 31.418' & echo $! > ../escaped.pid\nexec " + Quadrin());
  // The next run finds it gone.
  const std::string looker =
      Script(folder, "schaut",
             "if kill -0 $(cat ../escaped.pid) 2>/dev/null; then echo lebt > ../alive.txt; fi\n"
             "pgrep -f 'sleep 31.41' >> ../alive.txt\nexec " +
                 Quadrin());
  const Result r =
      Messlauf(folder, "--count 3 --dir w --repeat 2 --solver " + escaper + " --solver " + looker);
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(GetFile(folder / "alive.txt"), "");
  EXPECT_FALSE(Alive("sleep 31.41"));
}

// Peak memory and the bytes read by a Messlauf whose solver leaves an OUT.TXT of 60 GB without a
// line end: it must judge it at once from its first kilobytes.
TEST(VerdictGuard, AnEndlessAnswerFileIsAWrongAnswerReadFromItsFirstKilobytes) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the memory limit needs a build without AddressSanitizer";
#else
  TempFolder folder;
  const std::string sparse = Script(folder, "riesig", "truncate -s 60G OUT.TXT");
  // Runs after the first solver was judged: notes how much Messlauf has read by then.
  const std::string counter =
      Script(folder, "zaehlt", "cat /proc/$PPID/io > ../io.txt\nexec " + Quadrin());
  const std::string command = "cd '" + folder.Path().string() + "' && exec '" + Bin() +
                              "/Messlauf' --count 20 --seed 3 --dir w --solver " + sparse +
                              " --solver " + counter + " > out.txt 2> err.txt";
  const auto started = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    const rlimit memory{1ull << 30, 1ull << 30};  // a regression fails here, not the machine
    ::setrlimit(RLIMIT_AS, &memory);
    ::alarm(60);
    ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  ASSERT_EQ(::wait4(child, &status, 0, &usage), child);
  const double took =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 1) << GetFile(folder / "err.txt");
  const std::string out = GetFile(folder / "out.txt");
  EXPECT_TRUE(Has(out,
                  "Lösung für SUDOKU-Nr. 1 ist nicht korrekt.\nGrund:       Zeile 1 von "
                  "OUT.TXT"))
      << out;
  EXPECT_TRUE(Has(out, "1024")) << out;
  const std::string io = GetFile(folder / "io.txt");
  const std::size_t at = io.find("rchar: ");
  ASSERT_NE(at, std::string::npos) << io;
  EXPECT_LT(std::stoll(io.substr(at + 7)), 2ll << 20) << io;
  const auto inBytes = static_cast<long>(std::filesystem::file_size(folder / "w" / "IN.TXT"));
  EXPECT_LT(usage.ru_maxrss * 1024, inBytes + (64l << 20));
  EXPECT_LT(took, 30);
#endif
}

}  // namespace
}  // namespace runner
