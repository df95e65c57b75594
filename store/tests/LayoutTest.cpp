// The store's layout on real files: the column lists are the schema's columns, a store the kit
// wrote before schema 3 is read as it is and upgraded by the first run stored, and names the kit
// does not know are refused with the store left as it was.
#include <gtest/gtest.h>

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

constexpr const Table* Tables[] = {&Machines, &Runs, &Sets, &Solvers, &Measurements, &Comparisons};

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

// The schema2.sqlite the kit wrote before this layout: three runs, the second of two solvers on
// five collections, the third compared with the first.
std::filesystem::path CopyOfSchema2(const TempFolder& temp) {
  const auto path = temp / "schema2.sqlite";
  std::filesystem::copy_file(std::filesystem::path(KIT_STORE_DATA_DIR) / "schema2.sqlite", path);
  return path;
}

record::RunRecord NewRun() {
  record::RunRecord run = report::samples::Suite();
  run.Context.StartedUtc = "2026-12-10T08:00:00Z";
  run.Settings.CheckThreads = 2;
  return run;
}

TEST(Layout, EachTablesColumnListIsItsColumnsInTheFileInOrder) {
  TempFolder temp;
  const auto fresh = temp / "neu.sqlite";
  ResultsStore(fresh, ResultsStore::Access::Write).Add(NewRun());
  const auto upgraded = CopyOfSchema2(temp);
  ResultsStore(upgraded, ResultsStore::Access::Write).Add(NewRun());
  for (const Table* table : Tables) {
    SCOPED_TRACE(table->Name);
    EXPECT_EQ(ColumnsInFile(fresh, *table), ColumnsInList(*table));
    EXPECT_EQ(ColumnsInFile(upgraded, *table), ColumnsInList(*table));
  }
  // An upgraded store has the very schema a new one has, down to the text of each table.
  const std::string schema = "SELECT type, name, sql FROM sqlite_schema ORDER BY name";
  EXPECT_EQ(Sql(upgraded, schema), Sql(fresh, schema));
  EXPECT_EQ(Sql(upgraded, "PRAGMA user_version; PRAGMA integrity_check"),
            std::to_string(SchemaVersion) + "|ok|");
}

TEST(Layout, AStoreOfSchema2IsReadAsItIsAndUpgradedByTheFirstRunStored) {
  TempFolder temp;
  const auto path = CopyOfSchema2(temp);
  const std::vector<record::StoredRun> old = ResultsStore(path, ResultsStore::Access::Read).Load();
  ASSERT_EQ(old.size(), 3u);
  std::size_t measurements = 0;
  for (const record::StoredRun& run : old) {
    EXPECT_EQ(run.Record.Settings.CheckThreads, std::nullopt) << run.Number;
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
  EXPECT_EQ(Sql(path, "PRAGMA user_version"), "3|");
  const std::vector<record::StoredRun> now = store.Load();
  ASSERT_EQ(now.size(), 4u);
  for (std::size_t i = 0; i < old.size(); ++i) EXPECT_TRUE(now[i] == old[i]) << now[i].Number;
  EXPECT_EQ(now[3].Number, added.Number);
  EXPECT_EQ(now[3].Record.Settings.CheckThreads, 2);
  EXPECT_EQ(now[3].Record.Measurements, NewRun().Measurements);
  EXPECT_EQ(record::HistoryLinesOf(now).size(), 12u + 6);
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
      {"comparisons", "gestern", "UPDATE comparisons SET against = 'gestern'"}};
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

}  // namespace
}  // namespace store
