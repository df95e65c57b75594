// The results store on real SQLite files in a temporary folder: what goes in comes back, files
// that are not stores are refused untouched, a failed write leaves nothing, two writers at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <thread>

#include "History.h"
#include "JsonReport.h"
#include "ResultsStore.h"
#include "SampleRecords.h"
#include "Schema.h"
#include "SqlOnFile.h"
#include "TempFolder.h"

namespace store {
namespace {

using kit::testing::GetFile;
using kit::testing::PutFile;
using kit::testing::Sql;
using kit::testing::TempFolder;

// A run of two solvers on two sets over two rounds, one solver wrong on the second set; `seconds`
// sets its times, so that records differ.
record::RunRecord Sample(const std::string& started, double seconds) {
  record::RunRecord r;
  r.Context = report::samples::Machine();
  record::MachineContext& c = r.Context;
  c.GitChanges = true;
  c.StartedUtc = started;
  c.Host = "werkbank";
  c.MachineId = std::string(64, 'a');
  r.Settings.Folder = "lauf";
  r.Settings.Repeat = 2;
  r.Settings.TimeoutSeconds = 30;
  r.Sets = {{"Build", "", 4711, 60, 10378, std::string(64, '1')},
            {"17-clue", "data/17.txt", 0, 300, 24900, std::string(64, '2')}};
  r.Solvers = {{"Quadrin", "bin/Quadrin", std::string(64, 'b')},
               {"Löser „zwei“", "/opt/zwei", std::string(64, 'c')}};
  for (std::size_t set = 0; set < 2; ++set) {
    for (int round = 1; round <= 2; ++round) {
      for (std::size_t solver = 0; solver < 2; ++solver) {
        for (bool startup : {false, true}) {
          record::Measurement run;
          run.Set = set;
          run.Solver = solver;
          run.Round = round;
          run.Startup = startup;
          run.Timed = !(set == 1 && solver == 1 && round == 2);
          run.MonotonicSeconds =
              seconds * (1 + 0.1 * round + 0.5 * static_cast<double>(solver)) / (startup ? 50 : 1);
          run.EndeSeconds = std::round(run.MonotonicSeconds * 1000) / 1000;
          run.UserSeconds = 0.9 * run.MonotonicSeconds;
          run.SystemSeconds = 0.01;
          run.GuardSeconds = 0.0001;
          run.MaxRssBytes = 4 << 20;
          run.OutBytes = startup ? 166 : 16384;
          run.Check = {"Alle Lösungen korrekt", 0, "", {0, startup ? 1 : 60, 0}};
          if (set == 1 && solver == 1 && round == 2) {
            run.Verdict = record::Verdict::Failed;
            run.Failure = "Der Löser Löser „zwei“ ist abgestürzt.";
          }
          r.Measurements.push_back(run);
        }
      }
    }
  }
  return r;
}

std::string Report(const record::RunRecord& r) {
  return report::FormatJson(r, record::Summarize(r), 0);
}

TEST(ResultsStore, KeepsEveryFieldOfARunAndStoresItOnce) {
  TempFolder temp;
  const auto path = temp / "neu" / "results.sqlite";
  const record::RunRecord run = Sample("2026-12-08T01:30:12Z", 1.25);
  {
    ResultsStore writer(path, ResultsStore::Access::Write);
    const Stored first = writer.Add(run);
    EXPECT_TRUE(first.Added);
    const Stored again = writer.Add(run);
    EXPECT_FALSE(again.Added);
    EXPECT_EQ(again.Number, first.Number);
    EXPECT_TRUE(writer.Add(Sample("2026-12-08T01:31:00Z", 1.5)).Added);
  }
  EXPECT_EQ(Sql(path, "PRAGMA integrity_check"), "ok|");
  EXPECT_EQ(Sql(path, "PRAGMA journal_mode"), "wal|");
  EXPECT_EQ(Sql(path, "SELECT count(*) FROM runs; SELECT count(*) FROM machines"), "2|1|");

  const ResultsStore reader(path, ResultsStore::Access::Read);
  const std::vector<record::StoredRun> runs = reader.Load();
  ASSERT_EQ(runs.size(), 2u);
  // The JSON report names every field the reports use: made from the stored run, it is the same.
  EXPECT_EQ(Report(runs[0].Record), Report(run));
  EXPECT_EQ(runs[0].Record.Context.MachineId, run.Context.MachineId);
  EXPECT_EQ(runs[0].Record.Measurements.size(), run.Measurements.size());
  EXPECT_EQ(runs[0].Record.Measurements[3].Check.Outcomes[1], 1);
  EXPECT_EQ(runs[0].Record.Measurements[3].OutBytes, 166u);
  EXPECT_NE(runs[0].Number, runs[1].Number);
}

TEST(ResultsStore, ListsRunsInTheOrderTheyBeganAndFiltersLines) {
  TempFolder temp;
  const auto path = temp / "s.sqlite";
  {
    ResultsStore writer(path, ResultsStore::Access::Write);
    writer.Add(Sample("2026-12-09T08:00:00Z", 2.0));
    writer.Add(Sample("2026-12-01T08:00:00Z", 1.0));
  }
  const std::vector<record::StoredRun> runs = ResultsStore(path, ResultsStore::Access::Read).Load();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].Record.Context.StartedUtc, "2026-12-01T08:00:00Z");
  EXPECT_GT(runs[0].Number, runs[1].Number);  // stored later, began earlier

