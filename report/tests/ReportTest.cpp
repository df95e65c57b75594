// The reports of hand-built records, compared whole with files in golden/, and the details a
// whole file does not single out.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>

#include "JsonReport.h"
#include "TableReports.h"
#include "TempFolder.h"
#include "TextReport.h"

namespace report {
namespace {

using record::Verdict;

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

record::MachineContext Machine() {
  record::MachineContext c;
  c.Processor = "Beispiel-Prozessor 3000";
  c.LogicalCores = 8;
  c.MemoryBytes = 16ull << 30;
  c.OperatingSystem = "Debian GNU/Linux 12 (bookworm)";
  c.Kernel = "Linux 6.1.0-30-amd64";
  c.KitVersion = "1.1";
  c.GitCommit = "03967ddaaf47";
  c.Compiler = "GNU 12.2.0";
  c.BuildType = "Release";
  c.StartedUtc = "2026-03-14T09:26:53Z";
  c.LoadAverage = {0.42, 0.37, 0.25};
  return c;
}

record::Judgement AllCorrect(std::int64_t none, std::int64_t one, std::int64_t several) {
  return {"Alle Lösungen korrekt", 0, "", {none, one, several}};
}

record::Judgement WrongAnswer(std::int32_t number, std::string reason) {
  return {"Lösung für SUDOKU-Nr. " + std::to_string(number) + " ist nicht korrekt.",
          number,
          std::move(reason),
          {0, number - 1, 0}};
}

// A judged run of `solver` in `round`, after `warmup` warm-up rounds; its CPU times and memory
// follow from its time and the solver.
record::Run Ran(std::size_t solver, int round, int warmup, double ende, double monotonic,
                record::Judgement check) {
  record::Run run;
  run.Solver = solver;
  run.Round = round;
  run.Warmup = round <= warmup;
  run.Timed = true;
  run.EndeSeconds = ende;
  run.MonotonicSeconds = monotonic;
  run.GuardSeconds = 0.0012345 * round;
  run.UserSeconds = 0.9 * monotonic;
  run.SystemSeconds = 0.05 * monotonic;
  run.MaxRssBytes = 4325376 + static_cast<std::int64_t>(solver) * 1048576;
  run.OutBytes = 16384;
  run.Check = std::move(check);
  run.Verdict = run.Check.Number == 0 ? Verdict::Correct : Verdict::Wrong;
  return run;
}

// One solver, one run, every answer right.
record::RunRecord OneRun() {
  record::RunRecord r;
  r.Context = Machine();
  r.Settings.Folder = "lauf";
  r.Sets = {{"Build", "", 4711, 60, 10378}};
  r.Solvers = {{"Quadrin", "bin/Quadrin"}};
  r.Runs = {Ran(0, 1, 0, 56.034, 56.0312345, AllCorrect(0, 60, 0))};
  return r;
}

// Four solvers, a warm-up round and three timed ones: flink is the fastest, "Quadrin, alt" slower
// and scattered, falsch answers wrongly in the first timed round, kaputt fails in the warm-up.
record::RunRecord Comparison() {
  record::RunRecord r;
  r.Context = Machine();
  r.Context.GitChanges = true;
  r.Settings = {"lauf", 3, 1, 10.0, 1};
  r.Sets = {{"top95", "sammlung/top95.txt", 0, 95, 15770}};
  r.Solvers = {{"flink", "loeser/flink"},
               {"Quadrin, alt", "loeser/quadrin-alt"},
               {"falsch", "loeser/falsch"},
               {"kaputt", "loeser/kaputt"}};
  const record::Judgement right = AllCorrect(1, 93, 1);
  record::Run failed;
  failed.Solver = 3;
  failed.Round = 1;
  failed.Warmup = true;
  failed.Verdict = Verdict::Failed;
  failed.Failure =
      "Der Löser kaputt endete in Aufwärmrunde 1 mit dem Status 3. Seine Ausgabe "
      "(lauf/Loeser.log):\nSpeicherzugriffsfehler\nabgebrochen";
  r.Runs = {Ran(0, 1, 1, 0.215, 0.2123456, right),
            Ran(1, 1, 1, 0.9, 0.8951, right),
            Ran(2, 1, 1, 0.3, 0.2987, right),
            failed,
            Ran(0, 2, 1, 0.201, 0.1987654, right),
            Ran(1, 2, 1, 0.853, 0.8512, right),
            Ran(2, 2, 1, 0.288, 0.2866,
                WrongAnswer(17, "Zeile 113 von OUT.TXT hat nur 7 Werte statt 9.")),
            Ran(0, 3, 1, 0.199, 0.1975, right),
            Ran(1, 3, 1, 1.402, 1.4011, right),
            Ran(0, 4, 1, 0.204, 0.2031, right),
            Ran(1, 4, 1, 0.85, 0.8498, right)};
  return r;
}

// One solver wrong in its only run, on a machine that was busy at the start and names neither
// its processor nor its commit.
record::RunRecord WrongOnBusyMachine() {
  record::RunRecord r;
  r.Context = Machine();
  r.Context.Processor.clear();
  r.Context.GitCommit.clear();
  r.Context.LogicalCores = 4;
  r.Context.LoadAverage = {3.1, 2.05, 1.5};
  r.Settings.Folder = "lauf";
  r.Sets = {{"Build", "", 12345, 500, 86412}};
  r.Solvers = {{"mein-loeser", "loeser/mein-loeser"}};
  r.Runs = {
      Ran(0, 1, 0, 1.234, 1.2337,
          WrongAnswer(233, "Zeile 2097 von OUT.TXT: Zeile 5, Spalte 3 hält eine 4 doppelt."))};
  return r;
}

// What a solver did on a set in the suite below: its time on the whole set and, from the round
// where it left, how.
struct Fate {
  double Seconds;
  int LeftIn = 0;  // the round of its wrong or failed run; 0: it stayed
  bool Wrong = false;
};

// The runs of one round on one set: each solver's start-up run, then its run on the whole set.
void SuiteRound(record::RunRecord& r, std::size_t set, int round, const std::vector<Fate>& fates) {
  const double drift = round == 1 ? 1.08 : round == 2 ? 1.0 : 0.98;  // the warm-up is slower
  const std::int64_t count = r.Sets[set].Count;
  for (std::size_t i = 0; i < fates.size(); ++i) {
    const Fate& f = fates[i];
    if (f.LeftIn != 0 && round > f.LeftIn) continue;
    const double first = (0.0011 + 0.0003 * static_cast<double>(i)) * drift;
    record::Run startup =
        Ran(i, round, 1, std::ceil(first * 1000) / 1000, first, AllCorrect(0, 1, 0));
    startup.Set = set;
    startup.Startup = true;
    r.Runs.push_back(startup);
    const double whole = f.Seconds * drift;
    record::Run run =
        Ran(i, round, 1, std::ceil(whole * 1000) / 1000, whole, AllCorrect(0, count, 0));
    run.Set = set;
    if (round == f.LeftIn && f.Wrong) {
      run.Check = WrongAnswer(5, "Zeile 43 von OUT.TXT: Zeile 7, Spalte 2 hält eine 8 doppelt.");
      run.Verdict = Verdict::Wrong;
    } else if (round == f.LeftIn) {
      run.Verdict = Verdict::Failed;
      run.Check = {};
      run.Failure = "Der Löser " + r.Solvers[i].Name +
                    " endete in Runde 1 mit dem Status 3. Seine Ausgabe (lauf/solver.log):\n"
                    "Speicherzugriffsfehler";
    }
    r.Runs.push_back(run);
  }
}

// Two collections, three solvers, a warm-up round and two timed ones, each with its start-up run.
// On top95 langsam answers wrongly in the second timed round and kaputt fails in the first (its
// process ended, so it has times); on hardest-1106 all stay correct, so the geometric means rest
// on it alone. kaputt's program has no hash.
record::RunRecord Suite() {
  record::RunRecord r;
  r.Context = Machine();
  r.Context.Host = "messrechner";
  r.Context.MachineId = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
  r.Settings = {"lauf", 2, 1, 30.0, std::nullopt};
  r.Sets = {{"top95", "sammlung/top95.txt", 0, 95, 16433,
             "4e07408562bedb8b60ce05c1decfe3ad16b72230967de01f640b7e4729b49fce"},
            {"hardest-1106", "sammlung/hardest-1106.txt", 0, 1106, 191336,
             "6b86b273ff34fce19d6b804eff5a3f5747ada4eaa22f1d49c01e52ddb7875b4b"}};
  r.Solvers = {
      {"flink", "loeser/flink", "d4735e3a265e16eee03f59718b9b5d03019c07d8b6c51f90da3a666eec13ab35"},
      {"langsam", "loeser/langsam",
       "4b227777d4dd1fc61c6f884f48641d02b4d121d3fd328cb08b5531fcacdabf8a"},
      {"kaputt", "loeser/kaputt"}};
  for (int round = 1; round <= 3; ++round) {
    SuiteRound(r, 0, round, {{0.0061}, {0.0242, 3, true}, {0.0093, 2}});
    SuiteRound(r, 1, round, {{0.0558}, {0.2201}, {0.0897}});
  }
  return r;
}

struct Case {
  std::string Name;  // of its golden files
  record::RunRecord (*Make)();
  std::string Separator;
};

std::string GoldenFile(const std::string& name) {
  return kit::testing::GetFile(std::filesystem::path(KIT_GOLDEN_DIR) / name);
}

// Names a case by its files in a failure message.
void PrintTo(const Case& c, std::ostream* out) {
  *out << c.Name;
}

class Golden : public ::testing::TestWithParam<Case> {};

TEST_P(Golden, EveryFormatMatchesItsFile) {
  const Case& c = GetParam();
  const record::RunRecord run = c.Make();
  const record::Summaries summaries = record::Summarize(run);
  EXPECT_EQ(FormatReport(run, summaries, c.Separator), GoldenFile(c.Name + ".txt"));
  EXPECT_EQ(FormatJson(run, summaries), GoldenFile(c.Name + ".json"));
  EXPECT_EQ(FormatMarkdown(run, summaries, c.Separator), GoldenFile(c.Name + ".md"));
  EXPECT_EQ(FormatCsv(run, summaries), GoldenFile(c.Name + ".csv"));
}

INSTANTIATE_TEST_SUITE_P(Records, Golden,
                         ::testing::Values(Case{"one-run", OneRun, ","},
                                           Case{"comparison", Comparison, ","},
                                           Case{"wrong-busy", WrongOnBusyMachine, "."},
                                           Case{"suite", Suite, ","}),
                         [](const ::testing::TestParamInfo<Case>& row) {
                           std::string name = row.param.Name;
                           std::erase(name, '-');
                           return name;
                         });

TEST(Exports, MonotonicTimesKeepTheirMicroseconds) {
  record::RunRecord run;
  run.Sets.resize(1);
  run.Sets[0].Count = 1;
  run.Solvers = {{"Quadrin", "Quadrin"}};
  run.Runs = {Ran(0, 1, 0, 0.040, 0.0381234, AllCorrect(0, 1, 0))};
  const record::Summaries summaries = record::Summarize(run);
  const nlohmann::json json = nlohmann::json::parse(FormatJson(run, summaries));
  const nlohmann::json& solver = json["sets"][0]["solvers"][0];
  EXPECT_EQ(solver["runs"][0]["monotonic_seconds"], 0.038123);
  EXPECT_EQ(solver["runs"][0]["user_seconds"], 0.034311);
  EXPECT_EQ(solver["monotonic_seconds"]["median"], 0.038123);
  EXPECT_EQ(solver["runs"][0]["ende_seconds"], 0.04);  // Start.txt has milliseconds
  EXPECT_TRUE(Has(FormatCsv(run, summaries), ",0.038123,0.040,")) << FormatCsv(run, summaries);
  const std::string text = FormatReport(run, summaries, ",");
  EXPECT_TRUE(Has(text, "Laufzeit:    0,040 Sek. (monoton gemessen 0,03812 s)")) << text;
  EXPECT_EQ(PreciseSeconds(12.34567, "."), "12.346");
  EXPECT_EQ(PreciseSeconds(9.87654, "."), "9.877");
  EXPECT_EQ(PreciseSeconds(0.00123456, "."), "0.001235");
}

// Each row and each JSON run says what its own run was, also where a solver's runs differ in an
// order the goldens do not show: wrong, then right, then failed without having ended.
TEST(Exports, EveryRunHasItsOwnVerdict) {
  record::RunRecord run;
  run.Settings.Repeat = 3;
  run.Sets = {{"a,b", "", 1, 9, 1555}};
  run.Solvers = {{"A", "a"}};
  record::Run failed;
  failed.Round = 3;
  failed.Verdict = Verdict::Failed;
  failed.Failure = "Der Löser A ließ sich nicht starten.";
  run.Runs = {Ran(0, 1, 0, 1.5, 1.25, WrongAnswer(4, "kaputt")),
              Ran(0, 2, 0, 1.5, 1.25, AllCorrect(0, 9, 0)), failed};
  const record::Summaries summaries = record::Summarize(run);
  EXPECT_EQ(FormatCsv(run, summaries),
            "set,solver,program,round,warmup,startup,monotonic_seconds,ende_seconds,user_seconds,"
            "system_seconds,max_rss_bytes,verdict\r\n"
            "\"a,b\",A,a,1,false,false,1.250000,1.500,1.125000,0.062500,4325376,wrong\r\n"
            "\"a,b\",A,a,2,false,false,1.250000,1.500,1.125000,0.062500,4325376,correct\r\n"
            "\"a,b\",A,a,3,false,false,,,,,,failed\r\n");
  const nlohmann::json runs =
      nlohmann::json::parse(FormatJson(run, summaries))["sets"][0]["solvers"][0]["runs"];
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0]["verdict"], "wrong");
  EXPECT_EQ(runs[0]["wrong_puzzle"], 4);
  EXPECT_EQ(runs[0]["reason"], "kaputt");
  EXPECT_EQ(runs[1]["verdict"], "correct");
  EXPECT_TRUE(runs[1]["wrong_puzzle"].is_null());
  EXPECT_TRUE(runs[1]["reason"].is_null());
  EXPECT_EQ(runs[2]["failure"], "Der Löser A ließ sich nicht starten.");
  EXPECT_TRUE(runs[2]["max_rss_bytes"].is_null());
  EXPECT_TRUE(runs[2]["monotonic_seconds"].is_null());
}

