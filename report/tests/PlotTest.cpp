// The pictures of a comparison and of the stored runs, looked at pixel by pixel on Qt's offscreen
// platform.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QRect>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "HistoryPlot.h"
#include "Plot.h"
#include "PlotParts.h"
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

// Whether a pixel has the hue of `colour`: a solver's marks, translucent over white or over each
// other.
bool InHue(const QColor& c, const QColor& colour) {
  const int hue = std::abs(c.hsvHue() - colour.hsvHue());
  return c.hsvSaturation() > 60 && std::min(hue, 360 - hue) < 12;
}

// The columns of row `y` (a band of ±3 pixels) in the hue of `colour`: the dots of one solver.
std::vector<int> ColumnsOf(const QImage& image, int y, const QColor& colour) {
  std::vector<int> columns;
  for (int x = 0; x < image.width(); ++x) {
    for (int dy = -3; dy <= 3; ++dy) {
      if (InHue(image.pixelColor(x, y + dy), colour)) {
        columns.push_back(x);
        break;
      }
    }
  }
  return columns;
}

// The smallest rectangle within `area` that holds every pixel in the hue of `colour`; empty when
// there is none.
QRect Extent(const QImage& image, const QRect& area, const QColor& colour) {
  QRect extent;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (InHue(image.pixelColor(x, y), colour)) extent |= QRect(x, y, 1, 1);
    }
  }
  return extent;
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
  data.Solvers = {"schnell", "langsam", "kaputt"};
  data.Panels = {
      {"", {{"schnell", 0, {1.0, 1.1, 1.2}}, {"langsam", 1, {2.0, 2.2, 2.4}}, {"kaputt", 2, {}}}}};
  const QImage image = DrawComparison(data);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.width(), 960);
  EXPECT_EQ(image.height(), 64 + 3 * 52 + 30 + 26 + 24 + 10);  // grows with the rows
  EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::white));

  const int fast = 64 + 26, slow = 64 + 52 + 26, none = 64 + 104 + 26;  // the rows' centres
  const std::vector<int> fastRuns = ColumnsOf(image, fast, SolverColour(0)),
                         slowRuns = ColumnsOf(image, slow, SolverColour(1));
  ASSERT_FALSE(fastRuns.empty());
  ASSERT_FALSE(slowRuns.empty());
  EXPECT_TRUE(ColumnsOf(image, slow, SolverColour(0)).empty());  // each in its own colour
  EXPECT_TRUE(ColumnsOf(image, none, SolverColour(2)).empty());  // no timed runs, no dots
  // The axis starts at 0, so the slow runs lie about twice as far right of it.
  EXPECT_GT(slowRuns.front(), fastRuns.back());
  const int fastMedian = RedColumn(image, fast), slowMedian = RedColumn(image, slow);
  EXPECT_GT(fastMedian, fastRuns.front());
  EXPECT_LT(fastMedian, fastRuns.back());
  EXPECT_GT(slowMedian, slowRuns.front());
  EXPECT_LT(slowMedian, slowRuns.back());
  EXPECT_EQ(RedColumn(image, none), -1);
}

// Three sets of very different times: each panel has an axis of its own, and a solver has the
// same colour in every panel and in the legend below them.
TEST(Plot, OnePanelPerSetOneColourPerSolver) {
  NeedApplication();
  PlotData data;
  data.Title = "3 Sammlungen, 3 Runden";
  data.Solvers = {"A", "B", "C"};
  for (double unit : {0.01, 1.0, 30.0}) {
    data.Panels.push_back(
        {"Satz", {{"A", 0, {unit, unit}}, {"B", 1, {2 * unit}}, {"C", 2, {3 * unit, 3 * unit}}}});
  }
  const QImage image = DrawComparison(data);
  const int panel = 30 + 3 * 52 + 30;  // title, rows, axis labels
  ASSERT_EQ(image.height(), 64 + 3 * panel + 2 * 18 + 26 + 24 + 10);
  for (int k = 0; k < 3; ++k) {
    for (std::size_t i = 0; i < 3; ++i) {
      const int centre = 64 + k * (panel + 18) + 30 + static_cast<int>(i) * 52 + 26;
      const std::vector<int> runs = ColumnsOf(image, centre, SolverColour(i));
      ASSERT_FALSE(runs.empty()) << "panel " << k << ", solver " << i;
      EXPECT_TRUE(ColumnsOf(image, centre, SolverColour((i + 1) % 3)).empty());
      if (i == 2) {
        EXPECT_GT(runs.front(), 960 * 3 / 4) << "panel " << k;  // on a scale of its own
      }
    }
  }
  const int legend = image.height() - 10 - 12;
  int before = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    const std::vector<int> key = ColumnsOf(image, legend, SolverColour(i));
    ASSERT_FALSE(key.empty()) << "solver " << i;
    EXPECT_GT(key.front(), before);  // in the order of the solvers
    before = key.back();
  }
}

