// The built Messlauf program end to end, with the real Quadrin and with stand-in solvers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>

#include "BuildSudokus.h"
#include "ProgressDisplay.h"
#include "PuzzleFile.h"
#include "SampleData.h"
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

nlohmann::json Json(const std::filesystem::path& file) {
  return nlohmann::json::parse(GetFile(file));
}

// Every file of a folder and its bytes.
std::map<std::string, std::string> Contents(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    files[entry.path().filename().string()] = GetFile(entry.path());
  }
  return files;
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
  const nlohmann::json json = Json(folder / "report.json");
  EXPECT_EQ(json["all_correct"], true);
  EXPECT_EQ(json["count"], 60);
  EXPECT_EQ(json["seed"], 5);
  EXPECT_TRUE(json["puzzles_file"].is_null());
  EXPECT_EQ(json["folder"], "work");
  EXPECT_EQ(json["in_bytes"], 10378);
  EXPECT_EQ(json["outcomes"]["no_solution"].get<int>() + json["outcomes"]["one"].get<int>() +
                json["outcomes"]["several"].get<int>(),
            60);
  EXPECT_TRUE(json["wrong_puzzle"].is_null());
  EXPECT_TRUE(json["reason"].is_null());
  EXPECT_EQ(json["runs"].size(), 1u);
}

TEST(Messlauf, RepeatsTheSolverAndReportsTheSpread) {
  TempFolder folder;
  const Result r = Messlauf(folder, "--count 7 --seed 1 --repeat 3 --dir w --json j.json");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "Minimum ")) << r.out;
  EXPECT_TRUE(Has(r.out, "(3 Läufe)"));
  const nlohmann::json json = Json(folder / "j.json");
  ASSERT_EQ(json["runs"].size(), 3u);
  double fastest = 1e9;
  for (const auto& run : json["runs"]) fastest = std::min(fastest, run["monotonic_seconds"].get<double>());
  EXPECT_EQ(json["monotonic_seconds"]["min"], fastest);
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
  EXPECT_TRUE(Has(r.out, "Prüfung:     Lösung für SUDOKU-Nr. 3 ist nicht korrekt.\nGrund:       "))
      << r.out;
  const nlohmann::json json = Json(folder / "j.json");
  EXPECT_EQ(json["wrong_puzzle"], 3);
  EXPECT_EQ(json["all_correct"], false);
  const std::string reason = json["reason"];
  EXPECT_TRUE(Has(r.out, "Grund:       " + reason + "\n")) << reason;
  EXPECT_TRUE(Has(reason, "gefunden 0") || Has(reason, "Das Rätsel hat")) << reason;
}

TEST(Messlauf, TakesThePuzzlesFromACollection) {
  TempFolder folder;
  const std::string top = std::string(KIT_DATA_DIR) + "/top1465.txt";
  Result r = Messlauf(folder, "--puzzles " + top + " --count 40 --dir w --json j.json");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "Anzahl:      40\nRätsel aus:  " + top + "\n")) << r.out;
  EXPECT_FALSE(Has(r.out, "Startzahl"));
  EXPECT_TRUE(Has(r.out, "Ergebnisse:  0 ohne Lösung, 40 eindeutig, 0 mehrdeutig\n"));
  // Exactly the bytes Build's writer gives for these boards.
  kit::StringSink expected;
  kit::WritePuzzleBlocks(expected, kit::testing::SamplePuzzles("top1465", 40));
  EXPECT_EQ(GetFile(folder / "w" / "IN.TXT"), expected.Text);
  const nlohmann::json json = Json(folder / "j.json");
  EXPECT_EQ(json["puzzles_file"], top);
  EXPECT_TRUE(json["seed"].is_null());
  EXPECT_EQ(json["count"], 40);
  EXPECT_EQ(json["outcomes"]["one"], 40);
  EXPECT_EQ(json["verdict"], "Alle Lösungen korrekt");

  // Fewer puzzles than asked for: all of them, and a warning.
  PutFile(folder / "drei.txt", GetFile(top).substr(0, 3 * 82));
  r = Messlauf(folder, "--puzzles drei.txt --count 10 --dir w");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "Anzahl:      3\n")) << r.out;
  EXPECT_TRUE(Has(r.err, "Messlauf: Warnung: Die Datei drei.txt enthält nur 3 Rätsel, nicht 10; "
                         "der Lauf nimmt alle 3.\n"))
      << r.err;
  r = Messlauf(folder, "--puzzles drei.txt --dir w");  // all, without a warning
  EXPECT_TRUE(Has(r.out, "Anzahl:      3\n")) << r.out;
  EXPECT_FALSE(Has(r.err, "Warnung"));
}

TEST(Messlauf, ARefusedCollectionLineChangesNothing) {
  TempFolder folder;
  const std::string top = std::string(KIT_DATA_DIR) + "/top1465.txt";
  ASSERT_EQ(Messlauf(folder, "--puzzles " + top + " --count 3 --dir w").status, 0);
  const auto before = Contents(folder / "w");
  std::string lines = GetFile(top).substr(0, 4 * 82);
  lines[2 * 82 + 30] = 'x';  // line 3
  PutFile(folder / "kaputt.txt", lines);
  const Result r = Messlauf(folder, "--puzzles kaputt.txt --dir w");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "Messlauf: Fehler in kaputt.txt, Zeile 3: Zeichen 31 ist „x“; ein Feld ist eine "
                   "Ziffer 1 bis 9, oder „.“ oder „0“ wenn es leer ist.\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(Contents(folder / "w"), before);
  EXPECT_FALSE(std::filesystem::exists(folder / "neu"));
  EXPECT_EQ(Messlauf(folder, "--puzzles kaputt.txt --dir neu").status, 2);
  EXPECT_FALSE(std::filesystem::exists(folder / "neu"));  // not even the folder
}

TEST(Messlauf, PrepareWritesOnlyThePuzzleFile) {
  TempFolder folder;
  Result r = Messlauf(folder, "--count 12 --seed 9 --dir w --prepare");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "Startzahl:   9\nIN.TXT:      2074 Bytes, bereit für")) << r.out;
  kit::StringSink expected;
  generator::BuildSudokus(9, 12, expected, [](std::int32_t) { return true; });
  EXPECT_EQ(Contents(folder / "w"), (std::map<std::string, std::string>{{"IN.TXT", expected.Text}}));

  r = Messlauf(folder, "--dir w --prepare --puzzles " + std::string(KIT_DATA_DIR) + "/serg.txt");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "Anzahl:      300\n")) << r.out;
  EXPECT_EQ(GetFile(folder / "w" / "IN.TXT").size(), 173u * 300 - 2);
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
  r = Messlauf(folder, "--puzzles x.txt --seed 4");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "--seed passt nicht zu --puzzles")) << r.err;
  r = Messlauf(folder, "--prepare --repeat 3");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "--repeat passt nicht zu --prepare")) << r.err;
  r = Messlauf(folder, "--puzzles x.txt --count 0");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "braucht --count eine Zahl ab 1")) << r.err;
  r = Messlauf(folder, "--help");
  EXPECT_EQ(r.status, 0);
  for (const char* option : {"--count", "--seed", "--dir", "--solver", "--repeat", "--json",
                             "--puzzles", "--prepare"}) {
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