// A set of a suite alone keeps the layout of one set, with its per-puzzle figures and start-up.
TEST(TextReport, OneSetShowsStartupAndNetFigures) {
  record::RunRecord run = Suite();
  run.Sets.resize(1);
  std::erase_if(run.Runs, [](const record::Run& r) { return r.Set != 0; });
  const std::string text = FormatReport(run, record::Summarize(run), ",");
  // flink: median 0,006039 s over 95 puzzles, start-up median 0,001089 s
  EXPECT_TRUE(Has(text,
                  "\nJe Rätsel:   63,57 µs (netto 52,66 µs), 15731 Rätsel/s; Start 1,089 ms\n"
                  "Verbrauch:   0,005 s Nutzer, 0,000 s System, höchstens 4,1 MiB Speicher "
                  "(Mediane aus 2 Läufen)\nPrüfung:"))
      << text;
  EXPECT_TRUE(Has(text, "\nPrüfung:     Runde 2: Lösung für SUDOKU-Nr. 5 ist nicht korrekt.\n"));
  EXPECT_FALSE(Has(text, "Sammlung")) << text;
  EXPECT_TRUE(FormatMarkdown(run, record::Summarize(run), ",").starts_with("| Löser |"));
}

// Without start-up runs no cell has a net figure: all cells are gross, and the note says so.
TEST(TextReport, TheMatrixFallsBackToGrossFigures) {
  record::RunRecord run = Suite();
  std::erase_if(run.Runs, [](const record::Run& r) { return r.Startup; });
  const record::Summaries summaries = record::Summarize(run);
  const std::string text = FormatReport(run, summaries, ",");
  EXPECT_TRUE(Has(text, "\nhardest-1106 (1106 Rätsel)   49,95 µs (1,00)   ")) << text;
  EXPECT_TRUE(Has(text, "\nµs je Rätsel brutto: Median ÷ N.\n")) << text;
  EXPECT_TRUE(Has(FormatMarkdown(run, summaries, "."), "| top95 (95 Rätsel) | 63.57 µs | "));

  // A start-up slower than a whole small set would make a net figure negative: gross again.
  record::RunRecord slowStart = Suite();
  for (record::Run& r : slowStart.Runs) {
    if (r.Startup) r.MonotonicSeconds = 10;
  }
  EXPECT_TRUE(Has(FormatReport(slowStart, record::Summarize(slowStart), ","),
                  "\nµs je Rätsel brutto: Median ÷ N.\n"));
}