  const std::vector<record::HistoryLine> lines = record::HistoryLinesOf(runs);
  ASSERT_EQ(lines.size(), 8u);  // two runs, two sets, two solvers
  int taken = 0;
  for (const auto& line : lines) taken += Takes({"Quadrin", "17-clue", "werkbank"}, line);
  EXPECT_EQ(taken, 2);
  taken = 0;
  for (const auto& line : lines) taken += Takes({"", "", "aaaaaaaa"}, line);  // the identity
  EXPECT_EQ(taken, 8);
  for (const auto& line : lines) EXPECT_FALSE(Takes({"", "", "anderer"}, line));
}

// Each file is refused with its name in the message and stays byte for byte as it was.
TEST(ResultsStore, RefusesWhatIsNoStoreAndLeavesItAlone) {
  TempFolder temp;
  const auto real = temp / "real.sqlite";
  { ResultsStore(real, ResultsStore::Access::Write).Add(Sample("2026-12-08T01:30:12Z", 1)); }
  Sql(real, "PRAGMA wal_checkpoint(TRUNCATE)");
  const std::string whole = GetFile(real);

  const auto garbage = temp / "garbage.sqlite";
  std::string noise;
  for (int i = 0; i < 8192; ++i) noise += static_cast<char>((i * 7919) % 251);
  PutFile(garbage, noise);
  const auto cut = temp / "cut.sqlite";
  PutFile(cut, whole.substr(0, whole.size() / 2));
  const auto odd = temp / "odd.sqlite";
  PutFile(odd, whole.substr(0, whole.size() - 100));
  const auto foreign = temp / "foreign.sqlite";
  Sql(foreign, "CREATE TABLE t (x); INSERT INTO t VALUES (1)");
  const auto newer = temp / "newer.sqlite";
  PutFile(newer, whole);
  Sql(newer, "PRAGMA user_version = 99");
  const auto text = temp / "text.sqlite";
  PutFile(text, "results\n");

  for (const auto& path : {garbage, cut, odd, foreign, newer, text}) {
    SCOPED_TRACE(path.filename().string());
    const std::string before = GetFile(path);
    for (auto access : {ResultsStore::Access::Write, ResultsStore::Access::Read}) {
      try {
        ResultsStore store(path, access);
        ADD_FAILURE() << "accepted";
      } catch (const kit::FileError& e) {
        EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("unverändert"), std::string::npos) << e.what();
      }
    }
    EXPECT_EQ(GetFile(path), before);
  }
  try {
    ResultsStore store(newer, ResultsStore::Access::Write);
  } catch (const kit::FileError& e) {
    EXPECT_NE(std::string(e.what()).find("neueren Version"), std::string::npos) << e.what();
  }
  // An empty file is a store not yet begun; reading a missing one is an error.
  PutFile(temp / "empty.sqlite", "");
  EXPECT_TRUE(ResultsStore(temp / "empty.sqlite", ResultsStore::Access::Write)
                  .Add(Sample("2026-12-08T01:30:12Z", 1))
                  .Added);
  EXPECT_THROW(ResultsStore(temp / "fehlt.sqlite", ResultsStore::Access::Read), kit::FileError);
  EXPECT_FALSE(std::filesystem::exists(temp / "fehlt.sqlite"));
}

