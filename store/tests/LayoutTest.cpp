// The store's layout on real files: the column lists are the schema's columns, a store the kit
// wrote before schema 3, 4 or 5 is read as it is and upgraded by the first run stored, and names
// the kit does not know are refused with the store left as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <nlohmann/json.hpp>

#include "History.h"
#include "ResultsStore.h"
#include "SampleRecords.h"
#include "Schema.h"
#include "SqlOnFile.h"
#include "TempFolder.h"

namespace store {
namespace {

using kit::testing::GetFile;
using kit::testing::Sql;
using kit::testing::TempFolder;

constexpr const Table* Tables[] = {&Machines,     &Runs,        &Sets,        &Solvers,
                                   &Measurements, &Comparisons, &SlowPuzzles, &PuzzleBins};

// The columns of a table in the file, in their order, but for those the store fills itself.
std::string ColumnsInFile(const std::filesystem::path& path, const Table& table) {
  return Sql(path, "SELECT name FROM pragma_table_info('" + std::string(table.Name) +
                       "') WHERE name NOT IN ('id', 'stored_utc')");
}

std::string ColumnsInList(const Table& table) {
  std::string names;
  for (const Column& column : table.Columns) names += std::string(column.Name) + "|";
  return names;
}

// A store the kit wrote before this layout, copied to `temp`.
std::filesystem::path CopyOf(const TempFolder& temp, const std::string& name) {
  const auto path = temp / name;
  std::filesystem::copy_file(std::filesystem::path(KIT_STORE_DATA_DIR) / name, path);
  return path;
}

// schema2.sqlite: three runs, the second of two solvers on five collections, the third compared
// with the first.
std::filesystem::path CopyOfSchema2(const TempFolder& temp) {
  return CopyOf(temp, "schema2.sqlite");
}

// schema3.sqlite: two runs of 300 generated puzzles, five rounds and (the first) a warm-up round;
// the first of two solvers Q and Q2 saved as "v3", the second of Q alone compared with it.
std::filesystem::path CopyOfSchema3(const TempFolder& temp) {
  return CopyOf(temp, "schema3.sqlite");
}

// A store of schema 4, as the kit wrote it before it knew libraries: schema3.sqlite taken on by
// that layout's upgrade as it was released, its first run's second solver then stored as a line
// solver run with a script would have been.
std::filesystem::path Schema4Store(const TempFolder& temp) {
  const auto path = temp / "schema4.sqlite";
  std::filesystem::copy_file(std::filesystem::path(KIT_STORE_DATA_DIR) / "schema3.sqlite", path);
  const std::string done = Sql(path, R"sql(
BEGIN;
ALTER TABLE solvers ADD COLUMN kind TEXT NOT NULL DEFAULT 'program'
  CHECK (kind IN ('program', 'lines'));
ALTER TABLE solvers ADD COLUMN command TEXT;
ALTER TABLE solvers ADD COLUMN inputs TEXT;
ALTER TABLE solvers ADD COLUMN version_sha256 TEXT;
UPDATE solvers SET kind = 'lines', command = '["/usr/bin/python3", "/opt/q2.py"]',
  inputs = '[{"path": "/opt/q2.py", "sha256": "cccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccc"}]',
  version_sha256 = 'dddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddd'
  WHERE run = 1 AND position = 1;
PRAGMA user_version = 4;
COMMIT;
PRAGMA user_version;
)sql");
  EXPECT_EQ(done, "4|");
  return path;
}

// A run of this kit, its last solver a line solver run with a script.
record::RunRecord NewRun() {
  record::RunRecord run = report::samples::Suite();
  run.Context.StartedUtc = "2026-12-10T08:00:00Z";
  run.Settings.CheckThreads = 2;
  record::Solver& lines = run.Solvers.back();
  lines.Kind = record::SolverKind::Lines;
  lines.Command = {"/usr/bin/python3", "/opt/zeilen.py", "--schnell"};
  lines.Inputs = {{"/opt/zeilen.py", std::string(64, 'c')}};
  lines.VersionSha256 = std::string(64, 'd');
  return run;
}

// What a solver stored before schema 4 reads as: a program run alone, its version the program's.
void ExpectProgramRunAlone(const record::StoredRun& run) {
  for (const record::Solver& solver : run.Record.Solvers) {
    SCOPED_TRACE(solver.Name);
    EXPECT_EQ(solver.Kind, record::SolverKind::Program);
    EXPECT_TRUE(solver.Command.empty());
    EXPECT_TRUE(solver.Inputs.empty());
    EXPECT_EQ(solver.ProgramSha256.size(), 64u);
    EXPECT_EQ(solver.VersionSha256, solver.ProgramSha256);
  }
}

TEST(Layout, EachTablesColumnListIsItsColumnsInTheFileInOrder) {
  TempFolder temp;
  const auto fresh = temp / "neu.sqlite";
  ResultsStore(fresh, ResultsStore::Access::Write).Add(NewRun());
  const auto upgraded = CopyOfSchema2(temp);
  ResultsStore(upgraded, ResultsStore::Access::Write).Add(NewRun());
  const auto upgraded3 = CopyOfSchema3(temp);
  ResultsStore(upgraded3, ResultsStore::Access::Write).Add(NewRun());
  const auto upgraded4 = Schema4Store(temp);
  ResultsStore(upgraded4, ResultsStore::Access::Write).Add(NewRun());
  for (const Table* table : Tables) {
    SCOPED_TRACE(table->Name);
    EXPECT_EQ(ColumnsInFile(fresh, *table), ColumnsInList(*table));
    EXPECT_EQ(ColumnsInFile(upgraded, *table), ColumnsInList(*table));
    EXPECT_EQ(ColumnsInFile(upgraded3, *table), ColumnsInList(*table));
    EXPECT_EQ(ColumnsInFile(upgraded4, *table), ColumnsInList(*table));
  }
  // An upgraded store has the very schema a new one has, down to the text of each table.
  const std::string schema = "SELECT type, name, sql FROM sqlite_schema ORDER BY name";
  EXPECT_EQ(Sql(upgraded, schema), Sql(fresh, schema));
  EXPECT_EQ(Sql(upgraded3, schema), Sql(fresh, schema));
  EXPECT_EQ(Sql(upgraded4, schema), Sql(fresh, schema));
  for (const auto& path : {upgraded, upgraded3, upgraded4}) {
    EXPECT_EQ(Sql(path, "PRAGMA user_version; PRAGMA integrity_check"),
              std::to_string(SchemaVersion) + "|ok|");
  }
}

TEST(Layout, AStoreOfSchema2IsReadAsItIsAndUpgradedByTheFirstRunStored) {
  TempFolder temp;
  const auto path = CopyOfSchema2(temp);
  const std::vector<record::StoredRun> old = ResultsStore(path, ResultsStore::Access::Read).Load();
  ASSERT_EQ(old.size(), 3u);
  std::size_t measurements = 0;
  for (const record::StoredRun& run : old) {
    EXPECT_EQ(run.Record.Settings.CheckThreads, std::nullopt) << run.Number;
    ExpectProgramRunAlone(run);
    for (const record::Measurement& m : run.Record.Measurements) {
      EXPECT_EQ(m.CheckSeconds, std::nullopt);
      ++measurements;
    }
  }
  EXPECT_EQ(measurements, 120u);
  EXPECT_EQ(old[2].Comparisons.at(0).Result.Change, record::Change::NoDifference);
  const std::vector<record::HistoryLine> lines = record::HistoryLinesOf(old);
  ASSERT_EQ(lines.size(), 12u);
  const nlohmann::json history = nlohmann::json::parse(report::FormatHistoryJson(lines));
  for (const nlohmann::json& line : history) {
    EXPECT_TRUE(line["check_threads"].is_null()) << line;
    EXPECT_TRUE(line["check_seconds"].is_null()) << line;
    EXPECT_FALSE(line["median_seconds"].is_null()) << line;
  }

  ResultsStore store(path, ResultsStore::Access::Write);
  EXPECT_EQ(Sql(path, "PRAGMA user_version"), "2|");  // opening to write changes nothing yet
  const Stored added = store.Add(NewRun());
  EXPECT_EQ(Sql(path, "PRAGMA user_version"), std::to_string(SchemaVersion) + "|");
  const std::vector<record::StoredRun> now = store.Load();
  ASSERT_EQ(now.size(), 4u);
  for (std::size_t i = 0; i < old.size(); ++i) EXPECT_TRUE(now[i] == old[i]) << now[i].Number;
  EXPECT_EQ(now[3].Number, added.Number);
  EXPECT_EQ(now[3].Record.Settings.CheckThreads, 2);
  EXPECT_EQ(now[3].Record.Measurements, NewRun().Measurements);
  EXPECT_EQ(now[3].Record.Solvers, NewRun().Solvers);
  EXPECT_EQ(record::HistoryLinesOf(now).size(), 12u + 6);
}

TEST(Layout, AStoreOfSchema3IsReadAsItIsAndUpgradedByTheFirstRunStored) {
  TempFolder temp;
  const auto path = CopyOfSchema3(temp);
  const std::string before = GetFile(path);
  const std::vector<record::StoredRun> old = ResultsStore(path, ResultsStore::Access::Read).Load();
  ASSERT_EQ(old.size(), 2u);
  for (const record::StoredRun& run : old) {
    SCOPED_TRACE(run.Number);
    EXPECT_EQ(run.Record.Settings.CheckThreads, 2);
    ExpectProgramRunAlone(run);
    for (const record::Measurement& m : run.Record.Measurements) {
      EXPECT_TRUE(m.CheckSeconds.has_value());
    }
  }
  EXPECT_EQ(old[0].Record.Settings.SaveBaseline, "v3");
  ASSERT_EQ(old[0].Record.Solvers.size(), 2u);
  EXPECT_EQ(old[0].Record.Solvers[1].Name, "Q2");
  // The program's path as the old store holds it, from the machine it was written on.
  const std::filesystem::path program = old[0].Record.Solvers[1].Program;
  EXPECT_TRUE(program.is_absolute()) << program;
  EXPECT_EQ(program.parent_path().filename(), "bin");
  EXPECT_EQ(program.filename(), "Quadrin");
  EXPECT_EQ(old[0].Record.Measurements.size(), 24u);
  EXPECT_EQ(old[1].Record.Measurements.size(), 10u);
  ASSERT_EQ(old[1].Comparisons.size(), 1u);
  EXPECT_TRUE(old[1].Comparisons[0].AgainstBaseline);
  // The history's version of an old solver is its program's digest.
  const std::vector<record::HistoryLine> lines = record::HistoryLinesOf(old);
  ASSERT_EQ(lines.size(), 3u);
  const nlohmann::json history = nlohmann::json::parse(report::FormatHistoryJson(lines));
  for (const nlohmann::json& line : history) {
    EXPECT_EQ(line["version_sha256"], line["program_sha256"]) << line;
    EXPECT_EQ(line["check_threads"], 2) << line;
  }
  EXPECT_EQ(GetFile(path), before);  // reading changed nothing

  ResultsStore store(path, ResultsStore::Access::Write);
  EXPECT_EQ(Sql(path, "PRAGMA user_version"), "3|");  // opening to write changes nothing yet
  const Stored added = store.Add(NewRun());
  EXPECT_TRUE(added.Added);
  EXPECT_EQ(Sql(path, "PRAGMA user_version"), std::to_string(SchemaVersion) + "|");
  // The rows of before have the default kind and no words, inputs or version of their own.
  EXPECT_EQ(Sql(path,
                "SELECT kind, command IS NULL, inputs IS NULL, version_sha256 IS NULL FROM "
                "solvers WHERE run < 3 ORDER BY run, position"),
            "program|1|1|1|program|1|1|1|program|1|1|1|");
  const std::vector<record::StoredRun> now = store.Load();
  ASSERT_EQ(now.size(), 3u);
  for (std::size_t i = 0; i < old.size(); ++i) EXPECT_TRUE(now[i] == old[i]) << now[i].Number;
  EXPECT_EQ(now[2].Number, added.Number);
  EXPECT_EQ(now[2].Record.Solvers, NewRun().Solvers);
  EXPECT_EQ(now[2].Record.Solvers.back().Kind, record::SolverKind::Lines);
  // The line solver's history shows and lists its own version beside its program's digest.
  const std::vector<record::HistoryLine> newLines = record::HistoryLinesOf(now[2]);
  const nlohmann::json newHistory = nlohmann::json::parse(report::FormatHistoryJson(newLines));
  ASSERT_EQ(newHistory.size(), 6u);
  EXPECT_EQ(newHistory[2]["solver"], "kaputt");
  EXPECT_EQ(newHistory[2]["version_sha256"], std::string(64, 'd'));
  EXPECT_TRUE(newHistory[2]["program_sha256"].is_null());
  EXPECT_EQ(newHistory[0]["version_sha256"], newHistory[0]["program_sha256"]);
  EXPECT_NE(report::FormatHistory(newLines, ",").find("kaputt (dddddddd)"), std::string::npos);
  // A baseline saved before the upgrade is still found, and compared with.
  EXPECT_EQ(store.FindRun("v3"), 1);
  EXPECT_EQ(store.FindBaseline("v3", old[1].Record).Cells.size(), 1u);
}

// A library run stored after the upgrade: the kinds' check admits it now.
record::RunRecord LibraryRun() {
  record::RunRecord run = report::samples::Libraries();
  run.Context.StartedUtc = "2026-12-10T09:00:00Z";
  return run;
}

TEST(Layout, AStoreOfSchema4IsReadAsItIsAndUpgradedByTheFirstRunStored) {
  TempFolder temp;
  const auto path = Schema4Store(temp);
  const std::string before = GetFile(path);
  const std::vector<record::StoredRun> old = ResultsStore(path, ResultsStore::Access::Read).Load();
  EXPECT_EQ(GetFile(path), before);  // reading changed nothing
  ASSERT_EQ(old.size(), 2u);
  ASSERT_EQ(old[0].Record.Solvers.size(), 2u);
  const record::Solver& lines = old[0].Record.Solvers[1];
  EXPECT_EQ(lines.Kind, record::SolverKind::Lines);
  EXPECT_EQ(lines.Command, (std::vector<std::string>{"/usr/bin/python3", "/opt/q2.py"}));
  EXPECT_EQ(lines.VersionSha256, std::string(64, 'd'));
  for (const record::StoredRun& run : old) {
    SCOPED_TRACE(run.Number);
    for (const record::Solver& solver : run.Record.Solvers) {
      EXPECT_EQ(solver.Library, std::filesystem::path());
      EXPECT_EQ(solver.Function, "");
      EXPECT_EQ(solver.Configuration, 0u);
      EXPECT_EQ(solver.LibrarySha256, "");
    }
    for (const record::Measurement& m : run.Record.Measurements) EXPECT_FALSE(m.Puzzles);
  }

  ResultsStore store(path, ResultsStore::Access::Write);
  EXPECT_EQ(Sql(path, "PRAGMA user_version"), "4|");  // opening to write changes nothing yet
  const Stored added = store.Add(LibraryRun());
  EXPECT_TRUE(added.Added);
  EXPECT_EQ(Sql(path, "PRAGMA user_version"), std::to_string(SchemaVersion) + "|");
  // The rows of before were copied whole into the rebuilt table, the library columns empty, and
  // their measurements have no puzzle figures.
  EXPECT_EQ(Sql(path,
                "SELECT kind, library, function, configuration, library_sha256 FROM solvers "
                "WHERE run = 1 ORDER BY position"),
            "program|||0||lines|||0||");
  EXPECT_EQ(Sql(path,
                "SELECT count(*) FROM measurements WHERE run < 3 AND (solutions_given IS NOT "
                "NULL OR histogram_bins IS NOT NULL OR p50_us IS NOT NULL)"),
            "0|");
  const std::vector<record::StoredRun> now = store.Load();
  ASSERT_EQ(now.size(), 3u);
  for (std::size_t i = 0; i < old.size(); ++i) EXPECT_TRUE(now[i] == old[i]) << now[i].Number;
  EXPECT_EQ(now[2].Number, added.Number);
  EXPECT_TRUE(now[2].Record == LibraryRun());
  EXPECT_EQ(store.Add(LibraryRun()).Number, added.Number);  // the same run is stored once
}

// A library run's pass: only the bins that are not empty have rows, yet each histogram comes back
// with all its bins; a pass without a histogram or without slowest puzzles stays without, and one
// whose bins are all empty keeps them.
TEST(Layout, APassKeepsItsHistogramAndSlowestPuzzlesExactly) {
  record::RunRecord run = LibraryRun();
  run.Context.StartedUtc = "2026-12-10T08:00:00Z";
  std::vector<record::PuzzleTimes*> passes;
  for (record::Measurement& m : run.Measurements) {
    if (m.Puzzles) passes.push_back(&*m.Puzzles);
  }
  ASSERT_GE(passes.size(), 3u);
  passes[0]->Histogram.clear();
  passes[0]->Slowest.clear();
  passes[1]->Histogram.assign(record::PuzzleTimeBins, 0);
  passes[2]->Guesses = std::nullopt;
  // Beside a run with its passes as they were, so that rows of two runs are told apart.
  const std::vector<record::RunRecord> runs = {run, LibraryRun()};
  std::int64_t full = 0;
  for (const record::RunRecord& r : runs) {
    for (const record::Measurement& m : r.Measurements) {
      if (!m.Puzzles) continue;
      const std::vector<std::int64_t>& bins = m.Puzzles->Histogram;
      full += std::count_if(bins.begin(), bins.end(), [](std::int64_t n) { return n != 0; });
    }
  }
  TempFolder temp;
  const auto path = temp / "s.sqlite";
  ResultsStore store(path, ResultsStore::Access::Write);
  for (const record::RunRecord& r : runs) store.Add(r);
  EXPECT_EQ(Sql(path, "SELECT count(*), min(count) > 0 FROM puzzle_time_bins"),
            std::to_string(full) + "|1|");
  EXPECT_EQ(Sql(path,
                "SELECT histogram_bins FROM measurements WHERE solutions_given IS NOT NULL "
                "ORDER BY run, position LIMIT 2"),
            "0|" + std::to_string(record::PuzzleTimeBins) + "|");
  const std::vector<record::StoredRun> back = store.Load();
  ASSERT_EQ(back.size(), 2u);
  EXPECT_TRUE(back[0].Record == runs[0]);
  EXPECT_TRUE(back[1].Record == runs[1]);
}

// A store an earlier kit wrote is refused by none of its readers: a baseline found in it too.
TEST(Layout, ABaselineIsFoundInAStoreOfSchema2) {
  TempFolder temp;
  const ResultsStore store(CopyOfSchema2(temp), ResultsStore::Access::Read);
  EXPECT_EQ(store.FindRun("v1"), 1);
  record::RunRecord now = store.Load().at(0).Record;
  const record::Baseline baseline = store.FindBaseline("v1", now);
  ASSERT_EQ(baseline.Cells.size(), 1u);
  EXPECT_EQ(baseline.Cells[0].Run, 1);
  EXPECT_EQ(baseline.Cells[0].MonotonicSeconds.size(), 5u);
}

// A name a newer kit might write into a store of this layout: refused with the file, the table
// and the value named, by every reader, and the file stays as it was.
TEST(Layout, ANameTheKitDoesNotKnowIsRefusedAndTheStoreStaysAsItWas) {
  struct Case {
    const char* Table;
    const char* Value;
    std::string Change;
  };
  const std::vector<Case> cases = {
      {"measurements", "vielleicht",
       "UPDATE measurements SET verdict = 'vielleicht' WHERE position = 5"},
      {"comparisons", "etwas_langsamer", "UPDATE comparisons SET verdict = 'etwas_langsamer'"},
      {"comparisons", "gestern", "UPDATE comparisons SET against = 'gestern'"},
      {"solvers", "stapel", "UPDATE solvers SET kind = 'stapel' WHERE position = 1"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Value);
    TempFolder temp;
    const auto path = temp / "s.sqlite";
    const record::RunRecord run = report::samples::Suite();
    ResultsStore(path, ResultsStore::Access::Write).Add(run);
    // The schema's own checks would stop the first and the last.
    EXPECT_EQ(Sql(path, "PRAGMA ignore_check_constraints = ON; " + c.Change +
                            "; PRAGMA wal_checkpoint(TRUNCATE)"),
              "0|0|0|");
    const std::string before = GetFile(path);
    for (auto access : {ResultsStore::Access::Read, ResultsStore::Access::Write}) {
      const ResultsStore store(path, access);
      for (const auto& read : {std::function<void()>([&] { store.Load(); }),
                               std::function<void()>([&] { store.FindBaseline("1", run); })}) {
        try {
          read();
          ADD_FAILURE() << "read";
        } catch (const kit::FileError& e) {
          const std::string message = e.what();
          EXPECT_NE(message.find(path.string()), std::string::npos) << message;
          EXPECT_NE(message.find(std::string("Tabelle ") + c.Table), std::string::npos) << message;
          EXPECT_NE(message.find(std::string("„") + c.Value + "“"), std::string::npos) << message;
          EXPECT_NE(message.find("unverändert"), std::string::npos) << message;
        }
      }
    }
    EXPECT_EQ(GetFile(path), before);
  }
}

// A solver's words or inputs that are not the JSON the kit writes there are refused, not guessed.
TEST(Layout, ACommandOrInputsNotAsTheKitWritesThemAreRefused) {
  for (const std::string change :
       {"UPDATE solvers SET command = '{\"a\": 1}'", "UPDATE solvers SET command = '[1, 2]'",
        "UPDATE solvers SET command = 'kein JSON'",
        "UPDATE solvers SET inputs = '[{\"path\": 3}]'"}) {
    SCOPED_TRACE(change);
    TempFolder temp;
    const auto path = temp / "s.sqlite";
    ResultsStore(path, ResultsStore::Access::Write).Add(report::samples::OneRun());
    Sql(path, change);
    try {
      ResultsStore(path, ResultsStore::Access::Read).Load();
      ADD_FAILURE() << "read";
    } catch (const kit::FileError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(path.string()), std::string::npos) << message;
      EXPECT_NE(message.find("Tabelle solvers"), std::string::npos) << message;
    }
  }
}

// A pass's rows that do not fit the measurement they name are refused, not read past its end.
TEST(Layout, APassNotAsTheKitWritesItIsRefused) {
  struct Case {
    const char* Table;
    std::string Change;
  };
  const std::vector<Case> cases = {
      {"puzzle_time_bins", "UPDATE measurements SET histogram_bins = 0 WHERE histogram_bins > 0"},
      {"slow_puzzles", "DELETE FROM slow_puzzles WHERE rank = 0"},
      {"slow_puzzles", "UPDATE measurements SET solutions_given = NULL"},
      {"measurements", "UPDATE measurements SET histogram_bins = 91 WHERE histogram_bins > 0"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Change);
    TempFolder temp;
    const auto path = temp / "s.sqlite";
    ResultsStore(path, ResultsStore::Access::Write).Add(LibraryRun());
    EXPECT_EQ(Sql(path, c.Change), "");
    try {
      ResultsStore(path, ResultsStore::Access::Read).Load();
      ADD_FAILURE() << "read";
    } catch (const kit::FileError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(std::string("Tabelle ") + c.Table), std::string::npos) << message;
    }
  }
}

}  // namespace
}  // namespace store
