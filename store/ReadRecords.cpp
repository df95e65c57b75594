#include "ReadRecords.h"

#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "Schema.h"

namespace store {
namespace {

// The runs read so far and where each is among them; what is read: all, or one run.
struct Reading {
  sqlite3* Database;
  int Version;
  std::optional<std::int64_t> Number;
  std::vector<record::StoredRun> Runs = {};
  std::map<std::int64_t, std::size_t> Index = {};

  // The run a row of `table` belongs to.
  record::StoredRun& Of(const Statement& row, const Table& table) {
    const auto found = Index.find(row.Integer("run"));
    if (found == Index.end()) {
      throw std::runtime_error("eine Zeile der Tabelle " + std::string(table.Name) +
                               " gehört zu keinem Lauf");
    }
    return Runs[found->second];
  }

  // The rows of a table that belong to the runs read, in the given order; the columns it does not
  // have yet as NULL.
  std::string Select(const Table& table, const std::string& order) const {
    return "SELECT " + SelectedColumns(table, Version) + " FROM " + std::string(table.Name) +
           (Number ? " WHERE run = :number" : "") + " ORDER BY " + order;
  }
  void BindNumber(Statement& select) const {
    if (Number) select.Bind("number", *Number);
  }
};

[[noreturn]] void Unknown(const Table& table, const char* column, const std::string& value) {
  throw UnknownName("in der Tabelle " + std::string(table.Name) + " steht in der Spalte " + column +
                    " „" + value + "“, was dieses Messkit nicht kennt");
}

// The machines by their ids: few, and shared by many runs.
std::map<std::int64_t, record::MachineContext> ReadMachines(sqlite3* database, int version) {
  std::map<std::int64_t, record::MachineContext> machines;
  Statement select(database, "SELECT id, " + SelectedColumns(Machines, version) + " FROM machines");
  while (select.Step()) {
    record::MachineContext& c = machines[select.Integer("id")];
    c.MachineId = select.Text("machine_id");
    c.Host = select.Text("host");
    c.Processor = select.Text("processor");
    c.LogicalCores = static_cast<int>(select.Integer("logical_cores"));
    c.MemoryBytes = static_cast<std::uint64_t>(select.Integer("memory_bytes"));
    c.OperatingSystem = select.Text("operating_system");
    c.Kernel = select.Text("kernel");
  }
  return machines;
}

// A run's row: its build, moment and load beside its machine, and what it was asked to do.
record::RunRecord ReadRun(const Statement& row, record::MachineContext machine) {
  record::RunRecord r;
  r.Context = std::move(machine);
  record::MachineContext& c = r.Context;
  c.StartedUtc = row.Text("started_utc");
  c.KitVersion = row.Text("kit_version");
  c.GitCommit = row.Text("git_commit");
  c.GitChanges = row.Integer("git_changes") != 0;
  c.Compiler = row.Text("compiler");
  c.BuildType = row.Text("build_type");
  c.LoadAverage = {row.Real("load_1"), row.Real("load_5"), row.Real("load_15")};
  record::Settings& o = r.Settings;
  o.Folder = row.Text("folder");
  o.Repeat = static_cast<int>(row.Integer("rounds"));
  o.Warmup = static_cast<int>(row.Integer("warmup_rounds"));
  o.TimeoutSeconds = row.OptionalReal("timeout_seconds");
  if (const auto pinned = row.OptionalInteger("pinned_cpu")) {
    o.PinnedCpu = static_cast<int>(*pinned);
  }
  o.SaveBaseline = row.Text("baseline_name");
  if (const auto noise = row.OptionalReal("noise_percent")) o.NoisePercent = *noise;
  if (const auto threads = row.OptionalInteger("check_threads")) {
    o.CheckThreads = static_cast<int>(*threads);
  }
  return r;
}

void ReadRuns(Reading& reading) {
  const auto machines = ReadMachines(reading.Database, reading.Version);
  Statement select(reading.Database,
                   "SELECT id, " + SelectedColumns(Runs, reading.Version) + " FROM runs" +
                       (reading.Number ? " WHERE id = :number" : "") + " ORDER BY started_utc, id");
  reading.BindNumber(select);
  while (select.Step()) {
    const auto machine = machines.find(select.Integer("machine"));
    if (machine == machines.end()) throw std::runtime_error("ein Lauf nennt keinen Rechner");
    const std::int64_t number = select.Integer("id");
    reading.Index[number] = reading.Runs.size();
    reading.Runs.push_back({number, ReadRun(select, machine->second)});
  }
}

// Rows come in key order, so each run's sets, solvers and measurements come in their own order.
void ReadSets(Reading& reading) {
  Statement select(reading.Database, reading.Select(Sets, "run, position"));
  reading.BindNumber(select);
  while (select.Step()) {
    record::PuzzleSet set;
    set.Name = select.Text("name");
    set.Collection = select.Text("collection");
    set.Seed = static_cast<std::int32_t>(select.Integer("seed"));
    set.Count = select.Integer("count");
    set.InBytes = static_cast<std::uintmax_t>(select.Integer("in_bytes"));
    set.InSha256 = select.Text("in_sha256");
    set.Requested = select.OptionalInteger("requested_count");
    reading.Of(select, Sets).Record.Sets.push_back(std::move(set));
  }
}

// A column of JSON text the kit wrote; what it does not hold as written is refused.
[[noreturn]] void NotAsWritten(const Table& table, const char* column) {
  throw std::runtime_error("in der Tabelle " + std::string(table.Name) + " steht in der Spalte " +
                           column + " nicht, was das Messkit dort schreibt");
}

nlohmann::json JsonArray(const Statement& row, const char* column) {
  const std::string text = row.Text(column);
  if (text.empty()) return nlohmann::json::array();  // a row stored before the column
  nlohmann::json array = nlohmann::json::parse(text, nullptr, false);
  if (!array.is_array()) NotAsWritten(Solvers, column);
  return array;
}

std::vector<std::string> ReadCommand(const Statement& row) {
  std::vector<std::string> words;
  for (const nlohmann::json& word : JsonArray(row, "command")) {
    if (!word.is_string()) NotAsWritten(Solvers, "command");
    words.push_back(word.get<std::string>());
  }
  return words;
}

std::vector<record::SolverInput> ReadInputs(const Statement& row) {
  std::vector<record::SolverInput> inputs;
  for (const nlohmann::json& input : JsonArray(row, "inputs")) {
    if (!input.is_object() || !input.contains("path") || !input["path"].is_string() ||
        !input.contains("sha256") || !input["sha256"].is_string()) {
      NotAsWritten(Solvers, "inputs");
    }
    inputs.push_back({input["path"].get<std::string>(), input["sha256"].get<std::string>()});
  }
  return inputs;
}

// A solver stored before schema 4 was a program run alone: no words, no inputs, and its
// program's digest for its version.
record::Solver ReadSolver(const Statement& row) {
  record::Solver solver;
  solver.Name = row.Text("name");
  solver.Program = row.Text("program");
  solver.ProgramSha256 = row.Text("program_sha256");
  if (!row.Null("kind")) {
    const std::string kind = row.Text("kind");
    const std::optional<record::SolverKind> known = record::SolverKindOf(kind);
    if (!known) Unknown(Solvers, "kind", kind);
    solver.Kind = *known;
  }
  solver.Command = ReadCommand(row);
  solver.Inputs = ReadInputs(row);
  solver.VersionSha256 =
      row.Null("version_sha256") ? solver.ProgramSha256 : row.Text("version_sha256");
  solver.Library = row.Text("library");
  solver.Function = row.Text("function");
  solver.Configuration = static_cast<std::uint32_t>(row.Integer("configuration"));
  solver.LibrarySha256 = row.Text("library_sha256");
  return solver;
}

void ReadSolvers(Reading& reading) {
  Statement select(reading.Database, reading.Select(Solvers, "run, position"));
  reading.BindNumber(select);
  while (select.Step()) {
    record::Solver solver = ReadSolver(select);
    reading.Of(select, Solvers).Record.Solvers.push_back(std::move(solver));
  }
}

// A library run's figures, none for any other run; its slowest puzzles and its histogram's
// counts come from their own tables, the histogram here as many empty bins as it had.
std::optional<record::PuzzleTimes> ReadPuzzleTimes(const Statement& row) {
  if (row.Null("solutions_given")) return std::nullopt;
  record::PuzzleTimes p;
  p.SolutionsGiven = row.Integer("solutions_given") != 0;
  p.Guesses = row.OptionalInteger("guesses");
  p.WithoutGuess = row.Integer("without_guess");
  p.P50 = row.Real("p50_us");
  p.P90 = row.Real("p90_us");
  p.P99 = row.Real("p99_us");
  p.Max = row.Real("max_us");
  const std::int64_t bins = row.Integer("histogram_bins");
  if (bins < 0 || bins > record::PuzzleTimeBins) {
    NotAsWritten(Measurements, "histogram_bins");
  }
  p.Histogram.assign(static_cast<std::size_t>(bins), 0);
  return p;
}

record::Measurement ReadMeasurement(const Statement& row) {
  record::Measurement m;
  m.Set = static_cast<std::size_t>(row.Integer("set_position"));
  m.Solver = static_cast<std::size_t>(row.Integer("solver_position"));
  m.Round = static_cast<int>(row.Integer("round"));
  m.Warmup = row.Integer("warmup") != 0;
  m.Startup = row.Integer("startup") != 0;
  m.Timed = row.Integer("timed") != 0;
  const std::string verdict = row.Text("verdict");
  const std::optional<record::Verdict> known = record::VerdictOf(verdict);
  if (!known) Unknown(Measurements, "verdict", verdict);
  m.Verdict = *known;
  m.EndeSeconds = row.Real("ende_seconds");
  m.MonotonicSeconds = row.Real("monotonic_seconds");
  m.GuardSeconds = row.Real("guard_seconds");
  m.UserSeconds = row.Real("user_seconds");
  m.SystemSeconds = row.Real("system_seconds");
  m.MaxRssBytes = row.Integer("max_rss_bytes");
  m.OutBytes = static_cast<std::uintmax_t>(row.Integer("out_bytes"));
  m.Check.Message = row.Text("message");
  m.Check.Number = static_cast<std::int32_t>(row.Integer("wrong_puzzle"));
  m.Check.Reason = row.Text("reason");
  m.Check.Outcomes = {row.Integer("no_solution"), row.Integer("one_solution"),
                      row.Integer("several_solutions")};
  m.Failure = row.Text("failure");
  m.CheckSeconds = row.OptionalReal("check_seconds");
  m.Puzzles = ReadPuzzleTimes(row);
  return m;
}

void ReadMeasurements(Reading& reading) {
  Statement select(reading.Database, reading.Select(Measurements, "run, position"));
  reading.BindNumber(select);
  while (select.Step()) {
    record::RunRecord& r = reading.Of(select, Measurements).Record;
    record::Measurement m = ReadMeasurement(select);
    if (m.Set >= r.Sets.size() || m.Solver >= r.Solvers.size()) {
      throw std::runtime_error("ein Lauf nennt einen Satz oder Löser, den es nicht gibt");
    }
    r.Measurements.push_back(std::move(m));
  }
}

// The puzzle figures of the measurement a row of `table` belongs to.
record::PuzzleTimes& PuzzlesOf(Reading& reading, const Statement& row, const Table& table) {
  std::vector<record::Measurement>& measurements = reading.Of(row, table).Record.Measurements;
  const std::int64_t position = row.Integer("measurement");
  if (position < 0 || static_cast<std::size_t>(position) >= measurements.size() ||
      !measurements[static_cast<std::size_t>(position)].Puzzles) {
    NotAsWritten(table, "measurement");
  }
  return *measurements[static_cast<std::size_t>(position)].Puzzles;
}

// Stores before schema 5 have neither table; rows come in rank and bin order.
void ReadPuzzleRows(Reading& reading) {
  if (reading.Version < SlowPuzzles.Since) return;
  Statement slow(reading.Database, reading.Select(SlowPuzzles, "run, measurement, rank"));
  reading.BindNumber(slow);
  while (slow.Step()) {
    record::PuzzleTimes& p = PuzzlesOf(reading, slow, SlowPuzzles);
    if (slow.Integer("rank") != static_cast<std::int64_t>(p.Slowest.size())) {
      NotAsWritten(SlowPuzzles, "rank");
    }
    p.Slowest.push_back({slow.Integer("number"), slow.OptionalInteger("line"), slow.Real("us"),
                         slow.OptionalInteger("guesses")});
  }
  Statement bins(reading.Database, reading.Select(PuzzleBins, "run, measurement, bin"));
  reading.BindNumber(bins);
  while (bins.Step()) {
    record::PuzzleTimes& p = PuzzlesOf(reading, bins, PuzzleBins);
    const std::int64_t bin = bins.Integer("bin");
    if (bin < 0 || static_cast<std::size_t>(bin) >= p.Histogram.size()) {
      NotAsWritten(PuzzleBins, "bin");
    }
    p.Histogram[static_cast<std::size_t>(bin)] = bins.Integer("count");
  }
}

record::StoredComparison ReadComparison(const Statement& row) {
  record::StoredComparison c;
  c.Set = static_cast<std::size_t>(row.Integer("set_position"));
  c.Solver = static_cast<std::size_t>(row.Integer("solver_position"));
  const std::string against = row.Text("against");
  if (against != "baseline" && against != "fastest") Unknown(Comparisons, "against", against);
  c.AgainstBaseline = against == "baseline";
  c.Other = row.Integer(c.AgainstBaseline ? "other_run" : "other_solver");
  c.Result.Ratio = {row.Real("ratio"), row.Real("low"), row.Real("high")};
  c.Result.P = row.OptionalReal("p");
  c.Result.Count = static_cast<int>(row.Integer("count"));
  c.Result.OtherCount = static_cast<int>(row.Integer("other_count"));
  const std::string change = row.Text("verdict");
  const std::optional<record::Change> known = record::ChangeOf(change);
  if (!known) Unknown(Comparisons, "verdict", change);
  c.Result.Change = *known;
  return c;
}

// A store of the first layout has none.
void ReadComparisons(Reading& reading) {
  if (reading.Version < Comparisons.Since) return;
  Statement select(reading.Database,
                   reading.Select(Comparisons, "run, set_position, solver_position, against"));
  reading.BindNumber(select);
  while (select.Step()) {
    reading.Of(select, Comparisons).Comparisons.push_back(ReadComparison(select));
  }
}

}  // namespace

std::vector<record::StoredRun> ReadRecords(sqlite3* database, int version,
                                           std::optional<std::int64_t> number) {
  Reading reading{database, version, number};
  ReadRuns(reading);
  ReadSets(reading);
  ReadSolvers(reading);
  ReadMeasurements(reading);
  ReadPuzzleRows(reading);
  ReadComparisons(reading);
  return std::move(reading.Runs);
}

}  // namespace store
