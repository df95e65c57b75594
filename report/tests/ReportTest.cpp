// The reports of hand-built records, compared whole with files in golden/, and the details a
// whole file does not single out.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
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

// A judged run of `solver` in `round`, after `warmup` warm-up rounds.
record::Run Ran(std::size_t solver, int round, int warmup, double ende, double monotonic,
                record::Judgement check) {
  record::Run run;
  run.Solver = solver;
  run.Round = round;
  run.Warmup = round <= warmup;
  run.EndeSeconds = ende;
  run.MonotonicSeconds = monotonic;
  run.GuardSeconds = 0.0012345 * round;
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
                                           Case{"wrong-busy", WrongOnBusyMachine, "."}),
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
  EXPECT_EQ(json["solvers"][0]["runs"][0]["monotonic_seconds"], 0.038123);
  EXPECT_EQ(json["solvers"][0]["monotonic_seconds"]["median"], 0.038123);
  EXPECT_EQ(json["solvers"][0]["runs"][0]["ende_seconds"], 0.04);  // Start.txt has milliseconds
  EXPECT_TRUE(Has(FormatCsv(run, summaries), ",0.038123,0.040,")) << FormatCsv(run, summaries);
  const std::string text = FormatReport(run, summaries, ",");
  EXPECT_TRUE(Has(text, "Laufzeit:    0,040 Sek. (monoton gemessen 0,03812 s)")) << text;
  EXPECT_EQ(PreciseSeconds(12.34567, "."), "12.346");
  EXPECT_EQ(PreciseSeconds(9.87654, "."), "9.877");
  EXPECT_EQ(PreciseSeconds(0.00123456, "."), "0.001235");
}

// Each row says what its own run was, also where a solver's runs differ in an order the
// goldens do not show: wrong, then right, then failed.
TEST(Exports, EveryCsvRowHasItsOwnRunsVerdict) {
  record::RunRecord run;
  run.Settings.Repeat = 3;
  run.Sets.resize(1);
  run.Solvers = {{"A", "a"}};
  record::Run failed;
  failed.Round = 3;
  failed.Verdict = Verdict::Failed;
  run.Runs = {Ran(0, 1, 0, 1.5, 1.25, WrongAnswer(4, "")),
              Ran(0, 2, 0, 1.5, 1.25, AllCorrect(0, 9, 0)), failed};
  EXPECT_EQ(FormatCsv(run, record::Summarize(run)),
            "solver,program,round,warmup,monotonic_seconds,ende_seconds,verdict\r\n"
            "A,a,1,false,1.250000,1.500,wrong\r\n"
            "A,a,2,false,1.250000,1.500,correct\r\n"
            "A,a,3,false,,,failed\r\n");
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
