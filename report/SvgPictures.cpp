#include "SvgPictures.h"

#include <algorithm>
#include <cmath>

#include "Axis.h"
#include "HtmlParts.h"
#include "Numbers.h"
#include "Statistics.h"

namespace report {
namespace {

using html::Escaped;

constexpr double Width = 800;
constexpr double Right = 28;
constexpr const char* GridColour = "#e1e1e1";
constexpr const char* MedianColour = "#d62728";

// A coordinate with one decimal: enough for a screen, short in the file.
std::string At(double value) {
  return Decimal(value, 1, ".");
}

std::string Colour(std::size_t solver) {
  return SolverHex(solver);
}

std::string Line(double x1, double y1, double x2, double y2, const std::string& stroke,
                 double width = 1) {
  return "<line x1=\"" + At(x1) + "\" y1=\"" + At(y1) + "\" x2=\"" + At(x2) + "\" y2=\"" + At(y2) +
         "\" stroke=\"" + stroke + "\" stroke-width=\"" + At(width) + "\"/>";
}

std::string Label(double x, double y, const std::string& text, const char* anchor, int size = 13,
                  const std::string& more = "") {
  return "<text x=\"" + At(x) + "\" y=\"" + At(y) + "\" font-size=\"" + std::to_string(size) +
         "\" text-anchor=\"" + anchor + "\" dominant-baseline=\"middle\"" + more + ">" +
         Escaped(text) + "</text>";
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

}  // namespace

std::string DotPictureSvg(const PlotPanel& panel, const std::string& title, const std::string& id,
                          const std::string& sep) {
  constexpr double Top = 10, RowHeight = 40, AxisLabels = 30, AxisTitle = 24;
  double left = 110, low = 0, high = 0;
  bool any = false;
  for (const PlotRow& row : panel.Rows) {
    left = std::max(left, NameWidth(row.Name) + 24);
    for (const double s : row.Seconds) {
      low = any ? std::min(low, s) : s;
      high = any ? std::max(high, s) : s;
      any = true;
    }
  }
  left = std::min(left, Width / 2);
  const plot::Ticks ticks = plot::TicksOver(low, high);
  const double plotWidth = Width - left - Right;
  const auto x = [&](double s) {
    return left + (s - ticks.Low) / (ticks.High - ticks.Low) * plotWidth;
  };
  const double axisY =
      Top + static_cast<double>(std::max<std::size_t>(1, panel.Rows.size())) * RowHeight;
  const double height = axisY + AxisLabels + AxisTitle;

  std::string svg = Open(height, title, id);
  for (const double t : ticks.Values()) {
    svg += Line(x(t), Top, x(t), axisY, GridColour) + Line(x(t), axisY, x(t), axisY + 5, "#000") +
           Label(x(t), axisY + 17, Decimal(t, ticks.Decimals, sep), "middle", 14) + "\n";
  }
  svg += Line(left, axisY, left + plotWidth, axisY, "#000") + "\n";
  for (std::size_t i = 0; i < panel.Rows.size(); ++i) {
    const PlotRow& row = panel.Rows[i];
    const double y = Top + (static_cast<double>(i) + 0.5) * RowHeight;
    svg += "<g class=\"solver\">" + Label(left - 12, y, row.Name, "end", 15) +
           Line(left, y, left + plotWidth, y, GridColour);
    for (const double s : row.Seconds) {
      svg += "<circle cx=\"" + At(x(s)) + "\" cy=\"" + At(y) + "\" r=\"5.5\" fill=\"" +
             Colour(row.Solver) + "\" fill-opacity=\"0.67\"><title>" + Escaped(row.Name) + ": " +
             PreciseSeconds(s, sep) + " s</title></circle>";
    }
    if (!row.Seconds.empty()) {
      const double median = stats::Median(row.Seconds);
      svg += "<line class=\"median\" x1=\"" + At(x(median)) + "\" y1=\"" + At(y - 13) + "\" x2=\"" +
             At(x(median)) + "\" y2=\"" + At(y + 13) + "\" stroke=\"" + MedianColour +
             "\" stroke-width=\"2.5\"><title>Median " + Escaped(row.Name) + ": " +
             PreciseSeconds(median, sep) + " s</title></line>";
    }
    svg += "</g>\n";
  }
  svg += Label(left + plotWidth / 2, height - AxisTitle / 2, "Sekunden je Lauf (monoton gemessen)",
               "middle", 14) +
         "\n</svg>\n";
  return svg;
}

std::string HistorySvg(const HistorySet& set, const std::vector<std::string>& solvers,
                       const std::string& title, const std::string& id, const std::string& sep) {
  constexpr double Left = 84, Top = 14, PlotHeight = 200, RunLabels = 42, LegendLine = 22;
  const double plotWidth = Width - Left - Right;
  const plot::Ticks ticks = set.TimeAxis();
  const double runs = static_cast<double>(std::max<std::size_t>(1, set.Runs.size()));
  const double slot = plotWidth / runs;
  const double solverCount = static_cast<double>(std::max<std::size_t>(1, set.Solvers.size()));
  const double apart = std::min(9.0, 0.6 * slot / solverCount);
  // The runs stand evenly spaced in their order, as in the PNG; the solvers of a run a little
  // apart, so that their ranges do not hide each other.
  const auto runX = [&](std::size_t run) { return Left + (static_cast<double>(run) + 0.5) * slot; };
  const auto x = [&](std::size_t run, std::size_t rank) {
    return runX(run) + (static_cast<double>(rank) - (solverCount - 1) / 2) * apart;
  };
  const double bottom = Top + PlotHeight;
  const auto y = [&](double s) {
    return bottom - (s - ticks.Low) / (ticks.High - ticks.Low) * PlotHeight;
  };

  // The legend below the runs, wrapped at the width.
  std::string legend;
  double legendX = Left, legendY = bottom + RunLabels + LegendLine / 2;
  for (const std::size_t solver : set.Solvers) {
    const double width = NameWidth(solvers[solver]) + 36;
    if (legendX + width > Width - Right && legendX > Left) {
      legendX = Left;
      legendY += LegendLine;
    }
    legend += "<circle cx=\"" + At(legendX + 6) + "\" cy=\"" + At(legendY) + "\" r=\"5\" fill=\"" +
              Colour(solver) + "\"/>" + Label(legendX + 16, legendY, solvers[solver], "start", 14);
    legendX += width;
  }
  const double height = legendY + LegendLine / 2 + 4;

  std::string svg = Open(height, title, id);
  for (const double t : ticks.Values()) {
    svg += Line(Left, y(t), Left + plotWidth, y(t), GridColour) +
           Line(Left - 5, y(t), Left, y(t), "#000") +
           Label(Left - 8, y(t), Decimal(t, ticks.Decimals, sep), "end", 14) + "\n";
  }
  svg +=
      Line(Left, Top, Left, bottom, "#000") + Line(Left, bottom, Left + plotWidth, bottom, "#000");
  svg += "<text x=\"0\" y=\"0\" font-size=\"14\" text-anchor=\"middle\" transform=\"translate(16 " +
         At(Top + PlotHeight / 2) + ") rotate(-90)\">Sekunden (Median, min–max)</text>\n";
  // As many runs' numbers and days as fit.
  const std::size_t every =
      std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(84 / slot)));
  for (std::size_t run = 0; run < set.Runs.size(); run += every) {
    const double at = runX(run);
    svg += Line(at, bottom, at, bottom + 5, "#000") +
           Label(at, bottom + 15, std::to_string(set.Runs[run]), "middle", 14) +
           Label(at, bottom + 32, set.Days[run], "middle", 13) + "\n";
  }
  for (std::size_t rank = 0; rank < set.Solvers.size(); ++rank) {
    const std::size_t solver = set.Solvers[rank];
    const std::string colour = Colour(solver);
    std::string ranges, marks, joined;
    for (const record::HistoryLine* line : set.Lines) {
      if (line->Solver != solvers[solver]) continue;
      const double at = x(set.RunIndex(line->Number), rank);
      std::string tip = "Lauf " + std::to_string(line->Number) + ", " + line->Solver + ": ";
      if (!line->MedianSeconds) {
        marks += "<circle cx=\"" + At(at) + "\" cy=\"" + At(bottom) +
                 "\" r=\"4\" fill=\"#fff\" stroke=\"" + colour + "\" stroke-width=\"2\"><title>" +
                 Escaped(tip + VerdictWord(line->Verdict) + ", ohne Zeit") + "</title></circle>";
        continue;
      }
      if (line->MinimumSeconds && line->MaximumSeconds) {
        ranges += Line(at, y(*line->MinimumSeconds), at, y(*line->MaximumSeconds), colour, 2);
        tip += "Median " + PreciseSeconds(*line->MedianSeconds, sep) + " s (" +
               PreciseSeconds(*line->MinimumSeconds, sep) + "–" +
               PreciseSeconds(*line->MaximumSeconds, sep) + " s)";
      }
      const bool right = line->Verdict == record::Verdict::Correct;
      if (right) joined += (joined.empty() ? "" : " ") + At(at) + "," + At(y(*line->MedianSeconds));
      marks += "<circle cx=\"" + At(at) + "\" cy=\"" + At(y(*line->MedianSeconds)) +
               "\" r=\"5\" fill=\"" + (right ? colour : "#fff") + "\" stroke=\"" +
               (right ? "#fff" : colour) + "\" stroke-width=\"" + (right ? "1.2" : "2") +
               "\"><title>" + Escaped(right ? tip : tip + ", " + VerdictWord(line->Verdict)) +
               "</title></circle>";
    }
    svg += "<g class=\"solver\" stroke-opacity=\"0.67\">" + ranges + "</g>\n";
    if (!joined.empty()) {
      svg += "<polyline points=\"" + joined + "\" fill=\"none\" stroke=\"" + colour +
             "\" stroke-opacity=\"0.55\" stroke-width=\"1.3\"/>\n";
    }
    svg += "<g class=\"medians\">" + marks + "</g>\n";
  }
  return svg + legend + "\n</svg>\n";
}

}  // namespace report
