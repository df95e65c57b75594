// The built Messlauf program end to end, with the real Quadrin and with stand-in solvers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>

#include "BuildSudokus.h"
#include "MesslaufHelpers.h"
#include "Options.h"
#include "ProgressDisplay.h"
#include "PuzzleFile.h"
#include "SampleData.h"
#include "TempFolder.h"

namespace runner {
namespace {

using kit::testing::GetFile;
using kit::testing::PutFile;
using kit::testing::TempFolder;
using testing::Bin;
using testing::Contents;
using testing::Has;
using testing::Json;
using testing::Messlauf;
using testing::Result;
using testing::Script;

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
  EXPECT_EQ(json["sets"][0]["count"], 60);
  EXPECT_EQ(json["sets"][0]["seed"], 5);
  EXPECT_TRUE(json["sets"][0]["puzzles_file"].is_null());
  EXPECT_EQ(json["folder"], "work");
  EXPECT_EQ(json["sets"][0]["in_bytes"], 10378);
  EXPECT_EQ(json["exit_status"], 0);
  ASSERT_EQ(json["sets"][0]["solvers"].size(), 1u);
  const nlohmann::json& quadrin = json["sets"][0]["solvers"][0];
  EXPECT_EQ(quadrin["name"], "Quadrin");
  EXPECT_EQ(quadrin["state"], "correct");
  EXPECT_EQ(quadrin["all_correct"], true);
  EXPECT_EQ(quadrin["outcomes"]["no_solution"].get<int>() + quadrin["outcomes"]["one"].get<int>() +
                quadrin["outcomes"]["several"].get<int>(),
            60);
  EXPECT_TRUE(quadrin["wrong_puzzle"].is_null());
  EXPECT_TRUE(quadrin["reason"].is_null());
  EXPECT_EQ(quadrin["runs"].size(), 2u);                      // the set, and its first puzzle alone
  EXPECT_TRUE(quadrin["monotonic_seconds"]["sd"].is_null());  // none with a single run
  EXPECT_TRUE(json["sets"][0]["fastest"].is_null());
}

TEST(Messlauf, JudgesOnSeveralThreadsAndSaysHowLongItTook) {
  TempFolder folder;
  const Result r =
      Messlauf(folder, "--count 3000 --seed 8 --dir w --check-threads 2 --json j.json");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, " s je Lauf, 2 Threads\n")) << r.out;
  const nlohmann::json json = Json(folder / "j.json");
  EXPECT_EQ(json["check_threads"], 2);
  for (const auto& run : json["sets"][0]["solvers"][0]["runs"]) {
    EXPECT_GT(run["check_seconds"].get<double>(), 0);
  }
}

TEST(Messlauf, RepeatsTheSolverAndReportsTheSpread) {
  TempFolder folder;
  const Result r =
      Messlauf(folder, "--count 7 --seed 1 --repeat 3 --warmup 2 --dir w --json j.json");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "Runden:      3 gemessen, vorher 2 zum Aufwärmen\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "; 3 Läufe)\n")) << r.out;
  EXPECT_TRUE(Has(r.err, "Quadrin, Aufwärmen 2/5")) << r.err;  // progress names solver and round
  EXPECT_TRUE(Has(r.err, "Quadrin, Runde 5/5"));
  const nlohmann::json json = Json(folder / "j.json");
  const nlohmann::json& runs = json["sets"][0]["solvers"][0]["runs"];
  ASSERT_EQ(runs.size(), 10u);  // each round on the whole set and on its first puzzle alone
  std::vector<double> timed;
  for (const auto& run : runs) {
    EXPECT_EQ(run["warmup"], run["round"].get<int>() <= 2);
    EXPECT_GT(run["user_seconds"].get<double>() + run["system_seconds"].get<double>(), 0);
    EXPECT_GT(run["max_rss_bytes"].get<double>(), 100000);
    if (!run["warmup"] && !run["startup"]) timed.push_back(run["monotonic_seconds"]);
  }
  std::sort(timed.begin(), timed.end());
  EXPECT_EQ(json["sets"][0]["solvers"][0]["monotonic_seconds"]["min"], timed.front());
  EXPECT_EQ(json["sets"][0]["solvers"][0]["monotonic_seconds"]["median"], timed[1]);
  EXPECT_FALSE(json["sets"][0]["solvers"][0]["monotonic_seconds"]["sd"].is_null());
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
  const nlohmann::json json = Json(folder / "j.json")["sets"][0]["solvers"][0];
  EXPECT_EQ(json["wrong_puzzle"], 3);
  EXPECT_EQ(json["all_correct"], false);
  EXPECT_EQ(json["state"], "wrong");
  const std::string reason = json["reason"];
  EXPECT_TRUE(Has(r.out, "Grund:       " + reason + "\n")) << reason;
  EXPECT_TRUE(Has(reason, "gefunden 0") || Has(reason, "Das Rätsel hat")) << reason;
}

