#include "SvgPictures.h"

#include <algorithm>
#include <cmath>

#include "HtmlParts.h"
#include "Numbers.h"
#include "PictureLayout.h"
#include "Statistics.h"

namespace report {
namespace {

using html::Escaped;
using namespace plot;

constexpr double Width = Svg.Width;
constexpr double Right = Svg.Right;
constexpr double RunLabelWidth = 84;  // a day at 13 px and the room beside it

// A coordinate with one decimal: enough for a screen, short in the file.
std::string At(double value) {
  return Decimal(value, 1, ".");
}

// A radius or a stroke's width as short as it goes: "5", "5.5".
std::string Size(double value) {
  std::string shown = At(value);
  return shown.ends_with(".0") ? shown.substr(0, shown.size() - 2) : shown;
}

std::string Line(double x1, double y1, double x2, double y2, Rgb stroke, double width = 1) {
  return "<line x1=\"" + At(x1) + "\" y1=\"" + At(y1) + "\" x2=\"" + At(x2) + "\" y2=\"" + At(y2) +
         "\" stroke=\"" + Hex(stroke) + "\" stroke-width=\"" + At(width) + "\"/>";
}

std::string Label(double x, double y, const std::string& text, const char* anchor, int size) {
  return "<text x=\"" + At(x) + "\" y=\"" + At(y) + "\" font-size=\"" + std::to_string(size) +
         "\" text-anchor=\"" + anchor + "\" dominant-baseline=\"middle\">" + Escaped(text) +
         "</text>";
}

// A circle around (x, y), filled and outlined as `style` says: the marks' own attributes.
std::string Circle(double x, double y, double radius, const std::string& style,
                   const std::string& tip = "") {
  const std::string open =
      "<circle cx=\"" + At(x) + "\" cy=\"" + At(y) + "\" r=\"" + Size(radius) + "\" " + style;
  return tip.empty() ? open + "/>" : open + "><title>" + Escaped(tip) + "</title></circle>";
}

// The opening tag with the picture's size and its title, which browsers show as a tooltip and
// screen readers read out.
std::string Open(double height, const std::string& title, const std::string& id) {
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + At(Width) + " " + At(height) +
         "\" role=\"img\" aria-labelledby=\"" + id + "\"><title id=\"" + id + "\">" +
         Escaped(title) + "</title>\n";
}

// A name's width in pixels at 14 px, near enough for the faces the page asks for.
double NameWidth(const std::string& name) {
  return static_cast<double>(ShownWidth(name)) * 8.2;
}

// A solver's row of the comparison: its name, its line, a dot per run and the median's stroke.
std::string DotRow(const PlotRow& row, const DotScale& scale, double y, const std::string& sep) {
  const auto x = [&](double s) { return scale.Left + scale.Offset(s); };
  std::string svg = "<g class=\"solver\">" +
                    Label(scale.Left - SvgDots.NameGap, y, row.Name, "end", 15) +
                    Line(scale.Left, y, scale.Left + scale.PlotWidth, y, GridColour);
  for (const double s : row.Seconds) {
    svg +=
        Circle(x(s), y, DotRadius,
               "fill=\"" + SolverHex(row.Solver) + "\" fill-opacity=\"" + Opacity(MarkAlpha) + "\"",
               row.Name + ": " + PreciseSeconds(s, sep) + " s");
  }
  if (!row.Seconds.empty()) {
    const double median = stats::Median(row.Seconds);
    svg += "<line class=\"median\" x1=\"" + At(x(median)) + "\" y1=\"" +
           At(y - SvgDots.MedianReach) + "\" x2=\"" + At(x(median)) + "\" y2=\"" +
           At(y + SvgDots.MedianReach) + "\" stroke=\"" + Hex(MedianColour) + "\" stroke-width=\"" +
           Size(MedianStroke) + "\"><title>Median " + Escaped(row.Name) + ": " +
           PreciseSeconds(median, sep) + " s</title></line>";
  }
  return svg + "</g>\n";
}

// A frame's values up the left edge, each with its grid line across and its tick.
template <typename Frame>
std::string ValuesUpTheLeft(const Frame& frame, double left, double right, const std::string& sep) {
  std::string svg;
  for (const double t : frame.Values()) {
    svg += Line(left, frame.Y(t), right, frame.Y(t), GridColour) +
           Line(left - TickLength, frame.Y(t), left, frame.Y(t), Ink) +
           Label(left - TickLabelGap, frame.Y(t), Decimal(t, frame.Decimals, sep), "end", 14) +
           "\n";
  }
  return svg;
}

// The history's seconds up the left with their grid, and its axes.
std::string SecondsAxis(const HistoryFrame& frame, const std::string& sep) {
  const double left = HistoryLeft, right = left + frame.PlotWidth();
  std::string svg;
  svg += ValuesUpTheLeft(frame, left, right, sep);
  svg += Line(left, frame.Top, left, frame.Bottom(), Ink) +
         Line(left, frame.Bottom(), right, frame.Bottom(), Ink);
  return svg + "<text x=\"0\" y=\"0\" font-size=\"14\" text-anchor=\"middle\" transform=\"" +
         "translate(" + std::to_string(SecondsTitleX) + " " +
         At(frame.Top + frame.Layout.PlotHeight / 2.0) + ") rotate(-90)\">" + MedianSecondsTitle +
         "</text>\n";
}

// Below the history's panel as many runs' numbers and days as fit.
std::string RunLabels(const HistorySet& set, const HistoryFrame& frame) {
  std::string svg;
  const double bottom = frame.Bottom();
  const std::size_t every = frame.LabelEvery(RunLabelWidth);
  for (std::size_t run = 0; run < set.Runs.size(); run += every) {
    const double at = frame.RunX(run);
    svg += Line(at, bottom, at, bottom + TickLength, Ink) +
           Label(at, bottom + SvgHistory.RunNumber, std::to_string(set.Runs[run]), "middle", 14) +
           Label(at, bottom + SvgHistory.RunDay, set.Days[run], "middle", 13) + "\n";
  }
  return svg;
}

// One solver of the history: its ranges, the line through its right medians, then its marks.
std::string SolverMarks(const HistorySet& set, const HistoryFrame& frame, const std::string& name,
                        std::size_t solver, std::size_t rank, const std::string& sep) {
  const std::string colour = SolverHex(solver);
  const std::string hollow = "fill=\"" + Hex(Paper) + "\" stroke=\"" + colour +
                             "\" stroke-width=\"" + Size(HollowOutline) + "\"";
  std::string ranges, marks, joined;
  for (const record::HistoryLine* line : set.Lines) {
    if (line->Solver != name) continue;
    const double at = frame.X(set.RunIndex(line->Number), rank);
    std::string tip = "Lauf " + std::to_string(line->Number) + ", " + line->Solver + ": ";
    if (!line->MedianSeconds) {
      marks += Circle(at, frame.Bottom(), HollowRadius, hollow,
                      tip + VerdictWord(line->Verdict) + ", ohne Zeit");
      continue;
    }
    const double y = frame.Y(*line->MedianSeconds);
    if (line->MinimumSeconds && line->MaximumSeconds) {
      ranges += Line(at, frame.Y(*line->MinimumSeconds), at, frame.Y(*line->MaximumSeconds),
                     SolverRgb(solver), RangeStroke);
      tip += "Median " + PreciseSeconds(*line->MedianSeconds, sep) + " s (" +
             PreciseSeconds(*line->MinimumSeconds, sep) + "–" +
             PreciseSeconds(*line->MaximumSeconds, sep) + " s)";
    }
    if (line->Verdict != record::Verdict::Correct) {
      marks += Circle(at, y, MedianRadius, hollow, tip + ", " + VerdictWord(line->Verdict));
      continue;
    }
    joined += (joined.empty() ? "" : " ") + At(at) + "," + At(y);
    marks += Circle(at, y, MedianRadius,
                    "fill=\"" + colour + "\" stroke=\"" + Hex(Paper) + "\" stroke-width=\"" +
                        Size(MedianOutline) + "\"",
                    tip);
  }
  std::string svg =
      "<g class=\"solver\" stroke-opacity=\"" + Opacity(MarkAlpha) + "\">" + ranges + "</g>\n";
  if (!joined.empty()) {
    svg += "<polyline points=\"" + joined + "\" fill=\"none\" stroke=\"" + colour +
           "\" stroke-opacity=\"" + Opacity(JoinAlpha) + "\" stroke-width=\"" + Size(JoinStroke) +
           "\"/>\n";
  }
  return svg + "<g class=\"medians\">" + marks + "</g>\n";
}

// The history's legend below the runs' labels, wrapped at the width; `height` becomes where the
// picture ends.
std::string HistoryLegend(const HistorySet& set, const std::vector<std::string>& solvers,
                          const HistoryFrame& frame, double& height) {
  constexpr double LegendLine = 22;
  std::string legend;
  double x = HistoryLeft, y = frame.Bottom() + SvgHistory.RunLabels + LegendLine / 2;
  for (const std::size_t solver : set.Solvers) {
    const double width = NameWidth(solvers[solver]) + 36;
    if (x + width > Width - Right && x > HistoryLeft) {
      x = HistoryLeft;
      y += LegendLine;
    }
    legend += Circle(x + 6, y, MedianRadius, "fill=\"" + SolverHex(solver) + "\"") +
              Label(x + 16, y, solvers[solver], "start", 14);
    x += width;
  }
  height = y + LegendLine / 2 + 4;
  return legend;
}

// The histogram's decades along the bottom, its shares up the left, with their grid and titles.
std::string HistogramAxes(const HistogramFrame& frame, const std::string& sep) {
  const double left = HistoryLeft, right = left + frame.PlotWidth(), bottom = frame.Bottom();
  std::string svg;
  svg += ValuesUpTheLeft(frame, left, right, sep);
  for (const double us : DecadeTicks()) {
    const double x = frame.X(us);
    svg += Line(x, frame.Top, x, bottom, GridColour) +
           Line(x, bottom, x, bottom + TickLength, Ink) +
           Label(x, bottom + SvgHistogram.TickLabel, DecadeLabel(us, sep), "middle", 13) + "\n";
  }
  svg += Line(left, frame.Top, left, bottom, Ink) + Line(left, bottom, right, bottom, Ink);
  svg += Label(left + frame.PlotWidth() / 2, bottom + SvgHistogram.TimeLabels - 10, PuzzleTimeTitle,
               "middle", 14);
  return svg + "<text x=\"0\" y=\"0\" font-size=\"14\" text-anchor=\"middle\" transform=\"" +
         "translate(" + std::to_string(SecondsTitleX) + " " +
         At(frame.Top + frame.Layout.PlotHeight / 2.0) + ") rotate(-90)\">" +
         Escaped(PuzzleShareTitle) + "</text>\n";
}

}  // namespace

std::string HistogramSvg(const HistogramPanel& panel, const std::string& title,
                         const std::string& id, const std::string& sep) {
  constexpr double Top = 14, LegendLine = 22;
  const HistogramFrame frame = HistogramFrameOf(panel, SvgHistogram, Top);
  std::string curves, legend;
  double x = HistoryLeft, y = frame.Bottom() + SvgHistogram.TimeLabels + LegendLine / 2;
  for (const HistogramCurve& curve : panel.Curves) {
    std::string points;
    for (const auto& [px, py] : frame.Steps(curve)) {
      points += (points.empty() ? "" : " ") + At(px) + "," + At(py);
    }
    if (!points.empty()) {
      curves += "<polyline class=\"curve\" points=\"" + points + "\" fill=\"none\" stroke=\"" +
                SolverHex(curve.Solver) + "\" stroke-width=\"" + Size(CurveStroke) +
                "\" stroke-linejoin=\"round\"><title>" + Escaped(curve.Name) + ": " +
                std::to_string(curve.Total()) + " Rätsel</title></polyline>\n";
    }
    const double width = NameWidth(curve.Name) + 36;
    if (x + width > Width - Right && x > HistoryLeft) {
      x = HistoryLeft;
      y += LegendLine;
    }
    legend += Line(x, y, x + 14, y, SolverRgb(curve.Solver), 3) +
              Label(x + 20, y, curve.Name, "start", 14);
    x += width;
  }
  const double height = y + LegendLine / 2 + 4;
  return Open(height, title, id) + HistogramAxes(frame, sep) + curves + legend + "\n</svg>\n";
}

std::string DotPictureSvg(const PlotPanel& panel, const std::string& title, const std::string& id,
                          const std::string& sep) {
  constexpr double Top = 10, AxisTitle = 24;
  double widest = 0;
  for (const PlotRow& row : panel.Rows) widest = std::max(widest, NameWidth(row.Name));
  const DotScale scale = DotScaleOf(panel, SvgDots, NameColumnOf(SvgDots, widest));
  const double left = scale.Left;
  const auto x = [&](double s) { return left + scale.Offset(s); };
  const double axisY =
      Top + static_cast<double>(std::max<std::size_t>(1, panel.Rows.size())) * SvgDots.RowHeight;
  const double height = axisY + DotAxisLabels + AxisTitle;

  std::string svg = Open(height, title, id);
  for (const double t : scale.Values()) {
    svg += Line(x(t), Top, x(t), axisY, GridColour) +
           Line(x(t), axisY, x(t), axisY + TickLength, Ink) +
           Label(x(t), axisY + 17, Decimal(t, scale.Decimals, sep), "middle", 14) + "\n";
  }
  svg += Line(left, axisY, left + scale.PlotWidth, axisY, Ink) + "\n";
  for (std::size_t i = 0; i < panel.Rows.size(); ++i) {
    svg += DotRow(panel.Rows[i], scale, RowCentre(SvgDots, Top, i), sep);
  }
  svg += Label(left + scale.PlotWidth / 2, height - AxisTitle / 2, RunSecondsTitle, "middle", 14) +
         "\n</svg>\n";
  return svg;
}

std::string HistorySvg(const HistorySet& set, const std::vector<std::string>& solvers,
                       const std::string& title, const std::string& id, const std::string& sep) {
  constexpr double Top = 14;
  const HistoryFrame frame = HistoryFrameOf(set, SvgHistory, Top);
  double height = 0;
  const std::string legend = HistoryLegend(set, solvers, frame, height);
  std::string svg = Open(height, title, id) + SecondsAxis(frame, sep) + RunLabels(set, frame);
  for (std::size_t rank = 0; rank < set.Solvers.size(); ++rank) {
    const std::size_t solver = set.Solvers[rank];
    svg += SolverMarks(set, frame, solvers[solver], solver, rank, sep);
  }
  return svg + legend + "\n</svg>\n";
}

}  // namespace report
