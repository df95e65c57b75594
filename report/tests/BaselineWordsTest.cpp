// What --baseline found beside its comparisons, in every report alike: the puzzles it lent the
// run, and why a solver on a set was not compared.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#include "HtmlReport.h"
#include "JsonReport.h"
#include "MarkdownReport.h"
#include "SampleRecords.h"
#include "TextReport.h"

namespace report {
namespace {

using record::NoComparison;

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The line of `text` that begins with `start`, or empty.
std::string LineOf(const std::string& text, const std::string& start) {
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with(start)) return line;
  }
  return {};
}

// The sample against run 12 „v1“, flink not compared as `cell` says.
record::RunRecord Uncompared(const std::string& reference, record::UncomparedCell cell) {
  record::RunRecord r = samples::AgainstBaseline();
  r.Baseline->Reference = reference;
  r.Baseline->Cells.erase(r.Baseline->Cells.begin());
  r.Baseline->Uncompared = {std::move(cell)};
  return r;
}

nlohmann::json FlinkAgainstBaseline(const record::RunRecord& r) {
  return nlohmann::json::parse(
      FormatJson(r, record::Summarize(r), 2))["sets"][0]["solvers"][0]["against_baseline"];
}

TEST(BaselineWords, EachSolverAndSetNotComparedSaysWhyInEveryReport) {
  struct Case {
    std::string Reference;
    NoComparison Reason;
    std::optional<std::int64_t> Run;  // the stored run looked into
    std::string RunName, Against, Words, Name;
  };
  const Case cases[] = {
      {"v1", NoComparison::OtherPuzzles, 12, "v1", "Lauf 12 „v1“", "andere Rätsel in der Basis",
       "other_puzzles"},
      {"v1", NoComparison::NoSolver, 12, "v1", "Lauf 12 „v1“", "Löser nicht in der Basis",
       "solver_not_in_baseline"},
      {"12", NoComparison::Wrong, 12, "", "Lauf 12", "in der Basis falsch", "wrong_in_baseline"},
      {"v1", NoComparison::Failed, 12, "v1", "Lauf 12 „v1“", "in der Basis gescheitert",
       "failed_in_baseline"},
      {"v1", NoComparison::NotTimed, 12, "v1", "Lauf 12 „v1“", "in der Basis nicht gemessen",
       "not_timed_in_baseline"},
      // latest: each cell has a run of its own, the last with these puzzles, or none at all.
      {"latest", NoComparison::NoEarlierRun, std::nullopt, "", "–", "kein früherer Lauf",
       "no_earlier_run"},
      {"latest", NoComparison::Wrong, 9, "", "Lauf 9", "im letzten Lauf mit diesen Rätseln falsch",
       "wrong_in_baseline"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Words);
    const record::RunRecord r = Uncompared(c.Reference, {0, 0, c.Reason, c.Run, c.RunName});
    const record::Summaries summaries = record::Summarize(r);
    const std::string row = LineOf(FormatReport(r, summaries, ","), "flink    Build  " + c.Against);
    EXPECT_TRUE(row.ends_with("  " + c.Words)) << row;
    EXPECT_TRUE(Has(FormatMarkdown(r, summaries, ","),
                    "| flink | Build | " + c.Against + " | – | – | – | " + c.Words + " |\n"));
    const nlohmann::json against = FlinkAgainstBaseline(r);
    EXPECT_EQ(against["no_comparison"], c.Name);
    EXPECT_EQ(against["run"], c.Run ? nlohmann::json(*c.Run) : nlohmann::json());
    EXPECT_TRUE(against["ratio"].is_null() && against["change"].is_null()) << against;
  }
  // Compared: no reason. Found, but wrong in this run: the reason is this run's.
  record::RunRecord r = samples::AgainstBaseline();
  EXPECT_TRUE(FlinkAgainstBaseline(r)["no_comparison"].is_null());
  r.Measurements[0].Verdict = record::Verdict::Wrong;
  EXPECT_EQ(FlinkAgainstBaseline(r)["no_comparison"], "not_correct");
  EXPECT_EQ(FlinkAgainstBaseline(r)["run"], 12);
  r.Baseline.reset();
  EXPECT_TRUE(FlinkAgainstBaseline(r).is_null());
}

TEST(BaselineWords, ThePuzzlesABaselineLentAreNamedBesideTheSeed) {
  record::RunRecord r = samples::AgainstBaseline();
  const auto text = [&r] { return FormatReport(r, record::Summarize(r), ","); };
  EXPECT_FALSE(Has(text(), "übernommen"));
  r.Baseline->PuzzlesFrom = record::PuzzlesFrom{12, 4711, 1000};
  const std::string line = "Startzahl 4711 und Anzahl 1000 aus der Basis v1";
  EXPECT_TRUE(Has(text(), "\nStartzahl:   4711\n   übernommen: " + line + "\nIN.TXT:")) << text();
  const record::Summaries summaries = record::Summarize(r);
  EXPECT_TRUE(Has(FormatMarkdown(r, summaries, ","), "\n" + line + ".\n"));
  EXPECT_TRUE(Has(FormatHtml(r, summaries, ","), line));
  const nlohmann::json from =
      nlohmann::json::parse(FormatJson(r, summaries, 3))["baseline"]["puzzles_from"];
  EXPECT_EQ(from, nlohmann::json::parse(R"({"run": 12, "seed": 4711, "count": 1000})"));

  // The count given by --count is the run's own; latest and a number say which run lent them.
  r.Baseline->PuzzlesFrom->Count.reset();
  EXPECT_TRUE(Has(text(), "übernommen: Startzahl 4711 aus der Basis v1\n")) << text();
  r.Baseline->Reference = "latest";
  EXPECT_TRUE(Has(text(), "übernommen: Startzahl 4711 aus der Basis latest (Lauf 12)\n"));
  r.Baseline->Reference = "12";
  EXPECT_TRUE(Has(text(), "übernommen: Startzahl 4711 aus der Basis Lauf 12\n"));
}

}  // namespace
}  // namespace report
