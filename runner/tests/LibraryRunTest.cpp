// Solver libraries through Messlauf: the kit's own search as a library beside Quadrin and a line
// solver over the samples, and each fault library named with its round and puzzle.
#include <gtest/gtest.h>

#include "MesslaufHelpers.h"

namespace runner {
namespace {

using testing::Bin;
using testing::Has;
using testing::Json;
using testing::Messlauf;
using testing::Result;
using testing::TempFolder;

const std::string Samples = KIT_DATA_DIR;
const std::string Library = std::string(KIT_LIB_DIR) + "/libkitloeser.so";

TEST(LibraryRun, TheKitsSearchAsALibraryBesideAProgramAndALineSolverOverTheSamples) {
  TempFolder folder;
  const Result r = Messlauf(folder,
                            "--count 8 --repeat 2 --dir w --no-store --json j.json "
                            "--puzzles " +
                                Samples + " --library Suche=" + Library + ":kit_solve --solver " +
                                Bin() + "/Quadrin --line-solver " + Bin() +
                                "/Zeilenquadrin --library " + Library + ":kit_counts:3");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  const auto json = Json(folder / "j.json");
  EXPECT_EQ(json["version"], 5);
  ASSERT_EQ(json["sets"].size(), 5u);
  for (const auto& set : json["sets"]) {
    ASSERT_EQ(set["solvers"].size(), 4u);
    for (const auto& solver : set["solvers"]) {
      EXPECT_EQ(solver["verdict"], "Alle Lösungen korrekt") << set["name"] << solver["name"];
    }
    const auto& suche = set["solvers"][0];
    EXPECT_EQ(suche["kind"], "library");
    EXPECT_EQ(suche["function"], "kit_solve");
    EXPECT_EQ(suche["library_sha256"].get<std::string>().size(), 64u);
    EXPECT_TRUE(suche["startup_seconds"].is_null());
    EXPECT_EQ(suche["solutions_given"], true);
    EXPECT_TRUE(suche["guesses_per_puzzle"].is_null());  // the kit's search counts no guesses
    EXPECT_EQ(suche["slowest"].size(), 8u);
    EXPECT_GE(suche["puzzle_us"]["max"].get<double>(), suche["puzzle_us"]["p50"].get<double>());
    EXPECT_EQ(suche["runs"].size(), 2u);  // no start-up runs
    // The pass's calls fit in the pass.
    double sum = 0;
    for (const auto& slow : suche["runs"][1]["puzzles"]["slowest"]) sum += slow["us"].get<double>();
    EXPECT_LE(sum, suche["runs"][1]["monotonic_seconds"].get<double>() * 1e6 + 1);
    const auto& counts = set["solvers"][3];
    EXPECT_EQ(counts["name"], "kit_counts");
    EXPECT_EQ(counts["configuration"], 3);
    // Where a puzzle had exactly one solution, it gave none.
    if (set["name"] == "17-clue") {
      EXPECT_EQ(counts["solutions_given"], false);
    }
    EXPECT_EQ(set["solvers"][2]["kind"], "lines");
  }
}

TEST(LibraryRun, EachFaultIsNamedWithItsRoundAndPuzzle) {
  TempFolder folder;
  const Result r = Messlauf(
      folder, "--count 40 --warmup 1 --dir w --no-store --json j.json --timeout 3 --puzzles " +
                  Samples + "/17-clue.txt --library falsch=" + Library +
                  ":kit_wrong_at:7 --library absturz=" + Library +
                  ":kit_crash_at:12 --library haengt=" + Library +
                  ":kit_hang_at:30 --library schreibt=" + Library +
                  ":kit_write_at:3 --library zaehler=" + Library + ":kit_counts");
  EXPECT_EQ(r.status, 2) << r.err << r.out;  // solvers failed
  EXPECT_TRUE(Has(r.out, "Aufwärmrunde 1: Lösung für SUDOKU-Nr. 7 ist nicht korrekt.")) << r.out;
  EXPECT_TRUE(Has(r.out,
                  "Die Bibliothek absturz ist in Aufwärmrunde 1 bei SUDOKU-Nr. 12 "
                  "abgestürzt (Signal SIGSEGV)."))
      << r.out;
  EXPECT_TRUE(Has(r.out,
                  "Die Bibliothek haengt hat in Aufwärmrunde 1 bei SUDOKU-Nr. 30 die "
                  "Zeitgrenze von 3 s überschritten."))
      << r.out;
  // The sealed puzzles turn a write into them into a crash, named as well.
  EXPECT_TRUE(Has(r.out,
                  "Die Bibliothek schreibt ist in Aufwärmrunde 1 bei SUDOKU-Nr. 3 "
                  "abgestürzt (Signal SIGSEGV)."))
      << r.out;
  EXPECT_TRUE(
      Has(r.err, "Messlauf: SUDOKU-Nr. 3 der Bibliothek schreibt: ..............1..2..3....4..."))
      << r.err;
  // One that gives counts only is judged on them, and the report says so.
  EXPECT_TRUE(Has(r.out, "Lösungen:    gibt keine Lösungen zurück: nur die Anzahlen geprüft"))
      << r.out;
}

TEST(LibraryRun, ALibraryThatCannotBeLoadedIsRefusedBeforeAnythingRuns) {
  TempFolder folder;
  testing::PutFile(folder / "kein.so", "kein ELF");
  for (const auto& [argument, says] : std::vector<std::pair<std::string, std::string>>{
           {"./fehlt.so:f",
            "Die Bibliothek " + folder.Path().string() + "/fehlt.so kann nicht gelesen werden"},
           {"./kein.so:f",
            "Die Bibliothek " + folder.Path().string() + "/kein.so lässt sich nicht laden."},
           {Library + ":kit_nichts",
            "Die Bibliothek " + Library + " hat keine Funktion kit_nichts."},
           {Library + ":1abc", "FUNKTION"}}) {
    const Result r = Messlauf(folder, "--dir w --no-store --library " + argument);
    EXPECT_EQ(r.status, 2) << argument << r.err;
    EXPECT_TRUE(Has(r.err, says)) << r.err;
    EXPECT_FALSE(Has(r.err, "dlopen")) << r.err;  // the loader's English stays out
    EXPECT_FALSE(std::filesystem::exists(folder / "w")) << argument;
  }
}

}  // namespace
}  // namespace runner
