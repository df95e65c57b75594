// What the reports show of library solvers: the mixed rows of the matrix, their passes in
// Markdown and CSV, the picture of their per-puzzle times, and nothing of it without a library.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "CsvReport.h"
#include "HtmlReport.h"
#include "MarkdownReport.h"
#include "Numbers.h"
#include "PictureLayout.h"
#include "PlotData.h"
#include "SampleRecords.h"
#include "SetMatrix.h"
#include "SvgPictures.h"

namespace report {
namespace {

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(LibraryMatrix, MarksOnlyRowsWithALibraryBesideAProgram) {
  const record::RunRecord mixed = samples::Libraries();
  const SetMatrix m = MatrixOf(mixed, record::Summarize(mixed), ",");
  ASSERT_GE(m.Rows.size(), 2u);
  EXPECT_TRUE(Has(m.Rows[0][0].Text, "gemischt: µs im Prozess neben µs netto"));
  EXPECT_TRUE(Has(m.Rows[0][1].Text, "µs im Prozess"));  // suche, a library
  EXPECT_TRUE(Has(m.Rows[0][2].Text, "µs netto"));       // Quadrin, a program

  // The suite's programs and line solvers alone: no row marked, no cell naming its measure.
  const record::RunRecord programs = samples::Suite();
  const SetMatrix plain = MatrixOf(programs, record::Summarize(programs), ",");
  for (const std::vector<Cell>& row : plain.Rows) {
    for (const Cell& cell : row) {
      EXPECT_FALSE(Has(cell.Text, "gemischt")) << cell.Text;
      EXPECT_FALSE(Has(cell.Text, "im Prozess")) << cell.Text;
    }
  }
}

TEST(LibraryExports, MarkdownAndCsvShowThePassAndCountsOnly) {
  const record::RunRecord run = samples::Libraries();
  const record::Summaries summaries = record::Summarize(run);
  const std::string md = FormatMarkdown(run, summaries, ",");
  EXPECT_TRUE(Has(md, "| µs je Aufruf p50 / p90 / p99 / max | 4,750 / 16,62 / 58,19 / 190,6 |"));
  EXPECT_TRUE(Has(md, "| Prüfung | gibt keine Lösungen zurück: nur die Anzahlen geprüft |"));
  EXPECT_TRUE(Has(md, "| Rateschritte je Rätsel | – |"));  // zaehler reports none
  EXPECT_TRUE(Has(md, "| 95 | 96 | 190,6 | 120 |"));       // suche's slowest on top95
  // zaehler is wrong on the second set: no figures of it there.
  EXPECT_FALSE(Has(md, "zaehler auf hardest-1106"));

  const std::string csv = FormatCsv(run, summaries);
  EXPECT_TRUE(Has(csv, "command,us_per_puzzle,puzzles_per_second,solutions_given,"));
  EXPECT_TRUE(Has(csv, ",library,bin/Gastgeber,5.225,191387.6,true,1.495,0.2421,4.750,"));
  EXPECT_TRUE(Has(csv, ",correct,program,,,,,,,,,,\r\n"));
}

TEST(LibraryExports, NothingOfLibrariesWithoutOne) {
  const record::RunRecord run = samples::Suite();
  const record::Summaries summaries = record::Summarize(run);
  EXPECT_FALSE(Has(FormatCsv(run, summaries), "us_per_puzzle"));
  EXPECT_FALSE(Has(FormatMarkdown(run, summaries, ","), "Bibliothek"));
  const std::string page = FormatHtml(run, summaries, ",");
  EXPECT_FALSE(Has(page, "zeiten-"));
  EXPECT_FALSE(Has(page, "im Prozess"));
  EXPECT_TRUE(PlotOf(run, summaries, ",").Histograms.empty());
}

TEST(LibraryPicture, CurveStepsAlongTheBins) {
  HistogramPanel panel{"s (4 Rätsel)", 0, {{"L", 0, std::vector<std::int64_t>(90, 0)}}};
  panel.Curves[0].Counts[10] = 3;  // 1 µs to 1,26 µs
  panel.Curves[0].Counts[40] = 1;  // 1 ms on
  const plot::HistogramFrame frame = plot::HistogramFrameOf(panel, plot::SvgHistogram, 14);
  const auto steps = frame.Steps(panel.Curves[0]);
  ASSERT_EQ(steps.size(), 2u + 2 * 90);
  // Bin 10 runs from the decade of 1 µs to a tenth of a decade beyond, at 75 % high.
  EXPECT_NEAR(steps[1 + 2 * 10].first, frame.X(1.0), 1e-9);
  EXPECT_NEAR(steps[2 + 2 * 10].first, frame.X(std::pow(10.0, 0.1)), 1e-9);
  EXPECT_NEAR(steps[1 + 2 * 10].second, frame.Y(75), 1e-9);
  EXPECT_NEAR(steps[1 + 2 * 40].second, frame.Y(25), 1e-9);
  EXPECT_NEAR(steps[1 + 2 * 41].second, frame.Bottom(), 1e-9);
  // Decades stand evenly apart, from the left edge to the right.
  EXPECT_NEAR(frame.X(0.1), plot::HistoryLeft, 1e-9);
  EXPECT_NEAR(frame.X(1e8), plot::HistoryLeft + frame.PlotWidth(), 1e-9);
  EXPECT_NEAR(frame.X(10) - frame.X(1), frame.X(1e4) - frame.X(1e3), 1e-9);
  EXPECT_EQ(plot::DecadeLabel(0.1, ","), "0,1 µs");
  EXPECT_EQ(plot::DecadeLabel(1e3, ","), "1 ms");
  EXPECT_EQ(plot::DecadeLabel(1e8, ","), "100 s");

  const std::string svg = HistogramSvg(panel, "t", "zeiten-1", ",");
  const std::string first = Decimal(steps[1 + 2 * 10].first, 1, ".") + "," +
                            Decimal(steps[1 + 2 * 10].second, 1, ".") + " " +
                            Decimal(steps[2 + 2 * 10].first, 1, ".") + "," +
                            Decimal(steps[2 + 2 * 10].second, 1, ".");
  EXPECT_TRUE(Has(svg, "<polyline class=\"curve\" points=\"")) << svg;
  EXPECT_TRUE(Has(svg, first)) << first;
  EXPECT_TRUE(Has(svg, ">100 s<"));
}

TEST(LibraryPicture, OnlySetsWithALibrarysHistogram) {
  record::RunRecord run = samples::Libraries();
  for (record::Measurement& m : run.Measurements) {
    if (m.Set == 1 && m.Puzzles) m.Puzzles->Histogram.clear();
  }
  const record::Summaries summaries = record::Summarize(run);
  const PlotData data = PlotOf(run, summaries, ",");
  ASSERT_EQ(data.Histograms.size(), 1u);
  EXPECT_EQ(data.Histograms[0].Set, 0u);
  EXPECT_EQ(data.Histograms[0].Curves.size(), 2u);  // suche and zaehler, not Quadrin
  const std::string page = FormatHtml(run, summaries, ",");
  EXPECT_TRUE(Has(page, "id=\"zeiten-1\""));
  EXPECT_FALSE(Has(page, "id=\"zeiten-2\""));
}

}  // namespace
}  // namespace report
