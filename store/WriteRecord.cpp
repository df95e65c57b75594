#include "WriteRecord.h"

#include <QCryptographicHash>
#include <nlohmann/json.hpp>

#include "Schema.h"

namespace store {
namespace {

void BindMachine(Statement& s, const record::MachineContext& c) {
  s.Bind("machine_id", c.MachineId).Bind("host", c.Host).Bind("processor", c.Processor);
  s.Bind("logical_cores", c.LogicalCores).Bind("memory_bytes", c.MemoryBytes);
  s.Bind("operating_system", c.OperatingSystem).Bind("kernel", c.Kernel);
}

// The machine's row, added unless a run on the same machine added it before.
std::int64_t WriteMachine(sqlite3* database, const record::MachineContext& c) {
  Statement insert(database, InsertSql(Machines) + " ON CONFLICT DO NOTHING");
  BindMachine(insert, c);
  insert.Run();
  Statement select(database, "SELECT id FROM machines WHERE " + SameRow(Machines));
  BindMachine(select, c);
  if (!select.Step()) throw std::runtime_error("der Rechner fehlt nach dem Eintragen");
  return select.Integer("id");
}

// The run's own row: its build, its moment and load, what it was asked to do.
std::int64_t WriteRun(sqlite3* database, const record::RunRecord& run, const std::string& key,
                      std::int64_t machine, const std::string& importedFrom) {
  const auto unlessEmpty = [](const std::string& text) {
    return text.empty() ? std::nullopt : std::optional<std::string>(text);
  };
  const record::MachineContext& c = run.Context;
  const record::Settings& o = run.Settings;
  Statement insert(database, InsertSql(Runs));
  insert.Bind("run_key", key).Bind("machine", machine).Bind("started_utc", c.StartedUtc);
  insert.Bind("kit_version", c.KitVersion).Bind("git_commit", c.GitCommit);
  insert.Bind("git_changes", c.GitChanges).Bind("compiler", c.Compiler);
  insert.Bind("build_type", c.BuildType).Bind("load_1", c.LoadAverage[0]);
  insert.Bind("load_5", c.LoadAverage[1]).Bind("load_15", c.LoadAverage[2]);
  insert.Bind("folder", o.Folder.string()).Bind("rounds", o.Repeat);
  insert.Bind("warmup_rounds", o.Warmup).Bind("timeout_seconds", o.TimeoutSeconds);
  insert.Bind("pinned_cpu", o.PinnedCpu).Bind("imported_from", unlessEmpty(importedFrom));
  insert.Bind("baseline_name", unlessEmpty(o.SaveBaseline));
  insert.Bind("noise_percent", o.NoisePercent).Bind("check_threads", o.CheckThreads);
  insert.Run();
  return LastInsertedRow(database);
}

void WriteSets(sqlite3* database, std::int64_t number, const record::RunRecord& run) {
  Statement insert(database, InsertSql(Sets));
  for (std::size_t i = 0; i < run.Sets.size(); ++i) {
    const record::PuzzleSet& s = run.Sets[i];
    insert.Bind("run", number).Bind("position", i).Bind("name", s.Name);
    insert.Bind("collection", s.Collection.string()).Bind("seed", s.Seed);
    insert.Bind("count", s.Count).Bind("in_bytes", s.InBytes).Bind("in_sha256", s.InSha256);
    insert.Bind("requested_count", s.Requested);
    insert.Run();
  }
}

// The words a solver ran with, as a JSON array of strings.
std::string CommandJson(const record::Solver& s) {
  return nlohmann::json(s.Command).dump();
}

// The files named among them, as a JSON array of {"path", "sha256"}.
std::string InputsJson(const record::Solver& s) {
  nlohmann::json inputs = nlohmann::json::array();
  for (const record::SolverInput& input : s.Inputs) {
    inputs.push_back({{"path", input.Path.string()}, {"sha256", input.Sha256}});
  }
  return inputs.dump();
}

void WriteSolvers(sqlite3* database, std::int64_t number, const record::RunRecord& run) {
  Statement insert(database, InsertSql(Solvers));
  for (std::size_t i = 0; i < run.Solvers.size(); ++i) {
    const record::Solver& s = run.Solvers[i];
    insert.Bind("run", number).Bind("position", i).Bind("name", s.Name);
    insert.Bind("program", s.Program.string()).Bind("program_sha256", s.ProgramSha256);
    insert.Bind("kind", record::SolverKindName(s.Kind)).Bind("command", CommandJson(s));
    insert.Bind("inputs", InputsJson(s)).Bind("version_sha256", s.VersionSha256);
    insert.Bind("library", s.Library.string()).Bind("function", s.Function);
    insert.Bind("configuration", s.Configuration).Bind("library_sha256", s.LibrarySha256);
    insert.Run();
  }
}

// The statements that add a measurement's rows, prepared once for all of a run's.
struct MeasurementInserts {
  Statement Row, Slow, Bin;
};

// A library run's figures beside the rest of its row, NULL for any other run.
void BindPuzzleTimes(Statement& insert, const std::optional<record::PuzzleTimes>& p) {
  // As many bins as a reader takes: a count beyond them is no histogram of the kit's.
  if (p && p->Histogram.size() > static_cast<std::size_t>(record::PuzzleTimeBins)) {
    throw std::runtime_error("ein Lauf hat ein Histogramm mit " +
                             std::to_string(p->Histogram.size()) + " Fächern, mehr als " +
                             std::to_string(record::PuzzleTimeBins));
  }
  const auto some = [&](auto field) { return p ? std::optional((*p).*field) : std::nullopt; };
  insert.Bind("solutions_given", some(&record::PuzzleTimes::SolutionsGiven));
  insert.Bind("guesses", p ? p->Guesses : std::nullopt);
  insert.Bind("without_guess", some(&record::PuzzleTimes::WithoutGuess));
  insert.Bind("p50_us", some(&record::PuzzleTimes::P50));
  insert.Bind("p90_us", some(&record::PuzzleTimes::P90));
  insert.Bind("p99_us", some(&record::PuzzleTimes::P99));
  insert.Bind("max_us", some(&record::PuzzleTimes::Max));
  insert.Bind("histogram_bins", p ? std::optional(p->Histogram.size()) : std::nullopt);
}

// Its slowest puzzles by rank, and the bins of its histogram that are not empty.
void WritePuzzleTimes(MeasurementInserts& inserts, std::int64_t number, std::size_t position,
                      const record::PuzzleTimes& p) {
  for (std::size_t rank = 0; rank < p.Slowest.size(); ++rank) {
    const record::SlowPuzzle& slow = p.Slowest[rank];
    Statement& insert = inserts.Slow;
    insert.Bind("run", number).Bind("measurement", position).Bind("rank", rank);
    insert.Bind("number", slow.Number).Bind("line", slow.Line);
    insert.Bind("us", slow.Microseconds).Bind("guesses", slow.Guesses);
    insert.Run();
  }
  for (std::size_t bin = 0; bin < p.Histogram.size(); ++bin) {
    if (p.Histogram[bin] == 0) continue;
    inserts.Bin.Bind("run", number).Bind("measurement", position).Bind("bin", bin);
    inserts.Bin.Bind("count", p.Histogram[bin]).Run();
  }
}

void WriteMeasurement(Statement& insert, const record::Measurement& m) {
  insert.Bind("set_position", m.Set).Bind("solver_position", m.Solver);
  insert.Bind("round", m.Round).Bind("warmup", m.Warmup).Bind("startup", m.Startup);
  insert.Bind("timed", m.Timed).Bind("verdict", record::VerdictName(m.Verdict));
  insert.Bind("ende_seconds", m.EndeSeconds).Bind("monotonic_seconds", m.MonotonicSeconds);
  insert.Bind("guard_seconds", m.GuardSeconds).Bind("check_seconds", m.CheckSeconds);
  insert.Bind("user_seconds", m.UserSeconds).Bind("system_seconds", m.SystemSeconds);
  insert.Bind("max_rss_bytes", m.MaxRssBytes).Bind("out_bytes", m.OutBytes);
  const record::Judgement& check = m.Check;
  insert.Bind("message", check.Message).Bind("wrong_puzzle", check.Number);
  insert.Bind("reason", check.Reason).Bind("no_solution", check.Outcomes[0]);
  insert.Bind("one_solution", check.Outcomes[1]).Bind("several_solutions", check.Outcomes[2]);
  insert.Bind("failure", m.Failure);
  BindPuzzleTimes(insert, m.Puzzles);
  insert.Run();
}

void WriteMeasurements(sqlite3* database, std::int64_t number, const record::RunRecord& run) {
  MeasurementInserts inserts{{database, InsertSql(Measurements)},
                             {database, InsertSql(SlowPuzzles)},
                             {database, InsertSql(PuzzleBins)}};
  for (std::size_t i = 0; i < run.Measurements.size(); ++i) {
    const record::Measurement& m = run.Measurements[i];
    inserts.Row.Bind("run", number).Bind("position", i);
    WriteMeasurement(inserts.Row, m);
    if (m.Puzzles) WritePuzzleTimes(inserts, number, i, *m.Puzzles);
  }
}

// One comparison of a solver on a set: against the fastest solver of the set, or against a
// stored run.
struct Compared {
  std::size_t Set = 0, Solver = 0;
  const char* Against = "fastest";
  std::optional<std::int64_t> OtherRun, OtherSolver;
};

void WriteComparison(Statement& insert, std::int64_t number, const Compared& where,
                     const record::Comparison& c) {
  insert.Bind("run", number).Bind("set_position", where.Set);
  insert.Bind("solver_position", where.Solver).Bind("against", where.Against);
  insert.Bind("other_run", where.OtherRun).Bind("other_solver", where.OtherSolver);
  insert.Bind("ratio", c.Ratio.Ratio).Bind("low", c.Ratio.Low).Bind("high", c.Ratio.High);
  insert.Bind("p", c.P).Bind("count", c.Count).Bind("other_count", c.OtherCount);
  insert.Bind("verdict", record::ChangeName(c.Change));
  insert.Run();
}

// What the run's report said when comparing: each solver against the fastest of its set and
// against its baseline.
void WriteComparisons(sqlite3* database, std::int64_t number, const record::RunRecord& run) {
  const record::Summaries summaries = record::Summarize(run);
  Statement insert(database, InsertSql(Comparisons));
  for (std::size_t set = 0; set < summaries.Sets.size(); ++set) {
    const record::SetSummary& summary = summaries.Sets[set];
    for (std::size_t solver = 0; solver < summary.Solvers.size(); ++solver) {
      const record::SolverSummary& s = summary.Solvers[solver];
      if (s.AgainstFastest) {
        const auto fastest = static_cast<std::int64_t>(*summary.Fastest);
        WriteComparison(insert, number, {set, solver, "fastest", {}, fastest}, *s.AgainstFastest);
      }
      if (s.AgainstBaseline) {
        WriteComparison(insert, number, {set, solver, "baseline", s.Baseline->Run, {}},
                        *s.AgainstBaseline);
      }
    }
  }
}

}  // namespace

std::string RunKey(const record::RunRecord& run) {
  const record::MachineContext& c = run.Context;
  std::string text = c.MachineId + '\n' + c.Host + '\n' + c.StartedUtc + '\n' +
                     run.Settings.Folder.string() + '\n';
  for (const record::PuzzleSet& s : run.Sets) {
    text += s.Name + '\t' + s.InSha256 + '\t' + std::to_string(s.Count) + '\n';
  }
  // A solver by its name and program only: not its version digest, a library's file, function,
  // configuration or digest, nor a pass puzzle by puzzle. A report that does not hold them is
  // still the same run (the moment, machine and times tell runs apart), and the keys of the runs
  // stored before stay as they were.
  for (const record::Solver& s : run.Solvers) text += s.Name + '\t' + s.ProgramSha256 + '\n';
  // Times to the microsecond, as a JSON report keeps them.
  for (const record::Measurement& r : run.Measurements) {
    text += std::to_string(r.Set) + ' ' + std::to_string(r.Solver) + ' ' + std::to_string(r.Round) +
            ' ' + record::VerdictName(r.Verdict) + ' ' +
            (r.Timed ? std::to_string(record::Microseconds(r.MonotonicSeconds)) : "-") + '\n';
  }
  const QByteArray hash =
      QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Sha256);
  return hash.toHex().toStdString();
}

std::optional<std::int64_t> RunWithKey(sqlite3* database, const std::string& key) {
  Statement known(database, "SELECT id FROM runs WHERE run_key = :key");
  known.Bind("key", key);
  if (!known.Step()) return std::nullopt;
  return known.Integer("id");
}

std::int64_t WriteRecord(sqlite3* database, const record::RunRecord& run, const std::string& key,
                         const std::string& importedFrom) {
  const std::int64_t machine = WriteMachine(database, run.Context);
  const std::int64_t number = WriteRun(database, run, key, machine, importedFrom);
  WriteSets(database, number, run);
  WriteSolvers(database, number, run);
  WriteMeasurements(database, number, run);
  WriteComparisons(database, number, run);
  return number;
}

}  // namespace store
