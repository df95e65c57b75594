#include "History.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "JsonText.h"
#include "Numbers.h"

namespace report {
namespace {

using Json = nlohmann::ordered_json;

// "2026-12-08T01:30:12Z" as "2026-12-08 01:30".
std::string ShownMoment(const std::string& utc) {
  if (utc.size() < 16 || utc[10] != 'T') return utc;
  return utc.substr(0, 10) + " " + utc.substr(11, 5);
}

std::string Short(const std::string& hash) {
  return hash.substr(0, 8);
}

Json Rounded(const std::optional<double>& value, double unit) {
  return value ? Json(std::round(*value * unit) / unit) : Json(nullptr);
}

using json::Text;

// What the run's comparison with its baseline said, and with which run; the run's own baseline
// name after it. A slowdown is bad news; the other outcomes stay plain in this column.
Cell BaselineCell(const record::HistoryLine& l) {
  std::string cell;
  Tone tone = Tone::None;
  if (l.AgainstBaseline) {
    const record::Change change = l.AgainstBaseline->Result.Change;
    cell = std::string(record::ChangeWord(change)) + " (Lauf " +
           std::to_string(l.AgainstBaseline->Other) + ")";
    if (change == record::Change::Slower) tone = Tone::Bad;
  }
  if (!l.BaselineName.empty())
    cell += (cell.empty() ? "" : "; ") + ("Basis „" + l.BaselineName + "“");
  return {cell.empty() ? "–" : cell, tone};
}

Json ComparisonJson(const std::optional<record::StoredComparison>& c) {
  if (!c) return nullptr;
  const record::Comparison& r = c->Result;
  return {{"run", c->Other},
          {"ratio", std::round(r.Ratio.Ratio * 1e4) / 1e4},
          {"low", std::round(r.Ratio.Low * 1e4) / 1e4},
          {"high", std::round(r.Ratio.High * 1e4) / 1e4},
          {"p", r.P ? Json(*r.P) : Json(nullptr)},
          {"change", record::ChangeName(r.Change)}};
}

}  // namespace

const char* VerdictWord(record::Verdict state) {
  switch (state) {
    case record::Verdict::Correct:
      return "korrekt";
    case record::Verdict::Wrong:
      return "falsch";
    case record::Verdict::Failed:
      return "gescheitert";
  }
  return "";
}

std::vector<std::vector<Cell>> HistoryRows(const std::vector<record::HistoryLine>& lines,
                                           const std::string& separator) {
  std::vector<std::vector<Cell>> rows{{"Nr.", "Beginn (UTC)", "Rechner", "Kit", "Löser", "Satz",
                                       "Median", "µs/Rätsel netto", "Urteil", "Gegen die Basis"}};
  for (const record::HistoryLine& l : lines) {
    std::string solver = l.Solver;
    // Its version: a script rebuilt behind the same command is a new one.
    if (!l.VersionSha256.empty()) solver += " (" + Short(l.VersionSha256) + ")";
    rows.push_back(
        {std::to_string(l.Number), ShownMoment(l.StartedUtc), l.Machine,
         l.Commit.empty() ? "–" : l.Commit, solver, l.Set,
         l.MedianSeconds ? PreciseSeconds(*l.MedianSeconds, separator) + " s" : "–",
         l.MicrosecondsPerPuzzleNet ? Figure(*l.MicrosecondsPerPuzzleNet, separator) : "–",
         Cell(VerdictWord(l.Verdict), ToneOf(l.Verdict)), BaselineCell(l)});
  }
  return rows;
}

std::string FormatHistory(const std::vector<record::HistoryLine>& lines,
                          const std::string& separator) {
  if (lines.empty()) return "Keine gespeicherten Läufe.\n";
  std::vector<std::vector<std::string>> rows;
  for (const std::vector<Cell>& row : HistoryRows(lines, separator)) rows.push_back(TextsOf(row));
  return AlignedColumns(rows, {true, false, false, false, false, false, true, true, false, false},
                        "  ");
}

std::string DayOf(const std::string& startedUtc) {
  const bool date = startedUtc.size() >= 10 && startedUtc[4] == '-' && startedUtc[7] == '-';
  if (!date) return {};
  return startedUtc.substr(8, 2) + "." + startedUtc.substr(5, 2) + "." + startedUtc.substr(0, 4);
}

plot::Ticks HistorySet::TimeAxis() const {
  double low = 0, high = 0;
  bool any = false;
  for (const record::HistoryLine* line : Lines) {
    for (const std::optional<double>& s :
         {line->MinimumSeconds, line->MedianSeconds, line->MaximumSeconds}) {
      if (!s) continue;
      low = any ? std::min(low, *s) : *s;
      high = any ? std::max(high, *s) : *s;
      any = true;
    }
  }
  return plot::TicksOver(low, high);
}

std::vector<HistorySet> HistorySetsOf(const std::vector<record::HistoryLine>& lines,
                                      std::vector<std::string>& solvers) {
  std::vector<HistorySet> sets;
  for (const record::HistoryLine& line : lines) {
    auto set = std::find_if(sets.begin(), sets.end(), [&](const HistorySet& p) {
      return p.Name == line.Set && p.Sha256 == line.SetSha256;
    });
    if (set == sets.end()) {
      sets.push_back({line.Set, line.SetSha256, "", line.Count, {}, {}, {}, {}});
      set = sets.end() - 1;
    }
    if (set->RunIndex(line.Number) == set->Runs.size()) {
      set->Runs.push_back(line.Number);
      set->Days.push_back(DayOf(line.StartedUtc));
    }
    set->Lines.push_back(&line);
    const auto known = std::find(solvers.begin(), solvers.end(), line.Solver);
    const auto solver = static_cast<std::size_t>(known - solvers.begin());
    if (known == solvers.end()) solvers.push_back(line.Solver);
    if (std::find(set->Solvers.begin(), set->Solvers.end(), solver) == set->Solvers.end()) {
      set->Solvers.push_back(solver);
    }
  }
  for (HistorySet& set : sets) {
    std::sort(set.Solvers.begin(), set.Solvers.end());
    set.Title = set.Name + " (" + std::to_string(set.Count) + " Rätsel";
    // Two sets of one name are told apart by the start of their digest.
    const bool twin = std::count_if(sets.begin(), sets.end(),
                                    [&](const HistorySet& p) { return p.Name == set.Name; }) > 1;
    if (twin) {
      set.Title += set.Sha256.empty() ? ", ohne Prüfsumme" : ", Prüfsumme " + Short(set.Sha256);
    }
    set.Title += ")";
  }
  return sets;
}

std::string FormatHistoryJson(const std::vector<record::HistoryLine>& lines) {
  Json list = Json::array();
  for (const record::HistoryLine& l : lines) {
    list.push_back({{"run", l.Number},
                    {"started_utc", l.StartedUtc},
                    {"machine", l.Machine},
                    {"machine_id", Text(l.MachineId)},
                    {"kit_commit", Text(l.Commit)},
                    {"solver", l.Solver},
                    {"program_sha256", Text(l.SolverSha256)},
                    {"version_sha256", Text(l.VersionSha256)},
                    {"set", l.Set},
                    {"in_sha256", Text(l.SetSha256)},
                    {"count", l.Count},
                    {"timed_runs", l.TimedRuns},
                    {"median_seconds", Rounded(l.MedianSeconds, 1e6)},
                    {"min_seconds", Rounded(l.MinimumSeconds, 1e6)},
                    {"max_seconds", Rounded(l.MaximumSeconds, 1e6)},
                    {"us_per_puzzle_net", Rounded(l.MicrosecondsPerPuzzleNet, 1e3)},
                    {"check_threads", l.CheckThreads ? Json(*l.CheckThreads) : Json(nullptr)},
                    {"check_seconds", Rounded(l.CheckSeconds, 1e6)},
                    {"state", record::VerdictName(l.Verdict)},
                    {"baseline_name", Text(l.BaselineName)},
                    {"against_baseline", ComparisonJson(l.AgainstBaseline)}});
  }
  return list.dump(2) + "\n";
}

}  // namespace report