TEST(ResultsStore, AFailedWriteLeavesNothingOfTheRun) {
  TempFolder temp;
  const auto path = temp / "s.sqlite";
  ResultsStore store(path, ResultsStore::Access::Write);
  store.Add(Sample("2026-12-08T01:00:00Z", 1));
  // The last rows of a run fail, after its machine, run, sets and solvers went in.
  Sql(path,
      "CREATE TRIGGER refuse BEFORE INSERT ON measurements WHEN NEW.position = 15 "
      "BEGIN SELECT RAISE(ABORT, 'eingeschleuster Fehler'); END");
  record::RunRecord other = Sample("2026-12-08T02:00:00Z", 3);
  other.Context.Host = "anderer";
  try {
    store.Add(other);
    ADD_FAILURE() << "stored";
  } catch (const kit::FileError& e) {
    EXPECT_NE(std::string(e.what()).find("eingeschleuster Fehler"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos);
  }
  EXPECT_EQ(Sql(path,
                "SELECT count(*) FROM runs; SELECT count(*) FROM machines; SELECT count(*) FROM "
                "sets; SELECT count(*) FROM measurements"),
            "1|1|2|16|");
  Sql(path, "DROP TRIGGER refuse");
  // An interrupted run, whose figures rest on fewer rounds than asked for, is never stored.
  record::RunRecord interrupted = other;
  interrupted.Interruption = record::Interruption{2, 0, 1, {}};
  EXPECT_THROW(store.Add(interrupted), kit::FileError);
  EXPECT_TRUE(store.Add(other).Added);  // the store is still usable
  EXPECT_EQ(store.Load().size(), 2u);
}

TEST(ResultsStore, TwoWritersAtOnceBothStoreEverything) {
  TempFolder temp;
  const auto path = temp / "s.sqlite";
  constexpr int Each = 25;
  auto write = [&path](int writer) {
    try {
      ResultsStore store(path, ResultsStore::Access::Write);  // both may create the file
      for (int i = 0; i < Each; ++i) {
        store.Add(Sample("2026-12-08T01:00:00Z", writer * 100 + i + 1));
      }
    } catch (const kit::FileError& e) {
      ADD_FAILURE() << e.what();
    }
  };
  std::thread first(write, 0), second(write, 1);
  first.join();
  second.join();
  EXPECT_EQ(ResultsStore(path, ResultsStore::Access::Read).Load().size(), 2u * Each);
  EXPECT_EQ(Sql(path, "PRAGMA integrity_check"), "ok|");
}

TEST(ResultsStore, DefaultPlaceFollowsTheDataFolder) {
  const char* data = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  const std::string savedData = data ? data : "", savedHome = home ? home : "";
  ::setenv("XDG_DATA_HOME", "/daten", 1);
  ::setenv("HOME", "/heim/ich", 1);
  EXPECT_EQ(DefaultStorePath(), "/daten/sudoku-messkit/results.sqlite");
  ::setenv("XDG_DATA_HOME", "relativ", 1);  // to be ignored
  EXPECT_EQ(DefaultStorePath(), "/heim/ich/.local/share/sudoku-messkit/results.sqlite");
  ::unsetenv("XDG_DATA_HOME");
  ::unsetenv("HOME");
  EXPECT_THROW(DefaultStorePath(), kit::FileError);
  data ? ::setenv("XDG_DATA_HOME", savedData.c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
  home ? ::setenv("HOME", savedHome.c_str(), 1) : ::unsetenv("HOME");
}

}  // namespace
}  // namespace store

