// Reading a JSON report back: the golden reports come back as the same record, and whatever is
// not such a report is refused with a message naming the file.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <tuple>
#include <vector>

#include "CsvReport.h"
#include "FileError.h"
#include "JsonReport.h"
#include "SampleRecords.h"
#include "TempFolder.h"
#include "TextReport.h"

namespace report {
namespace {

using Json = nlohmann::ordered_json;

struct Case {
  std::string Name;  // of its golden file
  record::RunRecord (*Make)();
  int Exit;  // the exit status its report names, as the runner decides it
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.Name;
}

// What places a run in the sequence: where, who, when, which and how it ended.
std::vector<std::tuple<std::size_t, std::size_t, int, bool, record::Verdict>> Order(
    const record::RunRecord& r) {
  std::vector<std::tuple<std::size_t, std::size_t, int, bool, record::Verdict>> order;
  for (const record::Measurement& run : r.Measurements) {
    order.emplace_back(run.Set, run.Solver, run.Round, run.Startup, run.Verdict);
  }
  return order;
}

// The record with its times as the report keeps them: to the microsecond, Ende's to the
// millisecond, the load to the hundredth, no judging time for a failed run. The per-puzzle figures
// the report derives from the times carry more digits than that, so only such a record can come
// back unchanged.
record::RunRecord AtReportResolution(record::RunRecord r) {
  const auto to = [](double& value, double unit) { value = std::round(value * unit) / unit; };
  for (double& load : r.Context.LoadAverage) to(load, 100);
  for (record::Measurement& run : r.Measurements) {
    if (run.Verdict == record::Verdict::Failed) run.CheckSeconds.reset();
    to(run.EndeSeconds, 1e3);
    for (double* seconds :
         {&run.MonotonicSeconds, &run.GuardSeconds, &run.UserSeconds, &run.SystemSeconds}) {
      to(*seconds, 1e6);
    }
    if (run.Puzzles) {  // a library's calls to the nanosecond
      for (double* us :
           {&run.Puzzles->P50, &run.Puzzles->P90, &run.Puzzles->P99, &run.Puzzles->Max}) {
        to(*us, 1e3);
      }
      for (record::SlowPuzzle& slow : run.Puzzles->Slowest) to(slow.Microseconds, 1e3);
    }
  }
  return r;
}

// The record as a report before version 4 kept its solvers: programs run alone, with no words or
// inputs, each of the version its program's digest gives.
record::RunRecord ProgramsRunAlone(record::RunRecord r) {
  for (record::Solver& solver : r.Solvers) {
    solver.Kind = record::SolverKind::Program;
    solver.Command.clear();
    solver.Inputs.clear();
    solver.VersionSha256 = solver.ProgramSha256;
  }
  return r;
}

class ReadBack : public ::testing::TestWithParam<Case> {};

// Every report made from the record read back says what the original's says, and the runs are
// in the order they ran. The golden file reads as the same record.
TEST_P(ReadBack, TheReportGivesBackItsRecord) {
  const Case& c = GetParam();
  const record::RunRecord original = AtReportResolution(c.Make());
  const record::Summaries originals = record::Summarize(original);
  const std::string json = FormatJson(original, originals, c.Exit);
  const record::RunRecord back = ReadJsonReport(json, c.Name + ".json");
  const record::Summaries summaries = record::Summarize(back);
  EXPECT_EQ(FormatJson(back, summaries, c.Exit), json);
  EXPECT_EQ(Order(back), Order(original));
  EXPECT_EQ(back.Measurements, original.Measurements);  // each run with its own Check and OUT.TXT
  EXPECT_EQ(FormatReport(back, summaries, ","), FormatReport(original, originals, ","));
  EXPECT_EQ(FormatCsv(back, summaries), FormatCsv(original, originals));

  const record::RunRecord golden = ReadJsonReport(
      kit::testing::GetFile(std::filesystem::path(KIT_GOLDEN_DIR) / (c.Name + ".json")),
      c.Name + ".json");
  EXPECT_EQ(FormatJson(golden, record::Summarize(golden), c.Exit), json);
}

INSTANTIATE_TEST_SUITE_P(Records, ReadBack,
                         ::testing::Values(Case{"one-run", samples::OneRun, 0},
                                           Case{"comparison", samples::Comparison, 2},
                                           Case{"wrong-busy", samples::WrongOnBusyMachine, 1},
                                           Case{"suite", samples::Suite, 2},
                                           Case{"libraries", samples::Libraries, 1}),
                         [](const ::testing::TestParamInfo<Case>& row) {
                           std::string name = row.param.Name;
                           std::erase(name, '-');
                           return name;
                         });

Json SuiteJson() {
  const record::RunRecord r = samples::Suite();
  return Json::parse(FormatJson(r, record::Summarize(r), 2));
}

TEST(ReadJsonReport, ALaterVersionIsReadForTheKeysItShares) {
  Json json = SuiteJson();
  const std::string version3 = json.dump(2) + "\n";
  json["version"] = 5;
  json["sets"][1]["solvers"][0]["runs"][0]["energy_joules"] = 1.5;
  json["new_section"] = {{"a", 1}};
  const record::RunRecord back = ReadJsonReport(json.dump(), "neu.json");
  EXPECT_EQ(FormatJson(back, record::Summarize(back), 2), version3);
}

// A solver's kind, words, inputs and version come back as they were written.
TEST(ReadJsonReport, ASolversKindCommandAndInputsComeBack) {
  const record::RunRecord suite = AtReportResolution(samples::Suite());
  const record::RunRecord back =
      ReadJsonReport(FormatJson(suite, record::Summarize(suite), 2), "r.json");
  EXPECT_EQ(back.Solvers, suite.Solvers);
  ASSERT_EQ(back.Solvers.at(1).Kind, record::SolverKind::Lines);
  EXPECT_EQ(back.Solvers[1].Command.back(), "zwei Wörter");
  EXPECT_EQ(back.Solvers[1].Inputs.size(), 1u);
}

// A time given with more digits than a report writes is taken at the report's resolution, so the
// figures made from it are those its report shows, and that report reads back as it is (the
// per-puzzle time of a median of 0.1987657 s was 2092.271 µs, and 2092.274 µs read back).
TEST(ReadJsonReport, TimesAreTakenAtTheResolutionTheReportWrites) {
  Json json = SuiteJson();
  Json& runs = json["sets"][0]["solvers"][0]["runs"];
  for (std::size_t i = 0; i < runs.size(); ++i) {
    runs[i]["monotonic_seconds"] = 0.1987657 + 1e-3 * static_cast<double>(i);
    runs[i]["ende_seconds"] = 0.2004;
  }
  const record::RunRecord read = ReadJsonReport(json.dump(), "r.json");
  const std::string written = FormatJson(read, record::Summarize(read), 2);
  const record::RunRecord again = ReadJsonReport(written, "r.json");
  EXPECT_EQ(FormatJson(again, record::Summarize(again), 2), written);
  EXPECT_EQ(again.Measurements, read.Measurements);
  EXPECT_DOUBLE_EQ(read.Measurements.at(0).MonotonicSeconds, 0.198766);
  EXPECT_DOUBLE_EQ(read.Measurements.at(0).EndeSeconds, 0.2);
}

// A report of version 3 had none of them: its solvers were programs run alone, whatever a file
// marked as version 3 might hold beside.
TEST(ReadJsonReport, AVersion3ReportsSolversAreProgramsRunAlone) {
  Json json = SuiteJson();
  json["version"] = 3;
  for (Json& set : json["sets"]) {
    for (Json& solver : set["solvers"]) {
      for (const char* key : {"kind", "command", "inputs", "version_sha256"}) solver.erase(key);
    }
  }
  json["sets"][0]["solvers"][2]["kind"] = "lines";  // not a key of version 3: not read
  const record::RunRecord back = ReadJsonReport(json.dump(), "v3.json");
  EXPECT_EQ(back.Solvers, ProgramsRunAlone(samples::Suite()).Solvers);
  EXPECT_EQ(back.Solvers[0].VersionSha256, back.Solvers[0].ProgramSha256);
  EXPECT_TRUE(back.Solvers[2].VersionSha256.empty());  // kaputt's program has no digest
}

// What version 4 says of a solver is held to what the kit writes.
TEST(ReadJsonReport, ASolversKindOrWordsNotAsWrittenAreRefused) {
  struct Refusal {
    const char* Key;
    Json Value;
    const char* Says;
  };
  for (const Refusal& c :
       {Refusal{"kind", "stapel", "solvers[1].kind“ ist „stapel“ statt"},
        Refusal{"kind", nullptr, "„sets[0].solvers[1].kind“ ist kein Text"},
        Refusal{"command", "a b", "„sets[0].solvers[1].command“ ist keine Liste"},
        Refusal{"command", Json::array({"a", 1}), "command[1]“ ist kein Text"},
        Refusal{"inputs", Json::array({{{"path", "t.bin"}}}),
                "der Schlüssel „sets[0].solvers[1].inputs[0].sha256“ fehlt"}}) {
    SCOPED_TRACE(c.Says);
    Json json = SuiteJson();
    json["sets"][0]["solvers"][1][c.Key] = c.Value;
    try {
      ReadJsonReport(json.dump(), "r.json");
      ADD_FAILURE() << "read";
    } catch (const kit::FileError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Says), std::string::npos) << e.what();
      EXPECT_TRUE(std::string(e.what()).starts_with("r.json ist kein Bericht")) << e.what();
    }
  }
}