// A library's histogram adds a panel below the legend whose curve stands where its bin lies on
// the decades' axis, in the library's colour.
TEST(Plot, ALibrarysTimesStandInTheirBinBelowTheLegend) {
  NeedApplication();
  PlotData data;
  data.Title = "1 Sammlung";
  data.Solvers = {"L"};
  data.Panels = {{"", {{"L", 0, {0.5, 0.6}}}}};
  const QImage without = DrawComparison(data);
  data.Histograms = {{"s (4 Rätsel)", 0, {{"L", 0, std::vector<std::int64_t>(90, 0)}}}};
  data.Histograms[0].Curves[0].Counts[40] = 4;  // from 1 ms on
  const QImage with = DrawComparison(data);
  ASSERT_GT(with.height(), without.height());
  // Above the axis, where a curve's empty bins lie along it.
  const int axis = with.height() - plot::BottomMargin - plot::PngHistogram.TimeLabels;
  const QRect below(0, without.height(), with.width(), axis - 3 - without.height());
  const QRect curve = Extent(with, below, SolverColour(0));
  ASSERT_FALSE(curve.isEmpty());
  const plot::HistogramFrame frame =
      plot::HistogramFrameOf(data.Histograms[0], plot::PngHistogram, 0);
  // The step's left edge at the decade of 1 ms, and its width a tenth of a decade.
  EXPECT_NEAR(curve.left(), frame.X(1e3), 3);
  EXPECT_NEAR(curve.right(), frame.X(std::pow(10.0, 3.1)), 3);
}

TEST(Plot, TitleNamesCountSourceAndRounds) {
  record::RunRecord run;
  run.Settings.Repeat = 5;
  run.Settings.Warmup = 1;
  run.Sets.resize(1);
  run.Sets[0].Seed = 4711;
  run.Sets[0].Count = 5000;
  run.Solvers = {{"A", "a"}, {"B", "b"}};
  run.Measurements.resize(3);
  run.Measurements[0].Round = run.Measurements[1].Round = 1;
  run.Measurements[0].Warmup = run.Measurements[1].Warmup = true;
  run.Measurements[0].MonotonicSeconds = 1;
  run.Measurements[1].Solver = 1;
  run.Measurements[1].Verdict = record::Verdict::Wrong;
  run.Measurements[2].Round = 2;
  run.Measurements[2].MonotonicSeconds = 2;
  PlotData data = PlotOf(run, record::Summarize(run), ".");
  EXPECT_EQ(data.Title, "5000 Rätsel von Build (Startzahl 4711), 5 Runden");
  EXPECT_EQ(data.DecimalSeparator, ".");
  EXPECT_EQ(data.Solvers, (std::vector<std::string>{"A", "B"}));
  ASSERT_EQ(data.Panels.size(), 1u);
  EXPECT_EQ(data.Panels[0].Title, "");  // the picture's title names the one set
  ASSERT_EQ(data.Panels[0].Rows.size(), 2u);
  EXPECT_EQ(data.Panels[0].Rows[0].Seconds, std::vector<double>{2});  // the warm-up is not drawn
  EXPECT_EQ(data.Panels[0].Rows[1].Name, "B (falsch)");
  EXPECT_EQ(data.Panels[0].Rows[1].Solver, 1u);
  run.Sets[0].Collection = "data/puzzles/top1465.txt";
  run.Settings.Repeat = 1;
  EXPECT_EQ(PlotOf(run, record::Summarize(run), ",").Title, "5000 Rätsel aus top1465.txt, 1 Runde");

  // A second set, where B has a start-up run beside its timed run.
  run.Sets.push_back({"top95", "top95.txt", 0, 95, 16433});
  record::Measurement startup, timed;
  startup.Set = timed.Set = 1;
  startup.Solver = timed.Solver = 1;
  startup.Round = timed.Round = 2;
  startup.Startup = true;
  startup.MonotonicSeconds = 0.001;
  timed.MonotonicSeconds = 0.05;
  run.Measurements.push_back(startup);
  run.Measurements.push_back(timed);
  data = PlotOf(run, record::Summarize(run), ",");
  EXPECT_EQ(data.Title, "2 Sammlungen, 1 Runde");
  ASSERT_EQ(data.Panels.size(), 2u);
  EXPECT_EQ(data.Panels[1].Title, "top95 (95 Rätsel)");
  EXPECT_EQ(data.Panels[1].Rows[1].Seconds, std::vector<double>{0.05});  // not the start-up
}

