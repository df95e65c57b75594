#include "JsonReport.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "Statistics.h"
#include "TextReport.h"

namespace runner {
namespace {

using Json = nlohmann::ordered_json;

// Seconds to the millisecond, the resolution of Start.txt and so of Ende's times.
double Milliseconds(double seconds) {
  return std::round(seconds * 1000) / 1000;
}

// Seconds to the microsecond: the monotonic clock's times, where a millisecond can be several per
// cent of a fast run.
double Microseconds(double seconds) {
  return std::round(seconds * 1000000) / 1000000;
}

Json SummaryJson(const std::vector<double>& values, double (*rounded)(double)) {
  if (values.empty()) return nullptr;
  const Summary s = Summarize(values);
  return {{"mean", rounded(s.Mean)},
          {"sd", s.Deviation ? Json(rounded(*s.Deviation)) : Json(nullptr)},
          {"min", rounded(s.Minimum)},
          {"median", rounded(s.Median)},
          {"max", rounded(s.Maximum)}};
}

}  // namespace

std::string FormatJson(const RunReport& report) {
  const RunOptions& o = report.Options;
  Json json;
  json["folder"] = ReportPath(o.Folder);
  json["count"] = report.Puzzles.Count;
  if (o.Source.Collection.empty()) {
    json["seed"] = o.Source.Seed;
    json["puzzles_file"] = nullptr;
  } else {
    json["seed"] = nullptr;
    json["puzzles_file"] = ReportPath(o.Source.Collection);
  }
  json["in_bytes"] = report.Puzzles.Bytes;
  json["rounds"] = o.Repeat;
  json["warmup_rounds"] = o.Warmup;
  json["timeout_seconds"] =
      o.Limits.TimeoutSeconds ? Json(*o.Limits.TimeoutSeconds) : Json(nullptr);
  json["pinned_cpu"] = o.Limits.PinnedCpu ? Json(*o.Limits.PinnedCpu) : Json(nullptr);
  const MachineContext& c = report.Context;
  json["context"] = {
      {"processor", c.Processor},
      {"logical_cores", c.LogicalCores},
      {"memory_bytes", c.MemoryBytes},
      {"operating_system", c.OperatingSystem},
      {"kernel", c.Kernel},
      {"kit_version", c.KitVersion},
      {"git_commit", c.GitCommit.empty() ? Json(nullptr) : Json(c.GitCommit)},
      {"git_changes", c.GitChanges},
      {"compiler", c.Compiler},
      {"build_type", c.BuildType},
      {"started_utc", c.StartedUtc},
      {"load_average",
       {std::round(c.LoadAverage[0] * 100) / 100, std::round(c.LoadAverage[1] * 100) / 100,
        std::round(c.LoadAverage[2] * 100) / 100}},
      {"busy_at_start", BusyAtStart(c)}};

  const std::optional<std::size_t> fastest = Fastest(report);
  json["solvers"] = Json::array();
  for (std::size_t i = 0; i < report.Solvers.size(); ++i) {
    const SolverReport& s = report.Solvers[i];
    const checker::CheckResult& check = s.Check;
    Json solver;
    solver["name"] = s.Solver.Name;
    solver["program"] = ReportPath(s.Solver.Program);
    solver["state"] = StateName(s.State);
    solver["runs"] = Json::array();
    for (const SolverRun& run : s.Runs) {
      solver["runs"].push_back({{"round", run.Round},
                                {"warmup", run.Warmup},
                                {"ende_seconds", Milliseconds(run.EndeSeconds)},
                                {"monotonic_seconds", Microseconds(run.MonotonicSeconds)},
                                {"guard_seconds", Microseconds(run.GuardSeconds)}});
    }
    solver["monotonic_seconds"] = SummaryJson(s.MonotonicTimes(), Microseconds);
    solver["ende_seconds"] = SummaryJson(s.EndeTimes(), Milliseconds);
    solver["out_bytes"] = s.OutBytes;
    solver["outcomes"] = {{"no_solution", check.Outcomes[0]},
                          {"one", check.Outcomes[1]},
                          {"several", check.Outcomes[2]}};
    const bool judged = s.State != SolverState::Failed;
    solver["verdict"] = judged ? Json(check.Message) : Json(nullptr);
    solver["all_correct"] = s.State == SolverState::Correct;
    solver["last_round"] = s.LastRound;
    solver["wrong_puzzle"] = s.State == SolverState::Wrong ? Json(check.Number) : Json(nullptr);
    solver["reason"] = s.State == SolverState::Wrong ? Json(check.Reason) : Json(nullptr);
    solver["failure"] = s.State == SolverState::Failed ? Json(s.Failure) : Json(nullptr);
    Json relative = nullptr;
    if (fastest && s.State == SolverState::Correct) {
      const Ratio r = Slower(Summarize(report.Solvers[*fastest].MonotonicTimes()),
                             Summarize(s.MonotonicTimes()));
      relative = {
          {"factor", std::round(r.Factor * 1000) / 1000},
          {"sd", r.Deviation ? Json(std::round(*r.Deviation * 1000) / 1000) : Json(nullptr)}};
    }
    solver["relative_to_fastest"] = relative;
    json["solvers"].push_back(solver);
  }
  json["fastest"] = fastest ? Json(report.Solvers[*fastest].Solver.Name) : Json(nullptr);
  json["exit_status"] = ExitStatus(report);
  return json.dump(2) + "\n";
}

}  // namespace runner