// Runs of one solver on one set that Check saw differently: other outcomes, another size of
// OUT.TXT, a wrong answer, and a failed run that left an OUT.TXT behind.
record::RunRecord RunsThatDiffer() {
  record::RunRecord r;
  r.Settings.Folder = "lauf";
  r.Settings.Repeat = 3;
  r.Sets = {{"Build", "", 7, 9, 1555}};
  r.Solvers = {{"A", "a"}, {"B", "b"}};
  record::Measurement failed = samples::Ran(1, 1, 0, 0.5, 0.5, {});
  failed.Verdict = record::Verdict::Failed;
  failed.CheckSeconds.reset();
  failed.OutBytes = 17;
  failed.Failure = "Der Löser B endete in Runde 1 mit dem Status 3.";
  r.Measurements = {samples::Ran(0, 1, 0, 1.5, 1.25, samples::AllCorrect(1, 8, 0)), failed,
                    samples::Ran(0, 2, 0, 1.5, 1.25, samples::AllCorrect(0, 8, 1)),
                    samples::Ran(0, 3, 0, 1.5, 1.25, samples::WrongAnswer(4, "doppelt"))};
  r.Measurements[2].OutBytes = 1561;
  r.Measurements[3].OutBytes = 1400;
  return r;
}

TEST(ReadJsonReport, EveryRunKeepsItsOwnCheckAndOutTxt) {
  const record::RunRecord original = AtReportResolution(RunsThatDiffer());
  const std::string text = FormatJson(original, record::Summarize(original), 1);
  const Json json = Json::parse(text);
  EXPECT_EQ(json["version"], 5);
  const Json& runs = json["sets"][0]["solvers"][0]["runs"];
  EXPECT_EQ(runs[1]["outcomes"], Json({{"no_solution", 0}, {"one", 8}, {"several", 1}}));
  EXPECT_EQ(runs[1]["out_bytes"], 1561);
  EXPECT_EQ(runs[2]["message"], "Lösung für SUDOKU-Nr. 4 ist nicht korrekt.");
  const Json& failed = json["sets"][0]["solvers"][1]["runs"][0];
  EXPECT_EQ(failed["out_bytes"], 17);
  EXPECT_TRUE(failed["message"].is_null());
  EXPECT_TRUE(failed["outcomes"].is_null());
  const record::RunRecord back = ReadJsonReport(text, "r.json");
  EXPECT_EQ(back.Measurements, original.Measurements);

  // Marked as version 2, the same file is read as that version was: the solver's last judged run
  // stands for all of its judged runs, whatever the runs say.
  Json older = json;
  older["version"] = 2;
  const record::RunRecord two = ReadJsonReport(older.dump(), "r.json");
  for (const record::Measurement& run : two.Measurements) {
    if (run.Solver == 1) {
      EXPECT_EQ(run.OutBytes, 0u);  // version 2 kept nothing of a failed run's OUT.TXT
      continue;
    }
    EXPECT_EQ(run.Check.Message, "Lösung für SUDOKU-Nr. 4 ist nicht korrekt.");
    EXPECT_EQ(run.Check.Outcomes, (std::array<std::int64_t, 3>{0, 3, 0}));
    EXPECT_EQ(run.OutBytes, 1400u);
  }
}

