// What a run ends with: the precedence of failures, wrong answers and regressions, and a gate
// that compared nothing failing rather than passing.
#include <gtest/gtest.h>

#include "ExitStatus.h"
#include "SampleRecords.h"

namespace runner {
namespace {

namespace samples = report::samples;

int StatusOf(const record::RunRecord& r) {
  return DecideExit(r, record::Summarize(r)).Status;
}

TEST(ExitStatus, FailureOverWrongOverSlowerOverNothing) {
  // As the golden JSON reports of these records name it.
  EXPECT_EQ(StatusOf(samples::OneRun()), 0);
  EXPECT_EQ(StatusOf(samples::Comparison()), 2);  // a failure outranks a wrong answer
  EXPECT_EQ(StatusOf(samples::WrongOnBusyMachine()), 1);
  EXPECT_EQ(StatusOf(samples::Suite()), 2);
  EXPECT_EQ(StatusOf(samples::AgainstBaseline()), 3);

  record::RunRecord r = samples::Comparison();
  std::erase_if(r.Measurements,
                [](const record::Measurement& m) { return m.Verdict == record::Verdict::Failed; });
  EXPECT_EQ(StatusOf(r), 1);

  r = samples::AgainstBaseline();
  r.Settings.FailOnRegression = false;  // slower, but no gate was asked for
  EXPECT_EQ(StatusOf(r), 0);
  r.Settings.FailOnRegression = true;
  r.Measurements[2].Verdict = record::Verdict::Wrong;  // flink wrong: 1, not the regression's 3
  EXPECT_EQ(StatusOf(r), 1);
}

TEST(ExitStatus, AGateThatComparedNothingFailsAndNamesEachCell) {
  record::RunRecord r = samples::AgainstBaseline();
  r.Baseline->Cells.erase(r.Baseline->Cells.begin());  // flink had no comparable run
  RunEnd end = DecideExit(r, record::Summarize(r));
  EXPECT_EQ(end.Status, 2);
  EXPECT_EQ(end.Undecided,
            (std::vector<std::string>{"Löser flink auf Satz Build: kein Vergleich mit der Basis"}));

  r = samples::AgainstBaseline();
  r.Baseline->Cells[1].MonotonicSeconds.resize(3);  // langsam's baseline too short to decide
  end = DecideExit(r, record::Summarize(r));
  EXPECT_EQ(end.Status, 2);
  EXPECT_EQ(end.Undecided,
            (std::vector<std::string>{"Löser langsam auf Satz Build: zu wenige Runden"}));

  // Why a cell has no comparison is said for each; with latest, with the run looked into.
  r = samples::AgainstBaseline();
  r.Baseline->Cells.clear();
  r.Baseline->Uncompared = {{0, 0, record::NoComparison::NoSolver, 12, "v1"},
                            {0, 1, record::NoComparison::OtherPuzzles, 12, "v1"}};
  EXPECT_EQ(DecideExit(r, record::Summarize(r)).Undecided,
            (std::vector<std::string>{"Löser flink auf Satz Build: Löser nicht in der Basis",
                                      "Löser langsam auf Satz Build: andere Rätsel in der Basis"}));
  r.Baseline->Reference = "latest";
  r.Baseline->Uncompared = {{0, 0, record::NoComparison::Failed, 9},
                            {0, 1, record::NoComparison::NoEarlierRun}};
  EXPECT_EQ(
      DecideExit(r, record::Summarize(r)).Undecided,
      (std::vector<std::string>{
          "Löser flink auf Satz Build: im letzten Lauf mit diesen Rätseln gescheitert (Lauf 9)",
          "Löser langsam auf Satz Build: kein früherer Lauf"}));

  r.Settings.FailOnRegression = false;  // without the gate, nothing undecided counts
  end = DecideExit(r, record::Summarize(r));
  EXPECT_EQ(end.Status, 0);
  EXPECT_TRUE(end.Undecided.empty());
}

}  // namespace
}  // namespace runner