// A stand-in that takes longer than Quadrin for the same answers: 5 ms more a puzzle of IN.TXT
// (173 N − 2 bytes), so that it is slower per puzzle and not only to start, which the factors
// leave out.
std::string Slower(const TempFolder& folder, const std::string& name) {
  return Script(folder, name,
                "sleep $(awk -v b=$(wc -c < IN.TXT) 'BEGIN { print (b + 2) / 173 * 0.005 }')\n"
                "exec '" +
                    Bin() + "/Quadrin'");
}

TEST(Messlauf, ComparesSolversSideBySide) {
  TempFolder folder;
  const std::string slow = Slower(folder, "langsam");
  // Enough puzzles that Quadrin's net figure of each run stands clear of its start-up's spread.
  const Result r = Messlauf(folder, "--count 100 --seed 2 --dir w --repeat 2 --solver " + slow +
                                        " --solver flink=" + Bin() +
                                        "/Quadrin --json j.json "
                                        "--markdown m.md --csv r.csv --plot bild.png --html seite.html");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_TRUE(Has(r.out, "Löser:       langsam (")) << r.out;
  EXPECT_TRUE(Has(r.out, "Löser:       flink (")) << r.out;
  EXPECT_TRUE(Has(r.out, "\nAm schnellsten: flink mit ")) << r.out;
  EXPECT_TRUE(Has(r.out, " µs je Rätsel netto\n  langsam braucht ")) << r.out;
  const nlohmann::json json = Json(folder / "j.json");
  EXPECT_EQ(json["sets"][0]["fastest"], "flink");
  const nlohmann::json& slowJson = json["sets"][0]["solvers"][0];
  EXPECT_GT(slowJson["relative_to_fastest"]["factor"].get<double>(), 1.5);
  EXPECT_FALSE(slowJson["relative_to_fastest"]["sd"].is_null());
  EXPECT_EQ(json["sets"][0]["solvers"][1]["relative_to_fastest"]["factor"], 1.0);

  const std::string markdown = GetFile(folder / "m.md");
  EXPECT_TRUE(markdown.starts_with(
      "| Löser | Mittel ± σ [s] | Minimum [s] | Maximum [s] | µs je Rätsel netto | relativ |"))
      << markdown;
  EXPECT_TRUE(Has(markdown, "| flink | ")) << markdown;
  EXPECT_TRUE(Has(markdown, " | 1.00 |\n")) << markdown;
  // Rounds alternate between the solvers: A B, A B.
  const std::string csv = GetFile(folder / "r.csv");
  EXPECT_TRUE(
      csv.starts_with("set,solver,program,round,warmup,startup,monotonic_seconds,ende_seconds,"
                      "user_seconds,system_seconds,max_rss_bytes,verdict,kind,command\r\n"));
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 9);  // two rounds, two solvers, two runs
  EXPECT_TRUE(Has(csv, "\nBuild,langsam,")) << csv;
  EXPECT_EQ(GetFile(folder / "bild.png").substr(0, 8), "\x89PNG\r\n\x1a\n");
  const std::string page = GetFile(folder / "seite.html");
  EXPECT_TRUE(page.starts_with("<!DOCTYPE html>")) << page.substr(0, 200);
  EXPECT_TRUE(Has(page, "<h3>langsam</h3>") && Has(page, "<h3>flink</h3>"));
  EXPECT_TRUE(Has(page, ">Alle Lösungen korrekt</td>"));
}