// The suite's report as version 2 wrote it, before the runs kept their own Check: it reads, says
// in every report what it said then, and gives each judged run its solver's outcomes, the
// start-up runs' single puzzle too.
TEST(ReadJsonReport, AVersion2ReportStillReads) {
  const std::string text =
      kit::testing::GetFile(std::filesystem::path(KIT_TEST_DATA_DIR) / "suite-version2.json");
  ASSERT_EQ(Json::parse(text)["version"], 2);
  const record::RunRecord back = ReadJsonReport(text, "alt.json");
  const record::RunRecord suite = ProgramsRunAlone(AtReportResolution(samples::Suite()));
  EXPECT_EQ(back.Solvers, suite.Solvers);
  EXPECT_EQ(Order(back), Order(suite));
  const record::Summaries summaries = record::Summarize(back), originals = record::Summarize(suite);
  EXPECT_EQ(FormatReport(back, summaries, ","), FormatReport(suite, originals, ","));
  EXPECT_EQ(FormatCsv(back, summaries), FormatCsv(suite, originals));
  const Json json = Json::parse(text);
  for (const record::Measurement& run : back.Measurements) {
    if (run.Verdict == record::Verdict::Failed) continue;
    const Json& solver = json["sets"][run.Set]["solvers"][run.Solver];
    // Of a solver that failed later, version 2 kept no message at all.
    const Json& verdict = solver["verdict"];
    EXPECT_EQ(run.Check.Message, verdict.is_null() ? "" : verdict.get<std::string>());
    EXPECT_EQ(run.Check.Outcomes[1], solver["outcomes"]["one"]);
    EXPECT_EQ(run.OutBytes, solver["out_bytes"]);
  }
  ASSERT_TRUE(back.Measurements[0].Startup);
  EXPECT_EQ(suite.Measurements[0].Check.Outcomes[1], 1);  // what version 2 could not keep
  EXPECT_EQ(back.Measurements[0].Check.Outcomes[1], 95);
}