// Every key path of `json`, "sets[].solvers[].name" for a key of objects in arrays.
void KeyPaths(const nlohmann::json& json, const std::string& path, std::set<std::string>& paths) {
  if (json.is_array()) {
    for (const nlohmann::json& entry : json) KeyPaths(entry, path + "[]", paths);
  } else if (json.is_object()) {
    for (const auto& [key, value] : json.items()) {
      const std::string at = path.empty() ? key : path + "." + key;
      paths.insert(at);
      KeyPaths(value, at, paths);
    }
  }
}

// The key paths the documentation names: each "| `key` |" row under the "### `$.path`" headings
// before it.
std::set<std::string> DocumentedKeys(const std::string& doc) {
  std::set<std::string> keys;
  std::vector<std::string> objects;
  std::istringstream lines(doc);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("### ")) {
      objects.clear();
      for (std::size_t at = line.find("`$"); at != std::string::npos; at = line.find("`$", at)) {
        const std::size_t end = line.find('`', at + 1);
        const std::string object = line.substr(at + 2, end - at - 2);  // "" or ".sets[]"
        objects.push_back(object.empty() ? "" : object.substr(1) + ".");
        at = end + 1;
      }
    } else if (line.starts_with("| `")) {
      const std::string key = line.substr(3, line.find('`', 3) - 3);
      for (const std::string& object : objects) keys.insert(object + key);
    }
  }
  return keys;
}

