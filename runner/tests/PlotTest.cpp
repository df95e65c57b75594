// The picture of a comparison, looked at pixel by pixel on Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cstdlib>

#include "Plot.h"

namespace runner {
namespace {

void NeedApplication() {
  static int argc = 1;
  static char name[] = "plot_test";
  static char* argv[] = {name, nullptr};
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication application(argc, argv);
}

// The columns of row `y` (a band of ±3 pixels) whose colour is the runs' blue.
std::vector<int> BlueColumns(const QImage& image, int y) {
  std::vector<int> columns;
  for (int x = 0; x < image.width(); ++x) {
    for (int dy = -3; dy <= 3; ++dy) {
      const QColor c = image.pixelColor(x, y + dy);
      if (c.blue() > 150 && c.red() < 120 && c.green() < 190) {
        columns.push_back(x);
        break;
      }
    }
  }
  return columns;
}

// The first column of row `y` that holds the median's red.
int RedColumn(const QImage& image, int y) {
  for (int x = 0; x < image.width(); ++x) {
    const QColor c = image.pixelColor(x, y - 10);
    if (c.red() > 180 && c.green() < 100 && c.blue() < 100) return x;
  }
  return -1;
}

TEST(Plot, OneRowPerSolverWithItsRunsAndMedianInTimeOrder) {
  NeedApplication();
  PlotData data;
  data.Title = "5000 Rätsel von Build (Startzahl 4711), 3 Runden";
  data.Rows = {{"schnell", {1.0, 1.1, 1.2}}, {"langsam", {2.0, 2.2, 2.4}}, {"kaputt", {}}};
  const QImage image = DrawComparison(data);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.width(), 960);
  EXPECT_EQ(image.height(), 64 + 3 * 52 + 64);  // grows with the rows
  EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::white));

  const int fast = 64 + 26, slow = 64 + 52 + 26, none = 64 + 104 + 26;  // the rows' centres
  const std::vector<int> fastRuns = BlueColumns(image, fast), slowRuns = BlueColumns(image, slow);
  ASSERT_FALSE(fastRuns.empty());
  ASSERT_FALSE(slowRuns.empty());
  EXPECT_TRUE(BlueColumns(image, none).empty());  // a solver without timed runs has no dots
  // The axis starts at 0, so the slow runs lie about twice as far right of it.
  EXPECT_GT(slowRuns.front(), fastRuns.back());
  const int fastMedian = RedColumn(image, fast), slowMedian = RedColumn(image, slow);
  EXPECT_GT(fastMedian, fastRuns.front());
  EXPECT_LT(fastMedian, fastRuns.back());
  EXPECT_GT(slowMedian, slowRuns.front());
  EXPECT_LT(slowMedian, slowRuns.back());
  EXPECT_EQ(RedColumn(image, none), -1);
}

TEST(Plot, TitleNamesCountSourceAndRounds) {
  RunReport report;
  report.Options.Source.Seed = 4711;
  report.Options.Repeat = 5;
  report.Puzzles.Count = 5000;
  SolverReport a, b;
  a.Solver.Name = "A";
  a.Runs = {{1, true, 1, "", 1}, {2, false, 2, "", 2}};
  b.Solver.Name = "B";
  b.State = SolverState::Wrong;
  report.Solvers = {a, b};
  PlotData data = PlotOf(report);
  EXPECT_EQ(data.Title, "5000 Rätsel von Build (Startzahl 4711), 5 Runden");
  ASSERT_EQ(data.Rows.size(), 2u);
  EXPECT_EQ(data.Rows[0].Seconds, std::vector<double>{2});  // the warm-up run is not drawn
  EXPECT_EQ(data.Rows[1].Name, "B (falsch)");
  report.Options.Source.Collection = "data/puzzles/top1465.txt";
  report.Options.Repeat = 1;
  EXPECT_EQ(PlotOf(report).Title, "5000 Rätsel aus top1465.txt, 1 Runde");
}

}  // namespace
}  // namespace runner
