// Messlauf with its results store, end to end: where runs go, what the history lists, what an
// unusable store does to a run, and reports imported from elsewhere.
#include <gtest/gtest.h>

#include <cstdlib>

#include "MesslaufHelpers.h"
#include "SqlOnFile.h"

namespace runner {
namespace {

using kit::testing::GetFile;
using kit::testing::PutFile;
using kit::testing::Sql;
using kit::testing::TempFolder;
using testing::Has;
using testing::Json;
using testing::Messlauf;
using testing::Result;

// The data folder of the test process, set for what it starts and restored at the end.
class DataHome {
 public:
  explicit DataHome(const std::filesystem::path& folder) {
    const char* old = std::getenv("XDG_DATA_HOME");
    if (old) Saved = old;
    ::setenv("XDG_DATA_HOME", folder.c_str(), 1);
  }
  ~DataHome() {
    Saved ? ::setenv("XDG_DATA_HOME", Saved->c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
  }

 private:
  std::optional<std::string> Saved;
};

int Lines(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST(StoreFlow, StoresEachRunAndTheHistoryListsIt) {
  TempFolder folder;
  const DataHome home(folder / "daten");
  ASSERT_EQ(Messlauf(folder, "--count 20 --seed 3 --repeat 3 --dir w --json a.json").status, 0);
  const Result second = Messlauf(folder, "--count 20 --seed 4 --dir w");
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_TRUE(Has(second.err, "Gespeichert als Lauf 2 in ")) << second.err;
  const auto store = folder / "daten" / "sudoku-messkit" / "results.sqlite";
  EXPECT_EQ(Sql(store, "PRAGMA integrity_check; SELECT count(*) FROM runs"), "ok|2|");

  const Result listed = Messlauf(folder, "history");
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(Lines(listed.out), 3) << listed.out;  // the header, then one line per run
  EXPECT_TRUE(Has(listed.out, "Nr.  Beginn (UTC)")) << listed.out;
  EXPECT_TRUE(Has(listed.out, " korrekt ")) << listed.out;

  const nlohmann::json report = Json(folder / "a.json");
  const nlohmann::json history = nlohmann::json::parse(Messlauf(folder, "history --json").out);
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[0]["run"], 1);
  EXPECT_EQ(history[0]["solver"], "Quadrin");
  EXPECT_EQ(history[0]["program_sha256"], report["sets"][0]["solvers"][0]["program_sha256"]);
  EXPECT_EQ(history[0]["in_sha256"], report["sets"][0]["in_sha256"]);
  EXPECT_EQ(history[0]["median_seconds"],
            report["sets"][0]["solvers"][0]["monotonic_seconds"]["median"]);
  EXPECT_EQ(history[0]["timed_runs"], 3);

  // A filter that fits nothing says so and names what is stored, not "nothing stored".
  const Result none = Messlauf(folder, "history --solver Anderer --set Build");
  EXPECT_TRUE(Has(none.out, "Keiner der gespeicherten Läufe passt zu den Filtern.\n"
                            "Löser im Speicher: Quadrin\nSätze im Speicher: Build\n"))
      << none.out;
  const Result noneJson = Messlauf(folder, "history --solver Anderer --json");
  EXPECT_EQ(noneJson.out, "[]\n");
  EXPECT_TRUE(Has(noneJson.err, "Löser im Speicher: Quadrin")) << noneJson.err;
  ASSERT_EQ(Messlauf(folder, "history --plot verlauf.png --html verlauf.html").status, 0);
  EXPECT_EQ(GetFile(folder / "verlauf.png").substr(1, 3), "PNG");
  EXPECT_TRUE(Has(GetFile(folder / "verlauf.html"), "<th scope=\"col\" class=\"num\">Quadrin</th>"));
  EXPECT_EQ(Messlauf(folder, "history --html fehlt/v.html").status, 2);
  // A run with --store goes there alone; --no-store keeps nothing.
  ASSERT_EQ(Messlauf(folder, "--count 5 --seed 1 --dir w --store eigen.sqlite").status, 0);
  ASSERT_EQ(Messlauf(folder, "--count 5 --seed 1 --dir w --no-store").status, 0);
  EXPECT_EQ(Sql(store, "SELECT count(*) FROM runs"), "2|");
  EXPECT_EQ(Lines(Messlauf(folder, "history --store eigen.sqlite").out), 2);
}

TEST(StoreFlow, AStoreThatIsNoneRefusesTheRunBeforeItBegins) {
  TempFolder folder;
  const std::string garbage(5000, '\x7f');
  PutFile(folder / "kaputt.sqlite", garbage);
  const Result r = Messlauf(folder, "--count 5 --seed 1 --dir w --store kaputt.sqlite");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "kaputt.sqlite ist kein Ergebnisspeicher")) << r.err;
  EXPECT_EQ(GetFile(folder / "kaputt.sqlite"), garbage);
  EXPECT_FALSE(std::filesystem::exists(folder / "w"));  // nothing ran
  const Result listed = Messlauf(folder, "history --store kaputt.sqlite");
  EXPECT_EQ(listed.status, 2);
  EXPECT_EQ(GetFile(folder / "kaputt.sqlite"), garbage);
  EXPECT_EQ(Messlauf(folder, "--store a --no-store").status, 2);
}

TEST(StoreFlow, AStoreFailingWhileWritingKeepsNothingButTheReportsStand) {
  TempFolder folder;
  ASSERT_EQ(Messlauf(folder, "--count 5 --seed 1 --dir w --store s.sqlite").status, 0);
  Sql(folder / "s.sqlite",
      "CREATE TRIGGER refuse BEFORE INSERT ON solvers BEGIN SELECT RAISE(ABORT, 'voll'); END");
  const Result r = Messlauf(folder, "--count 5 --seed 2 --dir w --store s.sqlite --json j.json");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "nicht im Ergebnisspeicher")) << r.err;
  EXPECT_TRUE(Has(r.out, "Prüfung:     Alle Lösungen korrekt"));
  EXPECT_EQ(Json(folder / "j.json")["exit_status"], 0);
  EXPECT_EQ(Sql(folder / "s.sqlite", "SELECT count(*) FROM runs; SELECT count(*) FROM sets"),
            "1|1|");
}

