#include "JsonReport.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "LastRun.h"
#include "TextReport.h"

namespace report {
namespace {

using Json = nlohmann::ordered_json;
using record::Verdict;

// Seconds to the millisecond, the resolution of Start.txt and so of Ende's times.
double Milliseconds(double seconds) {
  return std::round(seconds * 1000) / 1000;
}

// Seconds to the microsecond: the monotonic clock's times, where a millisecond can be several per
// cent of a fast run.
double Microseconds(double seconds) {
  return std::round(seconds * 1000000) / 1000000;
}

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

Json ContextJson(const record::MachineContext& c) {
  return {{"processor", c.Processor},
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
          {"busy_at_start", record::BusyAtStart(c)}};
}

Json RunsJson(const record::SolverSummary& s) {
  Json runs = Json::array();
  for (const record::Run* run : s.Ended) {
    runs.push_back({{"round", run->Round},
                    {"warmup", run->Warmup},
                    {"ende_seconds", Milliseconds(run->EndeSeconds)},
                    {"monotonic_seconds", Microseconds(run->MonotonicSeconds)},
                    {"guard_seconds", Microseconds(run->GuardSeconds)}});
  }
  return runs;
}

Json SolverJson(const record::Solver& solver, const record::SolverSummary& s) {
  const record::Judgement& check = LastCheck(s);
  const bool wrong = s.State == Verdict::Wrong, failed = s.State == Verdict::Failed;
  Json json;
  json["name"] = solver.Name;
  json["program"] = ReportPath(solver.Program);
  json["state"] = record::VerdictName(s.State);
  json["runs"] = RunsJson(s);
  json["monotonic_seconds"] = SummaryJson(s.MonotonicTimes, s.Monotonic, Microseconds);
  json["ende_seconds"] = SummaryJson(s.EndeTimes, s.Ende, Milliseconds);
  json["out_bytes"] = LastOutBytes(s);
  json["outcomes"] = {{"no_solution", check.Outcomes[0]},
                      {"one", check.Outcomes[1]},
                      {"several", check.Outcomes[2]}};
  json["verdict"] = failed ? Json(nullptr) : Json(check.Message);
  json["all_correct"] = s.State == Verdict::Correct;
  json["last_round"] = LastRound(s);
  json["wrong_puzzle"] = wrong ? Json(check.Number) : Json(nullptr);
  json["reason"] = wrong ? Json(check.Reason) : Json(nullptr);
  json["failure"] = failed ? Json(s.Last->Failure) : Json(nullptr);
  Json relative = nullptr;
  if (const std::optional<stats::Ratio>& r = s.RelativeToFastest; r) {
    relative = {
        {"factor", std::round(r->Factor * 1000) / 1000},
        {"sd", r->Deviation ? Json(std::round(*r->Deviation * 1000) / 1000) : Json(nullptr)}};
  }
  json["relative_to_fastest"] = relative;
  return json;
}

}  // namespace

std::string FormatJson(const record::RunRecord& record, const record::Summaries& summaries) {
  // The file describes one set of puzzles, the run's first.
  const std::size_t set = 0;
  const record::PuzzleSet& puzzles = record.Sets.at(set);
  const record::SetSummary& summary = summaries.Sets.at(set);
  const record::Settings& o = record.Settings;
  Json json;
  json["folder"] = ReportPath(o.Folder);
  json["count"] = puzzles.Count;
  const bool generated = puzzles.Collection.empty();
  json["seed"] = generated ? Json(puzzles.Seed) : Json(nullptr);
  json["puzzles_file"] = generated ? Json(nullptr) : Json(ReportPath(puzzles.Collection));
  json["in_bytes"] = puzzles.InBytes;
  json["rounds"] = o.Repeat;
  json["warmup_rounds"] = o.Warmup;
  json["timeout_seconds"] = Optional(o.TimeoutSeconds);
  json["pinned_cpu"] = Optional(o.PinnedCpu);
  json["context"] = ContextJson(record.Context);
  json["solvers"] = Json::array();
  for (std::size_t i = 0; i < record.Solvers.size(); ++i) {
    json["solvers"].push_back(SolverJson(record.Solvers[i], summary.Solvers[i]));
  }
  json["fastest"] = summary.Fastest ? Json(record.Solvers[*summary.Fastest].Name) : Json(nullptr);
  json["exit_status"] = summaries.ExitStatus;
  return json.dump(2) + "\n";
}

}  // namespace report
