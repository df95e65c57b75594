#include "JsonReport.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "Statistics.h"
#include "TextReport.h"

namespace runner {
namespace {

// Seconds to the millisecond, the clocks' resolution.
double Milliseconds(double seconds) {
  return std::round(seconds * 1000) / 1000;
}

nlohmann::ordered_json SpreadJson(const std::vector<double>& values) {
  const Spread s = SpreadOf(values);
  return {{"min", Milliseconds(s.Minimum)},
          {"median", Milliseconds(s.Median)},
          {"max", Milliseconds(s.Maximum)}};
}

}  // namespace

std::string FormatJson(const RunReport& report) {
  const RunOptions& o = report.Options;
  const checker::CheckResult& check = report.Check;
  nlohmann::ordered_json json;
  json["folder"] = ReportPath(o.Folder);
  json["count"] = report.Puzzles.Count;
  if (o.Source.Collection.empty()) {
    json["seed"] = o.Source.Seed;
    json["puzzles_file"] = nullptr;
  } else {
    json["seed"] = nullptr;
    json["puzzles_file"] = ReportPath(o.Source.Collection);
  }
  json["solver"] = ReportPath(o.Solver);
  json["in_bytes"] = report.Puzzles.Bytes;
  json["out_bytes"] = report.OutBytes;
  json["outcomes"] = {{"no_solution", check.Outcomes[0]},
                      {"one", check.Outcomes[1]},
                      {"several", check.Outcomes[2]}};
  std::vector<double> ende, monotonic;
  json["runs"] = nlohmann::ordered_json::array();
  for (const SolverRun& run : report.Runs) {
    json["runs"].push_back({{"ende_seconds", Milliseconds(run.EndeSeconds)},
                            {"monotonic_seconds", Milliseconds(run.MonotonicSeconds)}});
    ende.push_back(run.EndeSeconds);
    monotonic.push_back(run.MonotonicSeconds);
  }
  json["ende_seconds"] = SpreadJson(ende);
  json["monotonic_seconds"] = SpreadJson(monotonic);
  json["verdict"] = check.Message;
  json["all_correct"] = check.Kind == checker::Verdict::AllCorrect;
  if (check.Kind == checker::Verdict::Wrong) {
    json["wrong_puzzle"] = check.Number;
    json["reason"] = check.Reason;
  } else {
    json["wrong_puzzle"] = nullptr;
    json["reason"] = nullptr;
  }
  return json.dump(2) + "\n";
}

}  // namespace runner
