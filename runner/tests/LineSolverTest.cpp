// Line solvers through Messlauf: the puzzles on standard input, the answers judged line by line
// as every solver's, and a faulty one named with its set, puzzle and line.
#include <gtest/gtest.h>

#include "MesslaufHelpers.h"

namespace runner {
namespace {

using testing::Bin;
using testing::Has;
using testing::Json;
using testing::Messlauf;
using testing::Result;
using testing::Script;
using testing::TempFolder;

const std::string Samples = KIT_DATA_DIR;

std::string Python() {
  return std::string("python3 ") + KIT_EXAMPLES_DIR + "/zeilenloeser.py";
}

TEST(LineSolver, ScriptAndCompiledOnesBesideQuadrinOverTheSamples) {
  TempFolder folder;
  const Result r = Messlauf(folder, "--count 6 --dir w --no-store --json j.json --puzzles " +
                                        Samples + " --line-solver 'Py=" + Python() +
                                        "' --line-solver " + Bin() + "/Zeilenquadrin --solver " +
                                        Bin() + "/Quadrin");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  const auto json = Json(folder / "j.json");
  ASSERT_EQ(json["sets"].size(), 5u);
  for (const auto& set : json["sets"]) {
    ASSERT_EQ(set["solvers"].size(), 3u);
    for (const auto& solver : set["solvers"]) {
      EXPECT_EQ(solver["state"], "correct") << set["name"] << solver["name"];
      EXPECT_EQ(solver["verdict"], "Alle Lösungen korrekt");
    }
  }
  const auto& solvers = json["sets"][0]["solvers"];
  EXPECT_EQ(solvers[0]["kind"], "lines");
  EXPECT_EQ(solvers[0]["command"][1], std::string(KIT_EXAMPLES_DIR) + "/zeilenloeser.py");
  EXPECT_EQ(solvers[0]["inputs"][0]["path"], std::string(KIT_EXAMPLES_DIR) + "/zeilenloeser.py");
  EXPECT_EQ(solvers[0]["inputs"][0]["sha256"].get<std::string>().size(), 64u);
  EXPECT_EQ(solvers[1]["name"], "Zeilenquadrin");
  EXPECT_EQ(solvers[2]["kind"], "program");
}

TEST(LineSolver, AWrongLineIsNamedWithSetPuzzleAndReason) {
  TempFolder folder;
  const std::string solver = Bin() + "/Zeilenquadrin";
  // Puzzle 3's first digit changed; the last line left out; lines 2 and 3 swapped.
  Script(folder, "wrong3.sh",
         "'" + solver + "' | awk 'NR==3{d=substr($0,85,1); $0=substr($0,1,84) (d%9+1) "
                        "substr($0,86)} {print}'");
  Script(folder, "short.sh", "'" + solver + "' | sed '$d'");
  Script(folder, "swapped.sh", "'" + solver + "' | sed '2{h;d};3{G}'");
  const Result r = Messlauf(folder, "--count 5 --dir w --no-store --json j.json --puzzles " +
                                        Samples + "/serg.txt --puzzles " + Samples +
                                        "/17-clue.txt --line-solver ./wrong3.sh "
                                        "--line-solver ./short.sh --line-solver ./swapped.sh");
  EXPECT_EQ(r.status, 1) << r.err << r.out;
  const auto json = Json(folder / "j.json");
  const auto& serg = json["sets"][0]["solvers"];
  EXPECT_EQ(serg[0]["verdict"], "Lösung für SUDOKU-Nr. 3 ist nicht korrekt.");
  EXPECT_TRUE(Has(serg[0]["reason"], "Zeile 3 der Ausgabe: Zeile 1, Spalte 1"))
      << serg[0]["reason"];
  EXPECT_EQ(serg[1]["verdict"], "Lösung für SUDOKU-Nr. 5 ist nicht korrekt.");
  EXPECT_TRUE(Has(serg[1]["reason"], "Zeile 5 der Ausgabe: ")) << serg[1]["reason"];
  EXPECT_EQ(serg[2]["verdict"], "Lösung für SUDOKU-Nr. 2 ist nicht korrekt.");
  EXPECT_TRUE(Has(serg[2]["reason"], "Zeile 2 der Ausgabe: ")) << serg[2]["reason"];
  // The report names the set as well.
  EXPECT_TRUE(Has(r.out, "serg")) << r.out;
  EXPECT_EQ(json["sets"][1]["name"], "17-clue");
}

TEST(LineSolver, OneThatStopsReadingOrPrintsFirstIsJudgedOnWhatItGave) {
  TempFolder folder;
  // Far more than a pipe holds either way: answers printed before anything is read, and input
  // never read at all. Neither end may wait for the other, and Messlauf gets no SIGPIPE.
  ASSERT_EQ(Messlauf(folder, "--prepare --count 3000 --seed 7 --dir p").status, 0);
  const std::string lines = (folder / "lines.txt").string();
  const std::string answers = (folder / "answers.txt").string();
  testing::PutFile(folder / "lines.py",
                   "import sys\nrows = [l for l in open(sys.argv[1]).read().splitlines() if l]\n"
                   "for i in range(0, len(rows), 9):\n"
                   "    print(''.join(''.join(rows[i + k].split(',')) for k in range(9))"
                   ".replace('0', '.'))\n");
  ASSERT_EQ(std::system(("cd '" + folder.Path().string() + "' && python3 lines.py p/IN.TXT > '" +
                         lines + "' && '" + Bin() + "/Zeilenquadrin' < '" + lines + "' > '" +
                         answers + "'")
                            .c_str()),
            0);
  Script(folder, "cat.sh", "exec cat '" + answers + "'");
  Script(folder, "none.sh", "exec true");
  const Result r = Messlauf(folder, "--count 3000 --seed 7 --dir w --no-store --json j.json "
                                    "--line-solver ./cat.sh --line-solver ./none.sh --timeout 60");
  EXPECT_EQ(r.status, 1) << r.err;
  const auto json = Json(folder / "j.json");
  const auto& runs = json["sets"][0]["solvers"][0]["runs"];
  ASSERT_EQ(runs.size(), 2u);
  // The whole set is right; its start-up run on the first puzzle alone gets 2999 lines too many.
  EXPECT_EQ(runs[0]["verdict"], "correct") << runs[0];
  EXPECT_EQ(runs[0]["out_bytes"], testing::GetFile(answers).size());
  EXPECT_TRUE(Has(runs[1]["reason"], "Zeile 2 der Ausgabe: ")) << runs[1];
  // One that reads nothing and answers nothing.
  EXPECT_EQ(json["sets"][0]["solvers"][1]["verdict"], "Lösung für SUDOKU-Nr. 1 ist nicht korrekt.");
  EXPECT_TRUE(Has(json["sets"][0]["solvers"][1]["reason"], "Zeile 1 der Ausgabe: "));
}

TEST(LineSolver, ACommandWithArgumentsAndAScriptThatChangesIsANewVersion) {
  TempFolder folder;
  const std::string store = (folder / "s.sqlite").string();
  testing::PutFile(folder / "solver.py", "import os, sys\nos.execv(sys.argv[2], sys.argv[2:])\n");
  const std::string run = "--count 4 --dir w --store " + store + " --json j.json --solver "
                          "\"Q=python3 solver.py --fast " + Bin() + "/Quadrin\"";
  Result r = Messlauf(folder, run);
  ASSERT_EQ(r.status, 0) << r.err;
  const auto first = Json(folder / "j.json")["sets"][0]["solvers"][0];
  EXPECT_EQ(first["name"], "Q");
  EXPECT_EQ(first["command"][2], "--fast");
  testing::PutFile(folder / "solver.py",
                   "import os, sys  # rebuilt\nos.execv(sys.argv[2], sys.argv[2:])\n");
  r = Messlauf(folder, run);
  ASSERT_EQ(r.status, 0) << r.err;
  const auto second = Json(folder / "j.json")["sets"][0]["solvers"][0];
  EXPECT_EQ(second["program_sha256"], first["program_sha256"]);  // the same python3
  EXPECT_NE(second["version_sha256"], first["version_sha256"]);
  r = Messlauf(folder, "history --store " + store);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string v1 = first["version_sha256"].get<std::string>().substr(0, 8);
  const std::string v2 = second["version_sha256"].get<std::string>().substr(0, 8);
  EXPECT_TRUE(Has(r.out, v1) && Has(r.out, v2)) << r.out;
}

}  // namespace
}  // namespace runner
