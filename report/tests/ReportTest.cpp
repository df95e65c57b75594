// The reports of hand-built records, compared whole with files in golden/, and the details a
// whole file does not single out.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>

#include "CsvReport.h"
#include "JsonReport.h"
#include "MarkdownReport.h"
#include "Numbers.h"
#include "SampleRecords.h"
#include "SolverWords.h"
#include "TempFolder.h"
#include "TextReport.h"

namespace report {
namespace {

using record::Verdict;
using namespace samples;

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The lines of `text` that begin with `start`.
std::vector<std::string> Lines(const std::string& text, const std::string& start) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with(start)) lines.push_back(line);
  }
  return lines;
}

struct Case {
  std::string Name;  // of its golden files
  record::RunRecord (*Make)();
  std::string Separator;
  int Exit;  // the exit status its JSON names, as the runner decides it
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
  EXPECT_EQ(FormatJson(run, summaries, c.Exit), GoldenFile(c.Name + ".json"));
  EXPECT_EQ(FormatMarkdown(run, summaries, c.Separator), GoldenFile(c.Name + ".md"));
  EXPECT_EQ(FormatCsv(run, summaries), GoldenFile(c.Name + ".csv"));
}

INSTANTIATE_TEST_SUITE_P(Records, Golden,
                         ::testing::Values(Case{"one-run", OneRun, ",", 0},
                                           Case{"comparison", Comparison, ",", 2},
                                           Case{"wrong-busy", WrongOnBusyMachine, ".", 1},
                                           Case{"suite", Suite, ",", 2},
                                           Case{"baseline", AgainstBaseline, ",", 3},
                                           Case{"libraries", Libraries, ",", 1}),
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
  run.Measurements = {Ran(0, 1, 0, 0.040, 0.0381234, AllCorrect(0, 1, 0))};
  const record::Summaries summaries = record::Summarize(run);
  const nlohmann::json json = nlohmann::json::parse(FormatJson(run, summaries, 0));
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
  record::Measurement failed;
  failed.Round = 3;
  failed.Verdict = Verdict::Failed;
  failed.Failure = "Der Löser A ließ sich nicht starten.";
  run.Measurements = {Ran(0, 1, 0, 1.5, 1.25, WrongAnswer(4, "kaputt")),
                      Ran(0, 2, 0, 1.5, 1.25, AllCorrect(0, 9, 0)), failed};
  const record::Summaries summaries = record::Summarize(run);
  EXPECT_EQ(FormatCsv(run, summaries),
            "set,solver,program,round,warmup,startup,monotonic_seconds,ende_seconds,user_seconds,"
            "system_seconds,max_rss_bytes,verdict,kind,command\r\n"
            "\"a,b\",A,a,1,false,false,1.250000,1.500,1.125000,0.062500,4325376,wrong,program,\r\n"
            "\"a,b\",A,a,2,false,false,1.250000,1.500,1.125000,0.062500,4325376,correct,"
            "program,\r\n"
            "\"a,b\",A,a,3,false,false,,,,,,failed,program,\r\n");
  const nlohmann::json runs =
      nlohmann::json::parse(FormatJson(run, summaries, 0))["sets"][0]["solvers"][0]["runs"];
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
// Words as a shell reads them back: plain ones as they are, the others in single quotes.
TEST(SolverWords, AWordWithBlanksOrQuotesIsQuotedAsAShellReadsItBack) {
  EXPECT_EQ(ShellWord("--tiefe=3"), "--tiefe=3");
  EXPECT_EQ(ShellWord("/opt/löser/tabelle.bin"), "/opt/löser/tabelle.bin");
  EXPECT_EQ(ShellWord("zwei Wörter"), "'zwei Wörter'");
  EXPECT_EQ(ShellWord("it's"), "'it'\\''s'");
  EXPECT_EQ(ShellWord("\"x\""), "'\"x\"'");
  EXPECT_EQ(ShellWord("a\tb"), "'a\tb'");
  EXPECT_EQ(ShellWord("$HOME"), "'$HOME'");
  EXPECT_EQ(ShellWord(""), "''");
  EXPECT_EQ(ShellWords({"python3", "s.py", "a b", ""}), "python3 s.py 'a b' ''");
}

// A program alone shows as it always did; more words, the kind and the inputs only where they
// are.
TEST(SolverWords, ASolverShowsItsCommandKindAndInputsWhereItHasThem) {
  record::Solver solver{"A", "loeser/a"};
  EXPECT_EQ(SolverShown(solver), "A (loeser/a)");
  solver.Command = {"loeser/a"};
  EXPECT_EQ(SolverShown(solver), "A (loeser/a)");
  EXPECT_TRUE(SolverInputsShown(solver).empty());
  solver.Command = {"loeser/a", "--modus", "schnell und gut", "loeser/t.bin"};
  solver.Inputs = {{"loeser/t.bin", std::string(64, 'c')}, {"loeser/ohne", ""}};
  EXPECT_EQ(SolverShown(solver), "A (loeser/a --modus 'schnell und gut' loeser/t.bin)");
  solver.Kind = record::SolverKind::Lines;
  EXPECT_EQ(SolverShown(solver),
            "A (loeser/a --modus 'schnell und gut' loeser/t.bin), Zeilen-Löser");
  EXPECT_EQ(SolverInputsShown(solver),
            (std::vector<std::string>{"loeser/t.bin (cccccccc)", "loeser/ohne, ohne Prüfsumme"}));
  // In the report of one set: under the solver's name, each input indented.
  record::RunRecord run = samples::OneRun();
  run.Solvers[0] = solver;
  run.Solvers[0].Name = "Quadrin";
  const std::string text = FormatReport(run, record::Summarize(run), ",");
  EXPECT_NE(text.find("\nLöser:       Quadrin (loeser/a --modus 'schnell und gut' loeser/t.bin), "
                      "Zeilen-Löser\n   Eingabe: loeser/t.bin (cccccccc)\n   Eingabe: "
                      "loeser/ohne, ohne Prüfsumme\nAusgabe:     "),
            std::string::npos)
      << text;
}

TEST(TextReport, OneSetShowsStartupAndNetFigures) {
  record::RunRecord run = Suite();
  run.Sets.resize(1);
  std::erase_if(run.Measurements, [](const record::Measurement& r) { return r.Set != 0; });
  const std::string text = FormatReport(run, record::Summarize(run), ",");
  // flink: median 0,006039 s over 95 puzzles, start-up median 0,001089 s
  EXPECT_TRUE(Has(text,
                  "\nJe Rätsel:   63,57 µs (netto 52,66 µs), 15731 Rätsel/s; Start 1,089 ms\n"
                  "Verbrauch:   0,005 s Nutzer, 0,000 s System, höchstens 4,1 MiB Speicher "
                  "(Mediane aus 2 Läufen)\nPrüfzeit:    0,0002440 s je Lauf (Median), 1 Thread\n"
                  "Prüfung:"))
      << text;
  EXPECT_TRUE(Has(text, "\nPrüfung:     Runde 2: Lösung für SUDOKU-Nr. 5 ist nicht korrekt.\n"));
  EXPECT_FALSE(Has(text, "Sammlung")) << text;
  EXPECT_TRUE(FormatMarkdown(run, record::Summarize(run), ",").starts_with("| Löser |"));
}

// A run stored by an earlier kit knows neither the judging threads nor the times: what is not
// known is left out, never shown as 0.
TEST(TextReport, TheCheckTimeLeavesOutWhatIsNotKnown) {
  record::RunRecord run = Comparison();
  run.Settings.CheckThreads.reset();
  const std::string withoutThreads = FormatReport(run, record::Summarize(run), ",");
  EXPECT_TRUE(Has(withoutThreads, "\nPrüfzeit:    0,008037 s je Lauf (Median)\n"))
      << withoutThreads;
  EXPECT_FALSE(Has(withoutThreads, "Thread")) << withoutThreads;

  run.Settings.CheckThreads = 4;
  for (record::Measurement& m : run.Measurements) {
    if (m.Solver == 0) m.CheckSeconds.reset();
    if (m.Solver == 1 && m.Round != 2) m.CheckSeconds.reset();
  }
  const std::string text = FormatReport(run, record::Summarize(run), ",");
  // flink knows no time: no line; "Quadrin, alt" knows one of its four.
  EXPECT_EQ(Lines(text, "Prüfzeit:"),
            (std::vector<std::string>{"Prüfzeit:    0,03405 s je Lauf, 4 Threads",
                                      "Prüfzeit:    0,01171 s je Lauf (Median), 4 Threads"}))
      << text;
}

// Without start-up runs no cell has a net figure: all cells are gross, and the note says so.
TEST(TextReport, TheMatrixFallsBackToGrossFigures) {
  record::RunRecord run = Suite();
  std::erase_if(run.Measurements, [](const record::Measurement& r) { return r.Startup; });
  const record::Summaries summaries = record::Summarize(run);
  const std::string text = FormatReport(run, summaries, ",");
  EXPECT_TRUE(Has(text, "\nhardest-1106 (1106 Rätsel)   49,95 µs (1,00)   ")) << text;
  EXPECT_TRUE(Has(text, "\nµs je Rätsel brutto: Median ÷ N.\n")) << text;
  EXPECT_TRUE(Has(FormatMarkdown(run, summaries, "."), "| top95 (95 Rätsel) | 63.57 µs | "));

  // A start-up slower than a whole small set would make a net figure negative: gross again.
  record::RunRecord slowStart = Suite();
  for (record::Measurement& r : slowStart.Measurements) {
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
  // Against a baseline that lent the puzzles and had no flink.
  record::RunRecord lent = AgainstBaseline();
  lent.Baseline->PuzzlesFrom = record::PuzzlesFrom{12, 4711, 1000};
  lent.Baseline->Cells.erase(lent.Baseline->Cells.begin());
  lent.Baseline->Uncompared = {{0, 0, record::NoComparison::NoSolver, 12, "v1"}};
  std::set<std::string> written;
  for (const record::RunRecord& run :
       {Suite(), AgainstBaseline(), lent, Libraries()}) {  // with and without a baseline
    KeyPaths(nlohmann::json::parse(FormatJson(run, record::Summarize(run), 0)), "", written);
  }
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