TEST(StoreFlow, ImportsAReportOnceAndRefusesWhatIsNone) {
  TempFolder folder;
  ASSERT_EQ(Messlauf(folder, "--count 5 --seed 1 --dir w --no-store --json fremd.json").status, 0);
  ASSERT_EQ(Messlauf(folder, "--count 5 --seed 2 --dir w --store s.sqlite --json hier.json").status,
            0);
  PutFile(folder / "kein.json", "{\"format\": \"etwas anderes\"}");
  const Result refused = Messlauf(folder, "history --store s.sqlite import fremd.json kein.json");
  EXPECT_EQ(refused.status, 2);
  EXPECT_TRUE(Has(refused.err, "kein.json")) << refused.err;
  EXPECT_EQ(Sql(folder / "s.sqlite", "SELECT count(*) FROM runs"), "1|");  // nothing of fremd

  const Result first = Messlauf(folder, "history import --store s.sqlite fremd.json hier.json");
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_TRUE(Has(first.out, "fremd.json: gespeichert als Lauf 2\n")) << first.out;
  EXPECT_TRUE(Has(first.out, "hier.json: schon gespeichert als Lauf 1\n")) << first.out;
  const Result again = Messlauf(folder, "history import --store s.sqlite fremd.json");
  EXPECT_TRUE(Has(again.out, "fremd.json: schon gespeichert als Lauf 2\n")) << again.out;
  EXPECT_EQ(Lines(Messlauf(folder, "history --store s.sqlite").out), 3);
}

TEST(StoreFlow, TwoRunsStoringAtOnceAreBothKept) {
  TempFolder folder;
  // Both end at nearly the same moment: the same work, started together.
  const std::string run =
      "'" + testing::Bin() + "/Messlauf' --count 3000 --seed 7 --repeat 2 --store s.sqlite";
  PutFile(folder / "both.sh", "cd \"$(dirname \"$0\")\"\n(" + run +
                                  " --dir a >a.out 2>&1; echo $? >a.st) &\n" + run +
                                  " --dir b >b.out 2>&1; echo $? >b.st\nwait\n");
  ASSERT_EQ(std::system(("bash '" + (folder / "both.sh").string() + "'").c_str()), 0);
  EXPECT_EQ(GetFile(folder / "a.st"), "0\n") << GetFile(folder / "a.out");
  EXPECT_EQ(GetFile(folder / "b.st"), "0\n") << GetFile(folder / "b.out");
  EXPECT_EQ(Sql(folder / "s.sqlite", "PRAGMA integrity_check; SELECT count(*) FROM runs"), "ok|2|");
}