// A report of an earlier kit may lack the judging threads and times, or say null: they are read
// as not known, never as 0 or 1 thread, and written back as null.
TEST(ReadJsonReport, AbsentOrNullCheckFieldsAreUnknown) {
  for (const bool absent : {true, false}) {
    SCOPED_TRACE(absent ? "absent" : "null");
    Json json = SuiteJson();
    const auto drop = [absent](Json& object, const char* key) {
      absent ? static_cast<void>(object.erase(key)) : static_cast<void>(object[key] = nullptr);
    };
    drop(json, "check_threads");
    for (Json& run : json["sets"][1]["solvers"][0]["runs"]) drop(run, "check_seconds");
    const record::RunRecord back = ReadJsonReport(json.dump(), "alt.json");
    EXPECT_EQ(back.Settings.CheckThreads, std::nullopt);
    int unknown = 0, known = 0;
    for (const record::Measurement& run : back.Measurements) {
      const bool dropped = run.Set == 1 && run.Solver == 0;
      EXPECT_EQ(run.CheckSeconds.has_value(), !dropped && run.Verdict != record::Verdict::Failed);
      (run.CheckSeconds ? known : unknown) += 1;
    }
    EXPECT_EQ(unknown, 7);  // 6 dropped, 1 failed
    EXPECT_EQ(known, 27);
    const Json again = Json::parse(FormatJson(back, record::Summarize(back), 2));
    EXPECT_TRUE(again["check_threads"].is_null());
    for (const Json& run : again["sets"][1]["solvers"][0]["runs"]) {
      EXPECT_TRUE(run["check_seconds"].is_null());
    }
    EXPECT_EQ(again["sets"][1]["solvers"][1]["runs"][0]["check_seconds"],
              json["sets"][1]["solvers"][1]["runs"][0]["check_seconds"]);
  }
}

