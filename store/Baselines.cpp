#include "Baselines.h"

#include <algorithm>
#include <map>

#include "ReadRecords.h"
#include "Sql.h"

namespace store {
namespace {

// A stored run compared with, read and summed up once for all of its cells.
struct Summed {
  record::StoredRun Run;
  record::Summaries Summaries = {};  // points into Run.Record: a Summed stays where it is made
};

// The stored run `number`, read and summed up the first time it is asked for.
const Summed& SummedRun(std::map<std::int64_t, Summed>& runs, sqlite3* database, int version,
                        std::int64_t number) {
  const auto known = runs.find(number);
  if (known != runs.end()) return known->second;
  std::vector<record::StoredRun> read = ReadRecords(database, version, number);
  if (read.empty()) {
    throw std::runtime_error("den Lauf " + std::to_string(number) + " gibt es nicht");
  }
  Summed& summed = runs[number];
  summed.Run = std::move(read.front());
  summed.Summaries = record::Summarize(summed.Run.Record, record::Detail::WithoutComparisons);
  return summed;
}

// The latest stored run on this machine with this solver on these puzzles.
std::optional<std::int64_t> LatestWith(Statement& latest, const record::MachineContext& machine,
                                       const std::string& hash, const std::string& solver) {
  latest.Bind("machine_id", machine.MachineId).Bind("host", machine.Host);
  latest.Bind("in_sha256", hash).Bind("solver", solver);
  std::optional<std::int64_t> found;
  if (latest.Step()) found = latest.Integer("id");
  latest.Reset();
  return found;
}

// The cell of `now`'s set and solver in a stored run: that solver's judged timed runs on those
// puzzles there if it stayed correct and was timed, else why there is nothing to compare.
void AddCell(record::Baseline& baseline, const Summed& stored, const record::RunRecord& now,
             std::size_t set, std::size_t solver) {
  const record::RunRecord& then = stored.Run.Record;
  const std::string& hash = now.Sets[set].InSha256;
  const auto storedSet = std::find_if(then.Sets.begin(), then.Sets.end(),
                                      [&hash](const auto& s) { return s.InSha256 == hash; });
  const auto storedSolver =
      std::find_if(then.Solvers.begin(), then.Solvers.end(),
                   [&](const auto& s) { return s.Name == now.Solvers[solver].Name; });
  const auto uncompared = [&](record::NoComparison reason) {
    baseline.Uncompared.push_back(
        {set, solver, reason, stored.Run.Number, then.Settings.SaveBaseline});
  };
  // The solver first: without it no set there could be compared, whatever the puzzles.
  if (storedSolver == then.Solvers.end()) return uncompared(record::NoComparison::NoSolver);
  if (storedSet == then.Sets.end()) return uncompared(record::NoComparison::OtherPuzzles);
  const record::SolverSummary& s =
      stored.Summaries.Sets[static_cast<std::size_t>(storedSet - then.Sets.begin())]
          .Solvers[static_cast<std::size_t>(storedSolver - then.Solvers.begin())];
  if (s.Verdict == record::Verdict::Wrong) return uncompared(record::NoComparison::Wrong);
  if (s.Verdict == record::Verdict::Failed) return uncompared(record::NoComparison::Failed);
  if (s.MonotonicTimes.empty()) return uncompared(record::NoComparison::NotTimed);
  baseline.Cells.push_back(
      {set, solver, stored.Run.Number, then.Settings.SaveBaseline, s.MonotonicTimes});
}

// A warning for each run compared with that ran on another processor, kernel or compiler.
std::vector<std::string> Warnings(const std::map<std::int64_t, Summed>& runs,
                                  const record::MachineContext& now) {
  std::vector<std::string> warnings;
  for (const auto& [number, summed] : runs) {
    const record::MachineContext& then = summed.Run.Record.Context;
    const auto differs = [&](const char* what, const std::string& was, const std::string& is) {
      if (was == is) return;
      warnings.push_back("Lauf " + std::to_string(number) + " lief mit " + what + " „" + was +
                         "“, dieser mit „" + is + "“.");
    };
    differs("dem Prozessor", then.Processor, now.Processor);
    differs("dem Kernel", then.Kernel, now.Kernel);
    differs("dem Compiler", then.Compiler, now.Compiler);
  }
  return warnings;
}

}  // namespace

std::optional<std::int64_t> RunNamed(sqlite3* database, int version, const std::string& reference) {
  const bool number =
      !reference.empty() && reference.find_first_not_of("0123456789") == std::string::npos;
  // A store of the first layout has no names.
  if (!number && version < 2) return std::nullopt;
  Statement select(database, number ? "SELECT id FROM runs WHERE id = :reference"
                                    : "SELECT id FROM runs WHERE baseline_name = :reference "
                                      "ORDER BY started_utc DESC, id DESC");
  try {
    if (number) {
      select.Bind("reference", static_cast<std::int64_t>(std::stoll(reference)));
    } else {
      select.Bind("reference", reference);
    }
  } catch (const std::out_of_range&) {
    return std::nullopt;  // a number beyond any run's
  }
  if (!select.Step()) return std::nullopt;
  return select.Integer("id");
}

record::Baseline BaselineOf(sqlite3* database, int version, const std::string& reference,
                            std::optional<std::int64_t> run, const record::RunRecord& now) {
  record::Baseline baseline;
  baseline.Reference = reference;
  std::map<std::int64_t, Summed> runs;  // each stored run read and summed up once
  Statement latest(database,
                   "SELECT r.id AS id FROM runs r JOIN machines m ON m.id = r.machine JOIN sets s "
                   "ON s.run = r.id JOIN solvers v ON v.run = r.id WHERE m.machine_id = "
                   ":machine_id AND m.host = :host AND s.in_sha256 = :in_sha256 AND v.name = "
                   ":solver ORDER BY r.started_utc DESC, r.id DESC LIMIT 1");
  for (std::size_t set = 0; set < now.Sets.size(); ++set) {
    if (now.Sets[set].InSha256.empty()) continue;  // no way to know the same puzzles
    for (std::size_t solver = 0; solver < now.Solvers.size(); ++solver) {
      const std::optional<std::int64_t> number =
          run ? run
              : LatestWith(latest, now.Context, now.Sets[set].InSha256, now.Solvers[solver].Name);
      if (!number) {
        baseline.Uncompared.push_back({set, solver, record::NoComparison::NoEarlierRun});
        continue;
      }
      AddCell(baseline, SummedRun(runs, database, version, *number), now, set, solver);
    }
  }
  baseline.Warnings = Warnings(runs, now.Context);
  return baseline;
}

std::optional<record::PuzzlesFrom> GeneratedSetOf(sqlite3* database,
                                                  std::optional<std::int64_t> run,
                                                  const record::MachineContext& machine) {
  // A generated set is the one without a collection; a run has one at most.
  Statement select(database, run ? "SELECT run AS id, seed, count FROM sets WHERE run = :run AND "
                                   "collection = '' ORDER BY position LIMIT 1"
                                 : "SELECT r.id AS id, s.seed AS seed, s.count AS count FROM runs "
                                   "r JOIN machines m ON m.id = r.machine JOIN sets s ON s.run = "
                                   "r.id WHERE m.machine_id = :machine_id AND m.host = :host AND "
                                   "s.collection = '' ORDER BY r.started_utc DESC, r.id DESC, "
                                   "s.position LIMIT 1");
  if (run) {
    select.Bind("run", *run);
  } else {
    select.Bind("machine_id", machine.MachineId).Bind("host", machine.Host);
  }
  if (!select.Step()) return std::nullopt;
  return record::PuzzlesFrom{select.Integer("id"),
                             static_cast<std::int32_t>(select.Integer("seed")),
                             select.Integer("count")};
}

}  // namespace store