// A stand-in that waits (`wait` seconds, a word of the shell) and then gives Quadrin's answers,
// taken once per IN.TXT in a warm-up round and copied afterwards: its times differ from another's
// by the wait alone, not by how fast Quadrin (under a sanitizer, on a busy machine) happens to be.
std::string Waiting(const TempFolder& folder, const std::string& name, const std::string& wait) {
  const std::string cache = (folder / "antworten").string();
  std::filesystem::create_directories(cache);
  return testing::Script(folder, name,
                         "sleep " + wait + "\nkey='" + cache +
                             "'/$(cksum < IN.TXT | cut -d' ' -f1)\n"
                             "[ -f \"$key\" ] || { '" +
                             testing::Bin() +
                             "/Quadrin' && cp OUT.TXT \"$key\"; }\n"
                             "cp \"$key\" OUT.TXT");
}

TEST(Baselines, ASlowerSolverIsCalledSlowerAgainstItsBaselineAndFailsTheRun) {
  TempFolder folder;
  // Twice the wait: start-up under a sanitizer on a busy machine can add tens of milliseconds to
  // one run and not to the other, which a smaller step would drown.
  const std::string same = Waiting(folder, "basis", "0.1"), slower = Waiting(folder, "neu", "0.2");
  const std::string run = "--count 20 --seed 3 --warmup 1 --repeat 7 --dir w --store s.sqlite ";
  ASSERT_EQ(Messlauf(folder, run + "--solver löser=" + same + " --save-baseline v1").status, 0);
  ASSERT_EQ(Messlauf(folder, run + "--solver löser=" + same).status, 0);

  const std::string compare = "--fail-on-regression --noise 10 --json j.json ";
  const Result unchanged =
      Messlauf(folder, run + compare + "--baseline latest --solver löser=" + same);
  EXPECT_EQ(unchanged.status, 0) << unchanged.out << unchanged.err;
  EXPECT_FALSE(Has(unchanged.out, "langsamer")) << unchanged.out;
  EXPECT_TRUE(Has(unchanged.out, "Lauf 2 ")) << unchanged.out;  // the latest of this machine

  const Result slow = Messlauf(folder, run + compare + "--baseline v1 --solver löser=" + slower);
  EXPECT_EQ(slow.status, 3) << slow.out << slow.err;
  EXPECT_TRUE(Has(slow.out, "Lauf 1 „v1“")) << slow.out;
  EXPECT_TRUE(Has(slow.out, "  langsamer\n")) << slow.out;
  const nlohmann::json against =
      Json(folder / "j.json")["sets"][0]["solvers"][0]["against_baseline"];
  EXPECT_EQ(against["change"], "slower");
  EXPECT_EQ(against["run"], 1);
  EXPECT_GT(against["low"].get<double>(), 1.1);
  EXPECT_EQ(Json(folder / "j.json")["exit_status"], 3);
  // The history shows what the comparison said.
  EXPECT_TRUE(Has(Messlauf(folder, "history --store s.sqlite").out, "langsamer (Lauf 1)"));

  // A baseline that is not there refuses the run before anything runs.
  std::filesystem::remove_all(folder / "w");
  const Result missing = Messlauf(folder, run + "--baseline v9 --solver " + same);
  EXPECT_EQ(missing.status, 2);
  EXPECT_TRUE(Has(missing.err, "„v9“")) << missing.err;
  EXPECT_FALSE(std::filesystem::exists(folder / "w"));
  EXPECT_EQ(Messlauf(folder, "--count 5 --fail-on-regression").status, 2);
  EXPECT_EQ(Messlauf(folder, "--count 5 --baseline latest --no-store").status, 2);
}