// The message names the file and what is wrong; no other error type escapes.
TEST(ReadJsonReport, RefusesWhatIsNoCompleteReport) {
  struct Refusal {
    std::string Text;
    std::string Says;
  };
  const auto changed = [](auto change) {
    Json json = SuiteJson();
    change(json);
    return json.dump();
  };
  const std::vector<Refusal> refusals = {
      {"", "die Datei ist leer"},
      {"\x89PNG\r\n\x1a\n\xff", "kein gültiges JSON (Fehler bei Byte 1)"},
      {std::string(200000, '['), "kein gültiges JSON"},
      {R"({"format": "sudoku-messkit-run", "version": 2,})", "kein gültiges JSON"},
      {"[]", "die Datei enthält kein JSON-Objekt"},
      {changed([](Json& j) { j["format"] = "anderes-format"; }),
       "„format“ ist nicht „sudoku-messkit-run“"},
      {changed([](Json& j) { j.erase("format"); }), "der Schlüssel „format“ fehlt"},
      {changed([](Json& j) { j["version"] = 1; }),
       "ist ein Bericht von Messlauf in Version 1; gelesen werden Version 2 und später."},
      {changed([](Json& j) { j["version"] = "2"; }), "„version“ ist keine ganze Zahl"},
      {changed([](Json& j) { j["sets"][0]["solvers"][1].erase("runs"); }),
       "der Schlüssel „sets[0].solvers[1].runs“ fehlt"},
      {changed([](Json& j) {
         j["context"]["load_average"] = {0.5, 0.5};
       }),
       "„context.load_average“ hat nicht drei Werte"},
      {changed([](Json& j) { j["sets"][1]["count"] = 1106.5; }),
       "„sets[1].count“ ist keine ganze Zahl von 0 bis"},
      {changed([](Json& j) { j["sets"][0]["solvers"][0]["runs"][1]["max_rss_bytes"] = -1; }),
       "„sets[0].solvers[0].runs[1].max_rss_bytes“ ist keine ganze Zahl von 0 bis"},
      {changed([](Json& j) { j["rounds"] = 1000000000000; }), "„rounds“ ist keine ganze Zahl"},
      {changed([](Json& j) { j["sets"][0]["solvers"][2]["runs"][0]["round"] = 4; }),
       "„sets[0].solvers[2].runs[0].round“ ist keine ganze Zahl von 1 bis 3"},
      {changed([](Json& j) { j["sets"][0]["solvers"][0]["runs"][0]["warmup"] = false; }),
       "„sets[0].solvers[0].runs[0].warmup“ passt nicht zu Runde 1 bei 1 Aufwärmrunden"},
      {changed([](Json& j) { j["sets"][0]["solvers"][0]["runs"][2]["verdict"] = "vielleicht"; }),
       "„sets[0].solvers[0].runs[2].verdict“ ist „vielleicht“ statt „correct“, „wrong“ oder "
       "„failed“"},
      {changed([](Json& j) { j["sets"][0]["solvers"][0]["runs"][2]["verdict"] = "wrong"; }),
       "„sets[0].solvers[0].runs[2].wrong_puzzle“ ist keine ganze Zahl von 1 bis"},
      {changed([](Json& j) { j["sets"][1]["solvers"][2]["runs"][3]["user_seconds"] = nullptr; }),
       "„sets[1].solvers[2].runs[3].user_seconds“ ist keine Zahl ab 0"},
      // Beyond the microseconds a 64-bit count holds, written back it came out negative.
      {changed([](Json& j) { j["sets"][0]["solvers"][0]["runs"][1]["monotonic_seconds"] = 1e300; }),
       "„sets[0].solvers[0].runs[1].monotonic_seconds“ ist keine Zeit von 0 bis 1000000000 s"},
      {changed([](Json& j) {
         Json& runs = j["sets"][0]["solvers"][0]["runs"];
         runs.push_back(runs[2]);
       }),
       "„sets[0].solvers[0].runs[6]“ ist ein zweiter Anlauf in Runde 2"},
      {changed([](Json& j) { j["sets"] = Json::array(); }), "„sets“ ist leer"},
      {changed([](Json& j) { j["sets"][0]["solvers"] = Json::array(); }),
       "„sets[0].solvers“ ist leer"},
      {changed([](Json& j) { std::swap(j["sets"][1]["solvers"][0], j["sets"][1]["solvers"][1]); }),
       "„sets[1].solvers[0].name“ ist „langsam“, im ersten Satz an dieser Stelle „flink“"},
      {changed([](Json& j) { j["sets"][1]["solvers"].erase(2); }),
       "„sets[1].solvers“ nennt 2 Löser, der erste Satz 3"},
      {changed([](Json& j) { j["sets"][0]["solvers"][1]["name"] = "flink"; }),
       "„sets[0].solvers[1].name“ steht zweimal in der Liste"},
      // A number no double holds: the parser's own limit, found by the fuzzer.
      {R"({"format": "sudoku-messkit-run", "version": 2, "rounds": 7e4729})",
       "kein gültiges JSON (eine Zahl außerhalb des Bereichs)"},
      {changed([](Json& j) { j["sets"][1]["solvers"][0]["runs"][3].erase("outcomes"); }),
       "der Schlüssel „sets[1].solvers[0].runs[3].outcomes“ fehlt"},
      {changed([](Json& j) { j["sets"][1]["solvers"][0]["runs"][3]["out_bytes"] = nullptr; }),
       "„sets[1].solvers[0].runs[3].out_bytes“ ist keine ganze Zahl von 0 bis"},
  };
  for (const Refusal& r : refusals) {
    try {
      ReadJsonReport(r.Text, "r.json");
      ADD_FAILURE() << "read: " << r.Says;
    } catch (const kit::FileError& e) {
      const std::string message = e.what();
      EXPECT_TRUE(message.starts_with("r.json ist ")) << message;
      EXPECT_NE(message.find(r.Says), std::string::npos) << message;
    } catch (const std::exception& e) {
      ADD_FAILURE() << r.Says << ": " << e.what();
    }
  }
  try {
    ReadJsonReport(refusals[9].Text, "r.json");
  } catch (const kit::FileError& e) {
    EXPECT_STREQ(e.what(),
                 "r.json ist kein Bericht von Messlauf: der Schlüssel „sets[0].solvers[1].runs“ "
                 "fehlt.");
  }
}

}  // namespace
}  // namespace report