namespace store {
namespace {

TEST(History, ListsEachSolverAndSetOfARunWithItsMedianAndVerdict) {
  record::StoredRun stored{7, Sample("2026-12-08T01:30:12Z", 1.25)};
  stored.Record.Context.Host.clear();  // then the machine's identity stands for it
  stored.Record.Settings.SaveBaseline = "v2";
  record::Comparison slower;
  slower.Change = record::Change::Slower;
  stored.Comparisons = {{0, 1, true, 3, slower}, {0, 1, false, 0, {}}};
  const std::string text = report::FormatHistory(record::HistoryLinesOf(stored), ",");
  EXPECT_EQ(text,
            "Nr.  Beginn (UTC)      Rechner   Kit          Löser                    Satz      "
            "Median  µs/Rätsel netto  Urteil       Gegen die Basis\n"
            "  7  2026-12-08 01:30  aaaaaaaa  03967ddaaf+  Quadrin (bbbbbbbb)       Build    "
            "1,438 s            23877  korrekt      Basis „v2“\n"
            "  7  2026-12-08 01:30  aaaaaaaa  03967ddaaf+  Löser „zwei“ (cccccccc)  Build    "
            "2,062 s            34258  korrekt      langsamer (Lauf 3); Basis „v2“\n"
            "  7  2026-12-08 01:30  aaaaaaaa  03967ddaaf+  Quadrin (bbbbbbbb)       17-clue  "
            "1,438 s             4712  korrekt      Basis „v2“\n"
            "  7  2026-12-08 01:30  aaaaaaaa  03967ddaaf+  Löser „zwei“ (cccccccc)  17-clue  "
            "2,000 s                –  gescheitert  Basis „v2“\n");
  EXPECT_EQ(report::FormatHistory({}, ","), "Keine gespeicherten Läufe.\n");
}

// The judging time of a line: the median over its judged timed runs on the whole set (no start-up
// or warm-up run), not known when one of them does not know it. The table stays without it.
TEST(History, TheJsonNamesTheJudgingThreadsAndTheMedianJudgingTime) {
  record::StoredRun stored{7, Sample("2026-12-08T01:30:12Z", 1.25)};
  stored.Record.Settings.CheckThreads = 3;
  for (record::Measurement& m : stored.Record.Measurements) {
    m.CheckSeconds = m.Startup ? 9 : 0.01 * m.Round + 0.1 * static_cast<double>(m.Solver);
    if (m.Set == 0 && m.Solver == 0 && m.Round == 1 && !m.Startup) {
      m.Warmup = true;
      m.CheckSeconds = 5;
    }
    if (m.Set == 1 && m.Solver == 0 && m.Round == 2 && !m.Startup) m.CheckSeconds.reset();
  }
  const std::vector<record::HistoryLine> lines = record::HistoryLinesOf(stored);
  const nlohmann::json json = nlohmann::json::parse(report::FormatHistoryJson(lines));
  ASSERT_EQ(json.size(), 4u);
  EXPECT_EQ(json[0]["check_threads"], 3);
  EXPECT_EQ(json[0]["check_seconds"], 0.02);  // round 2 alone: round 1 was a warm-up
  EXPECT_EQ(json[1]["check_seconds"], 0.115);
  EXPECT_TRUE(json[2]["check_seconds"].is_null());
  EXPECT_EQ(json[3]["check_seconds"], 0.11);  // round 2 failed
  record::StoredRun unknown = stored;
  unknown.Record.Settings.CheckThreads.reset();
  for (record::Measurement& m : unknown.Record.Measurements) m.CheckSeconds.reset();
  const std::vector<record::HistoryLine> old = record::HistoryLinesOf(unknown);
  EXPECT_TRUE(nlohmann::json::parse(report::FormatHistoryJson(old))[0]["check_threads"].is_null());
  EXPECT_EQ(report::FormatHistory(lines, ","), report::FormatHistory(old, ","));
}

}  // namespace
}  // namespace store

