// The picture of a comparison, looked at pixel by pixel on Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cstdlib>

#include "Plot.h"
#include "PngFile.h"
#include "TempFolder.h"

namespace report {
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
  record::RunRecord run;
  run.Settings.Repeat = 5;
  run.Settings.Warmup = 1;
  run.Sets.resize(1);
  run.Sets[0].Seed = 4711;
  run.Sets[0].Count = 5000;
  run.Solvers = {{"A", "a"}, {"B", "b"}};
  run.Runs.resize(3);
  run.Runs[0].Round = run.Runs[1].Round = 1;
  run.Runs[0].Warmup = run.Runs[1].Warmup = true;
  run.Runs[0].MonotonicSeconds = 1;
  run.Runs[1].Solver = 1;
  run.Runs[1].Verdict = record::Verdict::Wrong;
  run.Runs[2].Round = 2;
  run.Runs[2].MonotonicSeconds = 2;
  PlotData data = PlotOf(run, record::Summarize(run), ".");
  EXPECT_EQ(data.Title, "5000 Rätsel von Build (Startzahl 4711), 5 Runden");
  EXPECT_EQ(data.DecimalSeparator, ".");
  ASSERT_EQ(data.Rows.size(), 2u);
  EXPECT_EQ(data.Rows[0].Seconds, std::vector<double>{2});  // the warm-up run is not drawn
  EXPECT_EQ(data.Rows[1].Name, "B (falsch)");
  run.Sets[0].Collection = "data/puzzles/top1465.txt";
  run.Settings.Repeat = 1;
  EXPECT_EQ(PlotOf(run, record::Summarize(run), ",").Title, "5000 Rätsel aus top1465.txt, 1 Runde");
}

// The file holds the picture as drawn, and replaces an earlier one.
TEST(Plot, ThePngFileHoldsThePicture) {
  NeedApplication();
  kit::testing::TempFolder folder;
  kit::testing::PutFile(folder / "bild.png", "alt");
  PlotData data;
  data.Rows = {{"A", {0.5, 0.7}}};
  const QImage image = DrawComparison(data);
  WritePng(folder / "bild.png", image, "bild.png");
  QImage read;
  ASSERT_TRUE(read.load(QString::fromStdString((folder / "bild.png").string()), "PNG"));
  EXPECT_EQ(read.convertToFormat(image.format()), image);
}

}  // namespace
}  // namespace report