TEST(Messlauf, AWrongOrFailingSolverLeavesTheOthersCompared) {
  TempFolder folder;
  const std::string spoiler =
      Script(folder, "verderber",
             "'" + Bin() +
                 "/Quadrin' || exit 1\n"
                 "awk 'BEGIN{RS=\"\\r\\n\\r\\n\"; ORS=RS} NR==2{sub(/[1-9]/, \"0\")} 1' "
                 "OUT.TXT > spoiled && mv spoiled OUT.TXT");
  const std::string slow = Slower(folder, "langsam");
  const std::string common = "--count 6 --seed 4 --dir w --repeat 2 --json j.json --solver " +
                             Bin() + "/Quadrin --solver " + slow;
  Result r = Messlauf(folder, common + " --solver " + spoiler);
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_TRUE(
      Has(r.out, "Prüfung:     Runde 1: Lösung für SUDOKU-Nr. 2 ist nicht korrekt.\nGrund: "))
      << r.out;
  EXPECT_TRUE(Has(r.out, "Am schnellsten: Quadrin")) << r.out;
  nlohmann::json json = Json(folder / "j.json");
  EXPECT_EQ(json["sets"][0]["solvers"][2]["state"], "wrong");
  EXPECT_EQ(json["sets"][0]["solvers"][2]["runs"].size(), 1u);  // it left after its first run
  EXPECT_EQ(json["sets"][0]["solvers"][1]["runs"].size(), 4u);
  EXPECT_TRUE(json["sets"][0]["solvers"][2]["relative_to_fastest"].is_null());

  // A failing solver makes the exit status 2, even with a wrong one beside it.
  const std::string broken = Script(folder, "kaputt", "echo 'abgestürzt' >&2; exit 3");
  r = Messlauf(folder, common + " --solver " + spoiler + " --solver " + broken);
  EXPECT_EQ(r.status, 2) << r.out << r.err;
  EXPECT_TRUE(Has(r.out, "Löser:       kaputt (")) << r.out;
  EXPECT_TRUE(Has(r.out, "Fehler:      Der Löser kaputt endete in Runde 1 mit dem Status 3."))
      << r.out;
  EXPECT_TRUE(Has(r.out, "Am schnellsten: Quadrin")) << r.out;
  json = Json(folder / "j.json");
  EXPECT_EQ(json["sets"][0]["solvers"][3]["state"], "failed");
  EXPECT_EQ(json["exit_status"], 2);
}

TEST(Messlauf, ReportsUseTheUsersSeparatorAndCsvAPoint) {
  TempFolder folder;
  const Result r =
      Messlauf(folder, "--count 4 --dir w --repeat 2 --csv r.csv --markdown m.md", "de_DE.UTF-8");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, " Sek.")) << r.out;
  EXPECT_TRUE(Has(r.out, "Laufzeit:    0,")) << r.out;
  EXPECT_TRUE(Has(GetFile(folder / "m.md"), "| 0,")) << GetFile(folder / "m.md");
  const std::string csv = GetFile(folder / "r.csv");
  EXPECT_TRUE(Has(csv, ",false,0.")) << csv;
  EXPECT_FALSE(Has(csv, ",0,0")) << csv;
}