// The page's SVG and the PNG draw from one palette: the colours as the SVG writes them are the
// PNG's, and so are the marks' opacities.
TEST(Plot, TheSvgWritesThePngsColours) {
  const auto svg = [](const std::string& hex) { return QColor(QString::fromStdString(hex)); };
  for (std::size_t i = 0; i < 12; ++i) EXPECT_EQ(svg(plot::SolverHex(i)), SolverColour(i)) << i;
  for (const plot::Rgb c : {plot::Ink, plot::Paper, plot::GridColour, plot::MedianColour}) {
    EXPECT_EQ(svg(plot::Hex(c)), plot::Colour(c)) << plot::Hex(c);
  }
  EXPECT_EQ(plot::Hex(plot::Paper), "#fff");
  for (const int alpha : {plot::MarkAlpha, plot::JoinAlpha}) {
    EXPECT_NEAR(std::stod(plot::Opacity(alpha)), alpha / 255.0, 0.005) << alpha;
  }
}

// The file holds the picture as drawn, and replaces an earlier one.
TEST(Plot, ThePngFileHoldsThePicture) {
  NeedApplication();
  kit::testing::TempFolder folder;
  kit::testing::PutFile(folder / "bild.png", "alt");
  PlotData data;
  data.Solvers = {"A"};
  data.Panels = {{"", {{"A", 0, {0.5, 0.7}}}}};
  const QImage image = DrawComparison(data);
  WritePng(folder / "bild.png", image, "bild.png");
  QImage read;
  ASSERT_TRUE(read.load(QString::fromStdString((folder / "bild.png").string()), "PNG"));
  EXPECT_EQ(read.convertToFormat(image.format()), image);
}

record::HistoryLine Line(std::int64_t number, const std::string& set, const std::string& sha,
                         const std::string& solver, std::optional<double> median = std::nullopt,
                         double minimum = 0, double maximum = 0) {
  record::HistoryLine line;
  line.Number = number;
  line.StartedUtc = "2026-11-0" + std::to_string(number) + "T09:15:00Z";
  line.Solver = solver;
  line.Set = set;
  line.SetSha256 = sha;
  line.Count = 500;
  if (median) {
    line.MedianSeconds = median;
    line.MinimumSeconds = minimum;
    line.MaximumSeconds = maximum;
  } else {
    line.Verdict = record::Verdict::Failed;
  }
  return line;
}

// The history's layout: the title, then per set its title, its marks and the runs' labels.
constexpr int HistoryPanel = 30 + 8 + 190 + 40;
constexpr int HistoryEnd = 18 + 26 + 24 + 10;  // gap, axis title, one line of legend, margin
QRect Marks(int panel) {
  return QRect(84, 64 + panel * (HistoryPanel + 18) + 38, 960 - 84 - 32, 191);
}