namespace store {
namespace {

// A run of one solver on one set in `rounds` rounds, about `seconds` each, without start-up runs.
record::RunRecord Rounds(const std::string& started, double seconds, int rounds) {
  record::RunRecord r = Sample(started, 1);
  r.Sets.resize(1);
  r.Solvers.resize(1);
  r.Settings.Repeat = rounds;
  r.Measurements.clear();
  for (int round = 1; round <= rounds; ++round) {
    record::Measurement run;
    run.Round = round;
    run.Timed = true;
    run.MonotonicSeconds = seconds * (1 + 0.001 * round);
    run.Check = {"Alle Lösungen korrekt", 0, "", {0, 60, 0}};
    r.Measurements.push_back(run);
  }
  return r;
}

TEST(Baselines, FindsTheRunANameOrNumberOrLatestMeans) {
  TempFolder temp;
  const auto path = temp / "s.sqlite";
  ResultsStore store(path, ResultsStore::Access::Write);
  record::RunRecord named = Rounds("2026-12-01T10:00:00Z", 1.0, 5);
  named.Settings.SaveBaseline = "v1";
  const std::int64_t first = store.Add(named).Number;
  record::RunRecord renamed = Rounds("2026-12-02T10:00:00Z", 1.1, 5);
  renamed.Settings.SaveBaseline = "v1";  // a name given again means its latest run
  const std::int64_t second = store.Add(renamed).Number;
  record::RunRecord elsewhere = Rounds("2026-12-03T10:00:00Z", 2.0, 5);
  elsewhere.Context.Host = "anderswo";
  elsewhere.Context.MachineId = std::string(64, 'f');
  store.Add(elsewhere);

  EXPECT_EQ(store.FindRun("v1"), second);
  EXPECT_EQ(store.FindRun(std::to_string(first)), first);
  for (const char* missing : {"v9", "999", "99999999999999999999"}) {
    try {
      store.FindRun(missing);
      ADD_FAILURE() << missing;
    } catch (const kit::FileError& e) {
      EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
    }
  }

  record::RunRecord now = Rounds("2026-12-08T10:00:00Z", 1.3, 7);
  now.Context.Kernel = "Linux 6.12";
  // latest: the last run on this machine with this solver and these puzzles.
  record::Baseline latest = store.FindBaseline("latest", now);
  ASSERT_EQ(latest.Cells.size(), 1u);
  EXPECT_EQ(latest.Cells[0].Run, second);
  EXPECT_EQ(latest.Cells[0].Name, "v1");
  EXPECT_EQ(latest.Cells[0].MonotonicSeconds.size(), 5u);
  ASSERT_EQ(latest.Warnings.size(), 1u);
  EXPECT_NE(latest.Warnings[0].find("Kernel"), std::string::npos) << latest.Warnings[0];
  EXPECT_EQ(store.FindBaseline(std::to_string(first), now).Cells.at(0).Run, first);
  // Other puzzles, or another solver's name: nothing to compare with.
  now.Sets[0].InSha256 = std::string(64, '9');
  EXPECT_TRUE(store.FindBaseline("latest", now).Cells.empty());
  now = Rounds("2026-12-08T10:00:00Z", 1.3, 7);
  now.Solvers[0].Name = "anders";
  EXPECT_TRUE(store.FindBaseline("v1", now).Cells.empty());

  // What the comparison said is stored with the run and read back with it.
  now = Rounds("2026-12-08T10:00:00Z", 1.3, 7);
  now.Baseline = store.FindBaseline("latest", now);
  const std::int64_t compared = store.Add(now).Number;
  const auto runs = store.Load();
  const auto stored = std::find_if(runs.begin(), runs.end(),
                                   [&](const auto& run) { return run.Number == compared; });
  ASSERT_NE(stored, runs.end());
  ASSERT_EQ(stored->Comparisons.size(), 1u);
  EXPECT_TRUE(stored->Comparisons[0].AgainstBaseline);
  EXPECT_EQ(stored->Comparisons[0].Other, second);
  EXPECT_EQ(stored->Comparisons[0].Result.Change, record::Change::Slower);
  EXPECT_NEAR(stored->Comparisons[0].Result.Ratio.Ratio, 1.3 / 1.1, 0.01);
}

// Each cell of a run finds its solver (by name) and set (by digest) in the stored run, whatever
// their order there; a solver that failed there has no cell.
TEST(Baselines, EveryCellFindsItsSolverAndSetInTheStoredRun) {
  TempFolder temp;
  ResultsStore store(temp / "s.sqlite", ResultsStore::Access::Write);
  const record::RunRecord then = Sample("2026-12-01T10:00:00Z", 1.0);
  const std::int64_t number = store.Add(then).Number;
  store.Add(Sample("2026-12-02T10:00:00Z", 3.0));  // later, but not the one named
  record::RunRecord now = Sample("2026-12-08T10:00:00Z", 2.0);
  std::swap(now.Sets[0], now.Sets[1]);
  const record::Baseline baseline = store.FindBaseline(std::to_string(number), now);
  const record::Summaries summaries = record::Summarize(then, record::Detail::WithoutComparisons);
  const auto times = [&](std::size_t set, std::size_t solver) {
    return summaries.Sets[set].Solvers[solver].MonotonicTimes;
  };
  EXPECT_EQ(baseline.Cells, (std::vector<record::BaselineCell>{{0, 0, number, "", times(1, 0)},
                                                               {1, 0, number, "", times(0, 0)},
                                                               {1, 1, number, "", times(0, 1)}}));
  EXPECT_EQ(baseline.Cells[0].MonotonicSeconds.size(), 2u);
  EXPECT_TRUE(baseline.Warnings.empty());
  EXPECT_EQ(baseline.Reference, std::to_string(number));
}

// Each solver and set with nothing to compare says why, from what the stored run holds: no solver
// of that name, other puzzles, the solver wrong, failed or never timed there; with latest, no
// earlier run at all.
TEST(Baselines, EachSolverAndSetWithoutAComparisonSaysWhy) {
  TempFolder temp;
  ResultsStore store(temp / "s.sqlite", ResultsStore::Access::Write);
  record::RunRecord then = Sample("2026-12-01T10:00:00Z", 1.0);
  then.Settings.SaveBaseline = "v1";
  // On 17-clue Quadrin answers wrongly and „zwei“ fails (as Sample has it); on Build „zwei“ ran
  // in warm-up rounds alone.
  for (record::Measurement& m : then.Measurements) {
    if (m.Set == 1 && m.Solver == 0 && m.Round == 2 && !m.Startup) {
      m.Verdict = record::Verdict::Wrong;
      m.Check = {"Lösung für SUDOKU-Nr. 3 ist nicht korrekt.", 3, "Zeile 3 doppelt", {0, 60, 0}};
    }
    if (m.Set == 0 && m.Solver == 1) m.Warmup = true;
  }
  const std::int64_t number = store.Add(then).Number;
  record::RunRecord now = Sample("2026-12-08T10:00:00Z", 2.0);
  now.Solvers.push_back({"neu", "/opt/neu", std::string(64, 'd')});
  now.Sets.push_back({"anders", "data/anders.txt", 0, 300, 24900, std::string(64, '3')});

  using enum record::NoComparison;
  using Cells = std::vector<record::UncomparedCell>;
  const record::Baseline named = store.FindBaseline("v1", now);
  ASSERT_EQ(named.Cells.size(), 1u);
  EXPECT_EQ(named.Cells[0].Solver, 0u);  // Quadrin on Build alone
  EXPECT_EQ(named.Uncompared, (Cells{{0, 1, NotTimed, number, "v1"},
                                     {0, 2, NoSolver, number, "v1"},
                                     {1, 0, Wrong, number, "v1"},
                                     {1, 1, Failed, number, "v1"},
                                     {1, 2, NoSolver, number, "v1"},
                                     {2, 0, OtherPuzzles, number, "v1"},
                                     {2, 1, OtherPuzzles, number, "v1"},
                                     {2, 2, NoSolver, number, "v1"}}));
  // latest looks for each solver on each set on its own: a new one, or new puzzles, have none.
  const record::Baseline latest = store.FindBaseline("latest", now);
  EXPECT_EQ(latest.Cells, named.Cells);
  EXPECT_EQ(latest.Uncompared, (Cells{{0, 1, NotTimed, number, "v1"},
                                      {0, 2, NoEarlierRun},
                                      {1, 0, Wrong, number, "v1"},
                                      {1, 1, Failed, number, "v1"},
                                      {1, 2, NoEarlierRun},
                                      {2, 0, NoEarlierRun},
                                      {2, 1, NoEarlierRun},
                                      {2, 2, NoEarlierRun}}));
}

// The puzzles a baseline lends a run: the generated set of the run it names, or for latest that of
// the latest run of this machine that had one.
TEST(Baselines, ThePuzzlesOfABaselineAreItsGeneratedSet) {
  TempFolder temp;
  ResultsStore store(temp / "s.sqlite", ResultsStore::Access::Write);
  record::RunRecord generated = Sample("2026-12-01T10:00:00Z", 1.0);  // Build: 4711, 60 puzzles
  generated.Settings.SaveBaseline = "v1";
  const std::int64_t first = store.Add(generated).Number;
  record::RunRecord collections = Sample("2026-12-02T10:00:00Z", 1.0);
  collections.Sets[0].Collection = "data/build.txt";
  collections.Settings.SaveBaseline = "sammlungen";
  const std::int64_t second = store.Add(collections).Number;
  record::RunRecord elsewhere = Sample("2026-12-03T10:00:00Z", 1.0);
  elsewhere.Context.MachineId = std::string(64, 'f');
  elsewhere.Sets[0].Seed = 99;
  const std::int64_t third = store.Add(elsewhere).Number;

  const record::MachineContext& here = generated.Context;
  const record::PuzzlesFrom fromFirst{first, 4711, 60};
  EXPECT_EQ(store.FindBaselinePuzzles("v1", here), fromFirst);
  EXPECT_EQ(store.FindBaselinePuzzles(std::to_string(first), elsewhere.Context), fromFirst);
  EXPECT_EQ(store.FindBaselinePuzzles("sammlungen", here), std::nullopt);
  EXPECT_EQ(store.FindBaselinePuzzles(std::to_string(second), here), std::nullopt);
  // latest: past the later run of collections alone, and never another machine's.
  EXPECT_EQ(store.FindBaselinePuzzles("latest", here), fromFirst);
  EXPECT_EQ(store.FindBaselinePuzzles("latest", elsewhere.Context),
            (record::PuzzlesFrom{third, 99, 60}));
  record::MachineContext unknown = here;
  unknown.Host = "neu";
  EXPECT_EQ(store.FindBaselinePuzzles("latest", unknown), std::nullopt);
  EXPECT_THROW(store.FindBaselinePuzzles("v9", here), kit::FileError);
}

// A store of the first layout: read as it is, brought up to date by the first run stored.
TEST(Baselines, AStoreOfTheFirstLayoutIsReadAndUpgraded) {
  TempFolder temp;
  const auto path = temp / "alt.sqlite";
  { ResultsStore(path, ResultsStore::Access::Write).Add(Rounds("2026-12-01T10:00:00Z", 1, 5)); }
  EXPECT_EQ(Sql(path,
                "DROP TABLE comparisons; DROP INDEX runs_by_baseline; ALTER TABLE runs DROP "
                "COLUMN baseline_name; ALTER TABLE runs DROP COLUMN noise_percent; ALTER TABLE "
                "runs DROP COLUMN check_threads; ALTER TABLE measurements DROP COLUMN "
                "check_seconds; ALTER TABLE sets DROP COLUMN requested_count; ALTER TABLE solvers "
                "DROP COLUMN kind; ALTER TABLE solvers DROP COLUMN command; ALTER TABLE solvers "
                "DROP COLUMN inputs; ALTER TABLE solvers DROP COLUMN version_sha256; ALTER TABLE "
                "solvers DROP COLUMN library; ALTER TABLE solvers DROP COLUMN function; ALTER "
                "TABLE solvers DROP COLUMN configuration; ALTER TABLE solvers DROP COLUMN "
                "library_sha256; DROP TABLE slow_puzzles; DROP TABLE puzzle_time_bins; ALTER "
                "TABLE measurements DROP COLUMN solutions_given; ALTER TABLE measurements DROP "
                "COLUMN guesses; ALTER TABLE measurements DROP COLUMN without_guess; ALTER TABLE "
                "measurements DROP COLUMN p50_us; ALTER TABLE measurements DROP COLUMN p90_us; "
                "ALTER TABLE measurements DROP COLUMN p99_us; ALTER TABLE measurements DROP "
                "COLUMN max_us; ALTER TABLE measurements DROP COLUMN histogram_bins; PRAGMA "
                "user_version = 1"),
            "");
  EXPECT_EQ(ResultsStore(path, ResultsStore::Access::Read).Load().size(), 1u);
  EXPECT_EQ(Sql(path, "PRAGMA user_version"), "1|");  // reading changes nothing
  record::RunRecord named = Rounds("2026-12-02T10:00:00Z", 1, 5);
  named.Settings.SaveBaseline = "v1";
  ResultsStore store(path, ResultsStore::Access::Write);
  store.Add(named);
  EXPECT_EQ(Sql(path, "PRAGMA user_version; PRAGMA integrity_check"),
            std::to_string(SchemaVersion) + "|ok|");
  EXPECT_EQ(store.FindRun("v1"), 2);
}

}  // namespace
}  // namespace store