TEST(Messlauf, TwoSolversOfTheSameFileNameAreToldApart) {
  TempFolder folder;
  std::filesystem::create_directories(folder / "andere");
  const std::string other = Script(folder, "andere/Quadrin", "exec '" + Bin() + "/Quadrin'");
  const Result r = Messlauf(folder, "--count 3 --dir w --solver " + Bin() + "/Quadrin --solver " +
                                        other + " --json j.json");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "Löser:       Quadrin (")) << r.out;
  EXPECT_TRUE(Has(r.out, "Löser:       Quadrin (2) (")) << r.out;
  EXPECT_TRUE(Has(r.out, "Am schnellsten: ")) << r.out;
  EXPECT_EQ(Json(folder / "j.json")["sets"][0]["solvers"][1]["name"], "Quadrin (2)");
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
  EXPECT_EQ(json["sets"][0]["puzzles_file"], top);
  EXPECT_TRUE(json["sets"][0]["seed"].is_null());
  EXPECT_EQ(json["sets"][0]["count"], 40);
  EXPECT_EQ(json["sets"][0]["solvers"][0]["outcomes"]["one"], 40);
  EXPECT_EQ(json["sets"][0]["solvers"][0]["verdict"], "Alle Lösungen korrekt");

  // Fewer puzzles than asked for: all of them, and a warning.
  PutFile(folder / "drei.txt", GetFile(top).substr(0, 3 * 82));
  r = Messlauf(folder, "--puzzles drei.txt --count 10 --dir w --json w/r.json");
  ASSERT_EQ(r.status, 0) << r.err;
  // The report says so too, not only standard error.
  EXPECT_TRUE(Has(r.out, "Anzahl:      3 (verlangt waren 10; mehr hält die Sammlung nicht)\n"))
      << r.out;
  EXPECT_EQ(Json(folder / "w" / "r.json")["sets"][0]["requested_count"], 10);  // kept for scripts
  EXPECT_TRUE(Has(r.err,
                  "Messlauf: Warnung: Die Datei drei.txt enthält nur 3 Rätsel, nicht 10; "
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
  EXPECT_EQ(r.err,
            "Messlauf: Fehler in kaputt.txt, Zeile 3: Zeichen 31 ist „x“; ein Feld ist eine "
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
  EXPECT_EQ(Contents(folder / "w"),
            (std::map<std::string, std::string>{{"IN.TXT", expected.Text}}));

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
  EXPECT_TRUE(Has(r.err, "Messlauf: Der Löser broken endete in Runde 1 mit dem Status 3."))
      << r.err;
  EXPECT_TRUE(Has(r.err, "kaputt"));

  PutFile(folder / "w" / "OUT.TXT", "from an earlier run");  // must not be judged instead
  r = Messlauf(folder, "--count 3 --dir w --solver " + Script(folder, "lazy", "true"));
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "Der Löser lazy hat in Runde 1 keine OUT.TXT in ")) << r.err;

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
  for (const char* option :
       {"--count", "--seed", "--dir", "--solver", "--repeat", "--json", "--puzzles", "--prepare"}) {
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

namespace runner {
namespace {

// Two collections as two sets; a stand-in that spoils its answers on the second set only.
TEST(Suite, ASolverWrongInOneSetLeavesThatSetOnly) {
  TempFolder folder;
  const std::string lines = GetFile(std::string(KIT_DATA_DIR) + "/top1465.txt");
  std::filesystem::create_directory(folder / "sammlungen");
  PutFile(folder / "sammlungen" / "a.txt", lines.substr(0, 3 * 82));
  PutFile(folder / "sammlungen" / "b.txt", lines.substr(3 * 82, 4 * 82));
  const std::string spoiler =
      Script(folder, "verdirbt",
             "'" + Bin() +
                 "/Quadrin' || exit 1\n"
                 "if [ $(wc -c < IN.TXT) -eq 690 ]; then sed -i '1s/^./0/' OUT.TXT; fi");
  const Result r = Messlauf(folder,
                            "--puzzles sammlungen --repeat 2 --dir w --json j.json "
                            "--solver " +
                                spoiler + " --solver '" + Bin() + "/Quadrin'");
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_TRUE(Has(r.out,
                  "\nFalsch:      b, verdirbt: Runde 1: Lösung für SUDOKU-Nr. 1 ist nicht "
                  "korrekt. Grund: "))
      << r.out;
  EXPECT_TRUE(Has(r.out, "\nGeometrisches Mittel ")) << r.out;
  const nlohmann::json json = Json(folder / "j.json");
  ASSERT_EQ(json["sets"].size(), 2u);
  EXPECT_EQ(json["sets"][0]["name"], "a");
  EXPECT_EQ(json["sets"][0]["solvers"][0]["state"], "correct");  // it stays in the first set
  EXPECT_EQ(json["sets"][1]["solvers"][0]["state"], "wrong");
  EXPECT_EQ(json["sets"][1]["solvers"][0]["runs"].size(), 1u);  // and left the second at once
  EXPECT_EQ(json["sets"][1]["solvers"][1]["runs"].size(), 4u);
  EXPECT_EQ(json["sets"][0]["in_sha256"].get<std::string>().size(), 64u);
  EXPECT_EQ(json["sets"][0]["solvers"][1]["program_sha256"].get<std::string>().size(), 64u);
  EXPECT_EQ(json["exit_status"], 1);
}

}  // namespace
}  // namespace runner