// Two sets: a solver's colour where it ran and nowhere else, its medians rising with its times,
// its range from fastest to slowest, and a failed run hollow on the axis.
TEST(HistoryPlot, OnePanelPerSetEachSolverInItsColourThroughTheRuns) {
  NeedApplication();
  const std::vector<record::HistoryLine> lines{
      Line(1, "17-clue", "aa", "schnell", 1.0, 0.9, 1.2),
      Line(1, "17-clue", "aa", "langsam", 4.0, 3.5, 4.8),
      Line(1, "top95", "bb", "langsam", 0.5, 0.1, 0.9),
      Line(2, "17-clue", "aa", "schnell", 1.1, 1.0, 1.2),
      Line(2, "17-clue", "aa", "langsam", 4.2, 4.0, 4.4),
      Line(3, "17-clue", "aa", "schnell", 2.0, 1.9, 2.2),
      Line(3, "17-clue", "aa", "langsam"),
      Line(3, "top95", "bb", "langsam", 0.6, 0.6, 0.6),
  };
  const QImage image = DrawHistory(lines, ",");
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.width(), 960);
  ASSERT_EQ(image.height(), 64 + 2 * HistoryPanel + HistoryEnd);
  const QColor fast = SolverColour(0), slow = SolverColour(1);  // in the order they first ran

  const QRect clue = Marks(0), top95 = Marks(1);
  EXPECT_TRUE(Extent(image, top95, fast).isEmpty());  // it never ran top95
  const QRect first(clue.left(), clue.top(), clue.width() / 3, clue.height());
  const QRect last = first.translated(2 * clue.width() / 3, 0);
  const QRect fastFirst = Extent(image, first, fast), fastLast = Extent(image, last, fast);
  ASSERT_FALSE(fastFirst.isEmpty());
  ASSERT_FALSE(fastLast.isEmpty());
  EXPECT_LT(fastLast.top(), fastFirst.top() - 20);  // slower in the last run, so higher
  EXPECT_LT(Extent(image, first, slow).bottom(), fastFirst.top());
  // The failed run: only a hollow mark on the axis.
  const QRect slowLast = Extent(image, last.adjusted(0, 0, 0, 8), slow);
  ASSERT_FALSE(slowLast.isEmpty());
  EXPECT_GT(slowLast.top(), clue.bottom() - 12);
  EXPECT_NEAR(slowLast.center().y(), clue.bottom(), 3);
  EXPECT_EQ(image.pixelColor(slowLast.center()), QColor(Qt::white));

  // From 0,1 to 0,9 seconds on an axis to 1: most of the panel's height; a run without spread
  // just its mark.
  const QRect wide = Extent(image, top95.adjusted(0, 0, -top95.width() / 2, 0), slow);
  const QRect narrow = Extent(image, top95.adjusted(top95.width() / 2, 0, 0, 0), slow);
  EXPECT_NEAR(wide.height(), 0.8 * 190, 8);
  EXPECT_LT(narrow.height(), 16);
  EXPECT_NEAR(narrow.center().y(), top95.bottom() - 0.6 * 190, 3);
}

// A set is its name and its puzzles: the same name over other puzzles is a panel of its own.
TEST(HistoryPlot, SameNameOtherPuzzlesIsAnotherSet) {
  NeedApplication();
  std::vector<record::HistoryLine> lines{Line(1, "Satz", "aa", "A", 1, 1, 1),
                                         Line(2, "Satz", "aa", "A", 1, 1, 1)};
  EXPECT_EQ(DrawHistory(lines, ",").height(), 64 + HistoryPanel + HistoryEnd - 18);
  lines[1].SetSha256 = "bb";
  lines.push_back(Line(3, "Satz", "aa", "A", 1, 1, 1));
  const QImage image = DrawHistory(lines, ",");
  ASSERT_EQ(image.height(), 64 + 2 * HistoryPanel + HistoryEnd);
  // Runs 1 and 3 in the first panel, run 2 alone in the middle of the second.
  EXPECT_NEAR(Extent(image, Marks(0), SolverColour(0)).width(), Marks(0).width() / 2 + 11, 3);
  const QRect second = Extent(image, Marks(1), SolverColour(0));
  EXPECT_NEAR(second.center().x(), Marks(1).center().x(), 2);
}

TEST(HistoryPlot, WithoutLinesSaysSo) {
  NeedApplication();
  const QImage image = DrawHistory({}, ",");
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.width(), 960);
  EXPECT_EQ(image.height(), 64 + 80 + 10);
  // The note in the middle, below the title.
  int ink = 0;
  for (int y = 64; y < 144; ++y) {
    for (int x = 0; x < 960; ++x) {
      if (image.pixelColor(x, y).value() < 100) {
        ++ink;
        EXPECT_NEAR(x, 480, 150);
      }
    }
  }
  EXPECT_GT(ink, 200);
}

}  // namespace
}  // namespace report
