// The built Messlauf program end to end, with the real Quadrin and with stand-in solvers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>

#include "BuildSudokus.h"
#include "ProgressDisplay.h"
#include "TempFolder.h"

namespace runner {
namespace {

using kit::testing::GetFile;
using kit::testing::PutFile;
using kit::testing::TempFolder;

std::string Bin() {
  const char* dir = std::getenv("KIT_BIN_DIR");
  return dir ? dir : ".";
}

struct Result {
  int status;
  std::string out, err;
};

Result Messlauf(const TempFolder& folder, const std::string& arguments) {
  const std::string command = "cd '" + folder.Path().string() + "' && LC_ALL=C '" + Bin() +
                              "/Messlauf' " + arguments + " > stdout.txt 2> stderr.txt";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, GetFile(folder / "stdout.txt"),
          GetFile(folder / "stderr.txt")};
}

// A stand-in solver: a shell script with the given body.
std::string Script(const TempFolder& folder, const std::string& name, const std::string& body) {
  const auto path = folder / name;
  PutFile(path, "#!/bin/sh\n" + body + "\n");
  ::chmod(path.c_str(), 0755);
  return path.string();
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(Messlauf, TimesQuadrinAndJudgesItsAnswers) {
  TempFolder folder;
  const Result r = Messlauf(folder, "--count 60 --seed 5 --dir work --json report.json");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "Anzahl:      60\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "Startzahl:   5\n"));
  EXPECT_TRUE(Has(r.out, "IN.TXT:      10378 Bytes\n"));
  EXPECT_TRUE(Has(r.out, "Prüfung:     Alle Lösungen korrekt\n"));
  EXPECT_TRUE(Has(r.out, " Sek. (monoton gemessen ")) << r.out;
  kit::StringSink expected;
  generator::BuildSudokus(5, 60, expected, [](std::int32_t) { return true; });
  EXPECT_EQ(GetFile(folder / "work" / "IN.TXT"), expected.Text);  // the same file as Build's
  EXPECT_EQ(GetFile(folder / "work" / "Start.txt").size() >= 20, true);
  const std::string json = GetFile(folder / "report.json");
  EXPECT_TRUE(Has(json, "\"all_correct\": true")) << json;
  EXPECT_TRUE(Has(json, "\"count\": 60"));
  EXPECT_TRUE(Has(json, "\"wrong_puzzle\": null"));
}

TEST(Messlauf, RepeatsTheSolverAndReportsTheSpread) {
  TempFolder folder;
  const Result r = Messlauf(folder, "--count 7 --seed 1 --repeat 3 --dir w --json j.json");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "Minimum ")) << r.out;
  EXPECT_TRUE(Has(r.out, "(3 Läufe)"));
  const std::string json = GetFile(folder / "j.json");
  std::size_t runs = 0;
  for (std::size_t at = json.find("\"monotonic_seconds\": "); at != std::string::npos;
       at = json.find("\"monotonic_seconds\": ", at + 1)) {
    ++runs;
  }
  EXPECT_EQ(runs, 4u);  // three runs and the summary
}

TEST(Messlauf, ASpoiledAnswerNamesThePuzzle) {
  TempFolder folder;
  // Runs Quadrin, then changes the first digit of the third block.
  const std::string solver =
      Script(folder, "spoiler",
             "'" + Bin() +
                 "/Quadrin' || exit 1\n"
                 "awk 'BEGIN{RS=\"\\r\\n\\r\\n\"; ORS=RS} NR==3{sub(/[1-9]/, \"0\")} 1' "
                 "OUT.TXT > spoiled && mv spoiled OUT.TXT");
  const Result r = Messlauf(folder, "--count 5 --seed 3 --dir w --json j.json --solver " + solver);
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_TRUE(Has(r.out, "Prüfung:     Lösung für SUDOKU-Nr. 3 ist nicht korrekt.\n")) << r.out;
  EXPECT_TRUE(Has(GetFile(folder / "j.json"), "\"wrong_puzzle\": 3"));
}

TEST(Messlauf, ASolverThatFailsOrWritesNothingIsReported) {
  TempFolder folder;
  Result r = Messlauf(folder, "--count 3 --dir w --solver " +
                                  Script(folder, "broken", "echo 'kaputt' >&2; exit 3"));
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "endete mit dem Status 3")) << r.err;
  EXPECT_TRUE(Has(r.err, "kaputt"));

  PutFile(folder / "w" / "OUT.TXT", "from an earlier run");  // must not be judged instead
  r = Messlauf(folder, "--count 3 --dir w --solver " + Script(folder, "lazy", "true"));
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "hat keine OUT.TXT in")) << r.err;

  r = Messlauf(folder, "--count 3 --dir w --solver /no/such/solver");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "lässt sich nicht starten")) << r.err;
}

TEST(Messlauf, BadOptionsAreExplained) {
  TempFolder folder;
  Result r = Messlauf(folder, "--frobnicate");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "Unbekannte Angabe")) << r.err;
  r = Messlauf(folder, "--count abc");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "Ungültiger Wert")) << r.err;
  EXPECT_TRUE(Has(r.err, "abc"));
  r = Messlauf(folder, "--repeat 0");
  EXPECT_EQ(r.status, 2);
  r = Messlauf(folder, "--help");
  EXPECT_EQ(r.status, 0);
  for (const char* option : {"--count", "--seed", "--dir", "--solver", "--repeat", "--json"}) {
    EXPECT_TRUE(Has(r.out, option)) << option;
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "run"));  // nothing was run
}

TEST(ProgressDisplay, LineShowsCountRateAndTimeLeft) {
  EXPECT_EQ(ProgressDisplay::Line("Prüfen", 250, 1000, 0.5, true),
            "Prüfen [######..................] 250 von 1000, 500/s, noch 1.5 s");
  EXPECT_EQ(ProgressDisplay::Line("Löser", 30000, 0, 2, false), "Löser 30000, 15.0 Tsd./s");
}

}  // namespace
}  // namespace runner