std::string Missing(const std::set<std::string>& from, const std::set<std::string>& in) {
  std::string missing;
  for (const std::string& key : from) {
    if (!in.contains(key)) missing += " " + key;
  }
  return missing;
}

TEST(Exports, TheJsonHasExactlyTheDocumentedKeys) {
  const record::RunRecord run = Suite();
  std::set<std::string> written;
  KeyPaths(nlohmann::json::parse(FormatJson(run, record::Summarize(run))), "", written);
  const std::set<std::string> documented =
      DocumentedKeys(kit::testing::GetFile(std::filesystem::path(KIT_JSON_DOC)));
  EXPECT_GT(documented.size(), 70u);  // the page was read
  EXPECT_EQ(Missing(written, documented), "") << "keys the documentation lacks";
  EXPECT_EQ(Missing(documented, written), "") << "documented keys the JSON lacks";
}

TEST(Context, ABusyMachineAtTheStartIsNamed) {
  record::RunRecord run;
  run.Context.LogicalCores = 2;
  run.Context.LoadAverage = {1.25, 0.5, 0.5};
  const record::Summaries none = record::Summarize(run);
  EXPECT_TRUE(record::BusyAtStart(run.Context));
  EXPECT_TRUE(Has(FormatReport(run, none, ","),
                  "\nWarnung:     Der Rechner war beim Start beschäftigt (Last 1,25); die Zeiten "
                  "können streuen.\n"))
      << FormatReport(run, none, ",");
  run.Context.LoadAverage = {0.9, 3, 3};  // what counts is the last minute
  EXPECT_FALSE(record::BusyAtStart(run.Context));
  EXPECT_FALSE(Has(FormatReport(run, none, ","), "beschäftigt"));
}

}  // namespace
}  // namespace report