// Without --seed a run compared with a baseline generates the baseline's puzzles, so that the
// gate compares what it was asked to; where it still cannot, each cell says why.
TEST(Baselines, AGateWithoutASeedTakesTheBaselinesPuzzles) {
  TempFolder folder;
  const std::string run = "--store s.sqlite --count 300 --repeat 5 --dir w ";
  ASSERT_EQ(Messlauf(folder, run + "--seed 4711 --save-baseline v1 --json a.json").status, 0);
  const Result gate = Messlauf(folder, run + "--baseline v1 --fail-on-regression --json b.json");
  EXPECT_TRUE(gate.status == 0 || gate.status == 3) << gate.out << gate.err;
  const nlohmann::json b = Json(folder / "b.json");
  EXPECT_EQ(b["sets"][0]["in_sha256"], Json(folder / "a.json")["sets"][0]["in_sha256"]);
  EXPECT_EQ(b["baseline"]["puzzles_from"],
            nlohmann::json::parse(R"({"run": 1, "seed": 4711, "count": null})"));
  const nlohmann::json& against = b["sets"][0]["solvers"][0]["against_baseline"];
  EXPECT_TRUE(against["no_comparison"].is_null()) << against;
  EXPECT_NE(against["change"], "too_few_rounds") << against;  // decided either way
  EXPECT_TRUE(
      Has(gate.out, "\nStartzahl:   4711\n   übernommen: Startzahl 4711 aus der Basis v1\n"))
      << gate.out;

  // The same puzzles, but the solver under another name: nothing to compare, and why.
  const std::string other = "--solver other=" + testing::Bin() + "/Quadrin ";
  const Result renamed =
      Messlauf(folder, run + other + "--baseline v1 --fail-on-regression --markdown m.md");
  EXPECT_EQ(renamed.status, 2);
  EXPECT_TRUE(Has(renamed.err, "Löser other auf Satz Build: Löser nicht in der Basis"))
      << renamed.err;
  EXPECT_TRUE(renamed.out.ends_with("  Löser nicht in der Basis\n")) << renamed.out;
  EXPECT_TRUE(
      Has(GetFile(folder / "m.md"), "| Lauf 1 „v1“ | – | – | – | Löser nicht in der Basis |"));
  const Result once =
      Messlauf(folder, "--store s.sqlite --count 300 --baseline v1 --fail-on-regression --dir w");
  EXPECT_EQ(once.status, 2);
  EXPECT_TRUE(Has(once.err, "--fail-on-regression braucht --repeat 5 oder mehr")) << once.err;

  // latest: the count as well, from the latest run with a generated set (the renamed one, 3); the
  // comparison from the latest with Quadrin on these puzzles (2).
  const Result latest = Messlauf(folder, "--store s.sqlite --repeat 5 --dir w --baseline latest");
  EXPECT_EQ(latest.status, 0) << latest.err;
  EXPECT_TRUE(Has(latest.out,
                  "übernommen: Startzahl 4711 und Anzahl 300 aus der Basis latest "
                  "(Lauf 3)\n"))
      << latest.out;
  EXPECT_TRUE(Has(latest.out, "\nQuadrin  Build  Lauf 2  ")) << latest.out;

  // A baseline of collections alone has no seed to lend: refused before anything runs.
  const std::string top = std::string(KIT_DATA_DIR) + "/top1465.txt";
  ASSERT_EQ(Messlauf(folder,
                     "--store s.sqlite --dir w --count 20 --save-baseline sammlung "
                     "--puzzles " +
                         top)
                .status,
            0);
  const Result refused =
      Messlauf(folder, "--store s.sqlite --repeat 5 --dir neu --baseline sammlung");
  EXPECT_EQ(refused.status, 2);
  EXPECT_TRUE(Has(refused.err, "Bitte --seed oder --puzzles angeben.")) << refused.err;
  EXPECT_FALSE(std::filesystem::exists(folder / "neu"));
}

// A wait of `seconds` for each puzzle of IN.TXT (173 N − 2 bytes), for Waiting: the fastest of a
// set is the fastest per puzzle, which a wait at the start alone would not make it.
std::string PerPuzzle(const std::string& seconds) {
  return "$(awk -v b=$(wc -c < IN.TXT) 'BEGIN { print (b + 2) / 173 * " + seconds + " }')";
}

TEST(Baselines, OfTwoSolversInTheSameRoundsTheSlowerIsCalledSlower) {
  TempFolder folder;
  const Result r = Messlauf(folder,
                            "--count 20 --seed 3 --warmup 1 --repeat 10 --dir w "
                            "--no-store --solver " +
                                Waiting(folder, "schnell", PerPuzzle("0.005")) + " --solver " +
                                Waiting(folder, "langsam", PerPuzzle("0.01")));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::size_t line = r.out.find("\nlangsam ");
  ASSERT_NE(line, std::string::npos) << r.out;
  const std::string row = r.out.substr(line + 1, r.out.find('\n', line + 1) - line - 1);
  EXPECT_TRUE(Has(row, "schnell (gleiche Runden)")) << row;
  EXPECT_TRUE(row.ends_with("  langsamer")) << row;
}

}  // namespace
}  // namespace runner
