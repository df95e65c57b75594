#include "JsonReport.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "BaselineWords.h"
#include "JsonText.h"
#include "LastRun.h"
#include "Numbers.h"

namespace report {
namespace {

using Json = nlohmann::ordered_json;
using record::Verdict;

Json Optional(const auto& value) {
  return value ? Json(*value) : Json(nullptr);
}

Json SummaryJson(const std::vector<double>& values, const stats::Summary& s,
                 double (*rounded)(double)) {
  if (values.empty()) return nullptr;
  return {{"mean", rounded(s.Mean)},
          {"sd", s.Deviation ? Json(rounded(*s.Deviation)) : Json(nullptr)},
          {"min", rounded(s.Minimum)},
          {"median", rounded(s.Median)},
          {"max", rounded(s.Maximum)}};
}

using json::Text;

Json ContextJson(const record::MachineContext& c) {
  return {{"processor", c.Processor},
          {"logical_cores", c.LogicalCores},
          {"memory_bytes", c.MemoryBytes},
          {"operating_system", c.OperatingSystem},
          {"kernel", c.Kernel},
          {"kit_version", c.KitVersion},
          {"git_commit", Text(c.GitCommit)},
          {"git_changes", c.GitChanges},
          {"compiler", c.Compiler},
          {"build_type", c.BuildType},
          {"started_utc", c.StartedUtc},
          {"load_average",
           {std::round(c.LoadAverage[0] * 100) / 100, std::round(c.LoadAverage[1] * 100) / 100,
            std::round(c.LoadAverage[2] * 100) / 100}},
          {"busy_at_start", record::BusyAtStart(c)},
          {"host", Text(c.Host)},
          {"machine_id", Text(c.MachineId)}};
}

Json OutcomesJson(const record::Judgement& check) {
  return {{"no_solution", check.Outcomes[0]},
          {"one", check.Outcomes[1]},
          {"several", check.Outcomes[2]}};
}

Json SlowestJson(const std::vector<record::SlowPuzzle>& slowest) {
  Json list = Json::array();
  for (const record::SlowPuzzle& slow : slowest) {
    list.push_back({{"number", slow.Number},
                    {"line", Optional(slow.Line)},
                    {"us", ToTheNanosecond(slow.Microseconds)},
                    {"guesses", Optional(slow.Guesses)}});
  }
  return list;
}

Json PuzzleUsJson(const record::PuzzleTimes& t) {
  return {{"p50", ToTheNanosecond(t.P50)},
          {"p90", ToTheNanosecond(t.P90)},
          {"p99", ToTheNanosecond(t.P99)},
          {"max", ToTheNanosecond(t.Max)}};
}

// A library run's pass puzzle by puzzle, with its histogram; null for any other run.
Json PuzzlesJson(const std::optional<record::PuzzleTimes>& t) {
  if (!t) return nullptr;
  return {{"solutions_given", t->SolutionsGiven},
          {"guesses", Optional(t->Guesses)},
          {"without_guess", t->Guesses ? Json(t->WithoutGuess) : Json(nullptr)},
          {"puzzle_us", PuzzleUsJson(*t)},
          {"slowest", SlowestJson(t->Slowest)},
          {"histogram", t->Histogram}};
}

// One run with its own verdict and Check's word on it; its numbers only when its process ran to
// an end.
Json RunJson(const record::Measurement& run) {
  const bool wrong = run.Verdict == Verdict::Wrong, failed = run.Verdict == Verdict::Failed;
  const auto timed = [&run](auto value) { return run.Timed ? Json(value) : Json(nullptr); };
  // A failed run keeps no judging time; a run stored by an earlier kit has none known.
  const Json check =
      failed || !run.CheckSeconds ? Json(nullptr) : Json(ToTheMicrosecond(*run.CheckSeconds));
  return {{"round", run.Round},
          {"warmup", run.Warmup},
          {"startup", run.Startup},
          {"verdict", record::VerdictName(run.Verdict)},
          {"ende_seconds", timed(ToTheMillisecond(run.EndeSeconds))},
          {"monotonic_seconds", timed(ToTheMicrosecond(run.MonotonicSeconds))},
          {"guard_seconds", timed(ToTheMicrosecond(run.GuardSeconds))},
          {"check_seconds", check},
          {"user_seconds", timed(ToTheMicrosecond(run.UserSeconds))},
          {"system_seconds", timed(ToTheMicrosecond(run.SystemSeconds))},
          {"max_rss_bytes", timed(run.MaxRssBytes)},
          {"out_bytes", run.OutBytes},
          {"outcomes", failed ? Json(nullptr) : OutcomesJson(run.Check)},
          {"message", failed ? Json(nullptr) : Json(run.Check.Message)},
          {"wrong_puzzle", wrong ? Json(run.Check.Number) : Json(nullptr)},
          {"reason", wrong ? Json(run.Check.Reason) : Json(nullptr)},
          {"failure", failed ? Json(run.Failure) : Json(nullptr)},
          {"puzzles", PuzzlesJson(run.Puzzles)}};
}

// Every run of one solver on one set, in the order they ran.
Json RunsJson(const record::RunRecord& record, std::size_t set, std::size_t solver) {
  Json runs = Json::array();
  for (const record::Measurement& run : record.Measurements) {
    if (run.Set == set && run.Solver == solver) runs.push_back(RunJson(run));
  }
  return runs;
}

// A factor to three decimals, as the reports show two.
double Factor(double value) {
  return std::round(value * 1000) / 1000;
}

Json RelativeJson(const std::optional<stats::Ratio>& r) {
  if (!r) return nullptr;
  return {{"factor", Factor(r->Factor)},
          {"sd", r->Deviation ? Json(Factor(*r->Deviation)) : Json(nullptr)}};
}

// The per-puzzle figures: times to the nanosecond, the rate to a thousandth.
void PerPuzzleJson(Json& json, const record::SolverSummary& s) {
  const auto rounded = [](const std::optional<double>& value, double unit) {
    return value ? Json(std::round(*value * unit) / unit) : Json(nullptr);
  };
  json["startup_seconds"] = rounded(s.StartupSeconds, 1e6);
  json["us_per_puzzle"] = rounded(s.MicrosecondsPerPuzzle, 1e3);
  json["us_per_puzzle_net"] = rounded(s.MicrosecondsPerPuzzleNet, 1e3);
  json["puzzles_per_second"] = rounded(s.PuzzlesPerSecond, 1e3);
}

// A comparison of medians: the ratio with its interval to four decimals, the test's p.
Json ComparisonJson(const record::Comparison& c) {
  const auto four = [](double value) { return std::round(value * 1e4) / 1e4; };
  return {{"ratio", four(c.Ratio.Ratio)},
          {"low", four(c.Ratio.Low)},
          {"high", four(c.Ratio.High)},
          {"p", c.P ? Json(*c.P) : Json(nullptr)},
          {"runs", c.Count},
          {"other_runs", c.OtherCount},
          {"change", record::ChangeName(c.Change)}};
}

Json AgainstFastestJson(const record::RunRecord& record, const record::SetSummary& set,
                        const record::SolverSummary& s) {
  if (!s.AgainstFastest) return nullptr;
  Json json = ComparisonJson(*s.AgainstFastest);
  json["solver"] = record.Solvers[*set.Fastest].Name;
  return json;
}

// Against its baseline, or why it was not compared: then with every figure null.
Json AgainstBaselineJson(const record::RunRecord& record, std::size_t set, std::size_t solver,
                         const record::SolverSummary& s) {
  if (!record.Baseline) return nullptr;
  Json json = s.AgainstBaseline ? ComparisonJson(*s.AgainstBaseline) : Json();
  if (!s.AgainstBaseline) {
    for (const char* key : {"ratio", "low", "high", "p", "runs", "other_runs", "change"}) {
      json[key] = nullptr;
    }
  }
  json["run"] = nullptr;
  json["name"] = nullptr;
  json["no_comparison"] = nullptr;
  if (s.Baseline) {
    json["run"] = s.Baseline->Run;
    json["name"] = Text(s.Baseline->Name);
    // Found there, but this run's own times are missing.
    if (!s.AgainstBaseline) {
      json["no_comparison"] = s.Verdict == Verdict::Correct ? "not_timed" : "not_correct";
    }
  } else if (const record::UncomparedCell* cell = UncomparedOf(*record.Baseline, set, solver)) {
    json["run"] = Optional(cell->Run);
    json["name"] = Text(cell->Name);
    json["no_comparison"] = NoComparisonName(cell->Reason);
  } else {
    json["no_comparison"] = "unknown";  // a record not made by the store says nothing
  }
  return json;
}

Json PuzzlesFromJson(const std::optional<record::PuzzlesFrom>& from) {
  if (!from) return nullptr;
  return {{"run", from->Run}, {"seed", from->Seed}, {"count", Optional(from->Count)}};
}

// How the solver takes the puzzles, the words it ran with as they were (the program's absolute
// path first), the files among them and the digest that tells its versions apart.
void SolverRunJson(Json& json, const record::Solver& solver) {
  json["kind"] = record::SolverKindName(solver.Kind);
  json["command"] = solver.Command;
  json["inputs"] = Json::array();
  for (const record::SolverInput& input : solver.Inputs) {
    json["inputs"].push_back({{"path", input.Path.string()}, {"sha256", Text(input.Sha256)}});
  }
  json["version_sha256"] = Text(solver.VersionSha256);
  const bool library = solver.Kind == record::SolverKind::Library;
  json["library"] = library ? Json(ReportPath(solver.Library)) : Json(nullptr);
  json["function"] = library ? Json(solver.Function) : Json(nullptr);
  json["configuration"] = library ? Json(solver.Configuration) : Json(nullptr);
  json["library_sha256"] = library ? Text(solver.LibrarySha256) : Json(nullptr);
}

// A library's pass on the set, from its run nearest the median; null for every other solver.
void PassJson(Json& json, const record::PuzzleSet& set, const record::SolverSummary& s) {
  const record::PuzzleTimes* t = s.MedianPuzzles;
  const auto n = static_cast<double>(set.Count);
  const bool guesses = t && t->Guesses && n > 0;
  json["guesses_per_puzzle"] =
      guesses ? Json(std::round(static_cast<double>(*t->Guesses) / n * 1e3) / 1e3) : Json(nullptr);
  json["no_guess_percent"] =
      guesses ? Json(std::round(static_cast<double>(t->WithoutGuess) / n * 1e5) / 1e3)
              : Json(nullptr);
  json["solutions_given"] = t ? Json(t->SolutionsGiven) : Json(nullptr);
  json["puzzle_us"] = t ? PuzzleUsJson(*t) : Json(nullptr);
  json["slowest"] = t ? SlowestJson(t->Slowest) : Json(nullptr);
}

Json SolverJson(const record::RunRecord& record, std::size_t set, std::size_t solver,
                const record::SetSummary& summary) {
  const record::SolverSummary& s = summary.Solvers[solver];
  const record::Judgement& check = LastCheck(s);
  const bool wrong = s.Verdict == Verdict::Wrong, failed = s.Verdict == Verdict::Failed;
  Json json;
  json["name"] = record.Solvers[solver].Name;
  json["program"] = ReportPath(record.Solvers[solver].Program);
  json["program_sha256"] = Text(record.Solvers[solver].ProgramSha256);
  SolverRunJson(json, record.Solvers[solver]);
  json["state"] = record::VerdictName(s.Verdict);
  json["runs"] = RunsJson(record, set, solver);
  json["monotonic_seconds"] = SummaryJson(s.MonotonicTimes, s.Monotonic, ToTheMicrosecond);
  json["ende_seconds"] = SummaryJson(s.EndeTimes, s.Ende, ToTheMillisecond);
  PerPuzzleJson(json, s);
  PassJson(json, record.Sets[set], s);
  json["out_bytes"] = LastOutBytes(s);
  json["outcomes"] = OutcomesJson(check);
  json["verdict"] = failed ? Json(nullptr) : Json(check.Message);
  json["all_correct"] = s.Verdict == Verdict::Correct;
  json["last_round"] = LastRound(s);
  json["wrong_puzzle"] = wrong ? Json(check.Number) : Json(nullptr);
  json["reason"] = wrong ? Json(check.Reason) : Json(nullptr);
  json["failure"] = failed ? Json(s.Last->Failure) : Json(nullptr);
  json["relative_to_fastest"] = RelativeJson(s.RelativeToFastest);
  json["against_fastest"] = AgainstFastestJson(record, summary, s);
  json["against_baseline"] = AgainstBaselineJson(record, set, solver, s);
  return json;
}

Json SetJson(const record::RunRecord& record, std::size_t set, const record::SetSummary& summary) {
  const record::PuzzleSet& puzzles = record.Sets[set];
  const bool generated = puzzles.Collection.empty();
  Json json;
  json["name"] = puzzles.Name;
  json["puzzles_file"] = generated ? Json(nullptr) : Json(ReportPath(puzzles.Collection));
  json["seed"] = generated ? Json(puzzles.Seed) : Json(nullptr);
  json["count"] = puzzles.Count;
  json["in_bytes"] = puzzles.InBytes;
  json["in_sha256"] = Text(puzzles.InSha256);
  json["requested_count"] = Optional(puzzles.Requested);
  json["fastest"] = summary.Fastest ? Json(record.Solvers[*summary.Fastest].Name) : Json(nullptr);
  json["solvers"] = Json::array();
  for (std::size_t i = 0; i < record.Solvers.size(); ++i) {
    json["solvers"].push_back(SolverJson(record, set, i, summary));
  }
  return json;
}

}  // namespace

std::string FormatJson(const record::RunRecord& record, const record::Summaries& summaries,
                       int exitStatus) {
  const record::Settings& o = record.Settings;
  Json json;
  json["format"] = "sudoku-messkit-run";
  json["version"] = 5;
  json["folder"] = ReportPath(o.Folder);
  json["rounds"] = o.Repeat;
  json["warmup_rounds"] = o.Warmup;
  json["timeout_seconds"] = Optional(o.TimeoutSeconds);
  json["pinned_cpu"] = Optional(o.PinnedCpu);
  json["check_threads"] = Optional(o.CheckThreads);
  json["noise_percent"] = o.NoisePercent;
  json["save_baseline"] = Text(o.SaveBaseline);
  if (record.Baseline) {
    json["baseline"] = {{"reference", record.Baseline->Reference},
                        {"warnings", record.Baseline->Warnings},
                        {"puzzles_from", PuzzlesFromJson(record.Baseline->PuzzlesFrom)}};
  } else {
    json["baseline"] = nullptr;
  }
  json["context"] = ContextJson(record.Context);
  json["factor_figure"] =
      summaries.Figure == record::PerPuzzle::Net ? "us_per_puzzle_net" : "us_per_puzzle";
  json["sets"] = Json::array();
  for (std::size_t set = 0; set < summaries.Sets.size(); ++set) {
    json["sets"].push_back(SetJson(record, set, summaries.Sets[set]));
  }
  json["geometric_mean_factors"] = Json::array();
  for (std::size_t i = 0; i < record.Solvers.size(); ++i) {
    const std::optional<double>& mean = summaries.GeometricMeanFactors.at(i);
    json["geometric_mean_factors"].push_back(
        {{"name", record.Solvers[i].Name}, {"factor", mean ? Json(Factor(*mean)) : Json(nullptr)}});
  }
  json["interrupted"] = record.Interruption.has_value();
  if (record.Interruption) {
    const record::Interruption& i = *record.Interruption;
    json["interruption"] = {{"signal", i.Signal},
                            {"set", record.Sets.at(i.Set).Name},
                            {"timed_rounds", i.TimedRounds},
                            {"not_run", i.NotRun}};
  } else {
    json["interruption"] = nullptr;
  }
  json["exit_status"] = exitStatus;
  return json.dump(2) + "\n";
}

}  // namespace report
