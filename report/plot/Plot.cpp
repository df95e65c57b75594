#include "Plot.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "Numbers.h"
#include "PlotParts.h"
#include "Statistics.h"

namespace report {
namespace {

using namespace plot;

// Where a time lies across the picture, in whole pixels.
int X(const DotScale& scale, double seconds) {
  return static_cast<int>(scale.Left) + static_cast<int>(std::lround(scale.Offset(seconds)));
}

// Room at the left for the longest name in any panel, so that all panels line up.
int NameColumn(const PlotData& data) {
  const QFontMetrics names(Face(11));
  int widest = 0;
  for (const PlotPanel& panel : data.Panels) {
    for (const PlotRow& row : panel.Rows) {
      widest = std::max(widest, names.horizontalAdvance(Text(row.Name)));
    }
  }
  return static_cast<int>(NameColumnOf(PngDots, widest));
}

// The grid from `top` down to the axis, and the axis with its labels.
void DrawAxis(QPainter& p, const DotScale& scale, int top, int axisY,
              const std::string& separator) {
  p.setFont(Face(10));
  for (double t : scale.Values()) {
    const int at = X(scale, t);
    p.setPen(Colour(GridColour));
    p.drawLine(at, top, at, axisY);
    p.setPen(Colour(Ink));
    p.drawLine(at, axisY, at, axisY + static_cast<int>(TickLength));
    p.drawText(QRect(at - 40, axisY + 7, 80, 18), Qt::AlignHCenter | Qt::AlignTop,
               Text(Decimal(t, scale.Decimals, separator)));
  }
  const int left = static_cast<int>(scale.Left);
  p.drawLine(left, axisY, left + static_cast<int>(scale.PlotWidth), axisY);
}

// Each solver's colour, then the median's mark.
std::vector<LegendKey> LegendOf(const PlotData& data) {
  std::vector<LegendKey> keys;
  for (std::size_t i = 0; i < data.Solvers.size(); ++i) {
    keys.push_back({Text(data.Solvers[i]), [i](QPainter& p, QPointF centre) {
                      p.setPen(Qt::NoPen);
                      p.setBrush(Colour(SolverRgb(i), MarkAlpha));
                      p.drawEllipse(centre, 5, 5);
                    }});
  }
  keys.push_back({QStringLiteral("Median"), [](QPainter& p, QPointF centre) {
                    p.setPen(QPen(Colour(MedianColour), MedianStroke));
                    p.drawLine(centre + QPointF(0, -7), centre + QPointF(0, 7));
                  }});
  return keys;
}

// A solver's name, its line, its runs in its colour and their median.
void DrawRow(QPainter& p, const DotScale& scale, const PlotRow& row, int centre) {
  const int left = static_cast<int>(scale.Left);
  p.setFont(Face(11));
  p.setPen(Colour(Ink));
  p.drawText(QRect(8, centre - 12, left - 8 - PngDots.NameGap, 24),
             Qt::AlignRight | Qt::AlignVCenter, Text(row.Name));
  p.setPen(Colour(GridColour));
  p.drawLine(left, centre, left + static_cast<int>(scale.PlotWidth), centre);
  if (row.Seconds.empty()) return;
  p.setPen(Qt::NoPen);
  p.setBrush(Colour(SolverRgb(row.Solver), MarkAlpha));
  for (double s : row.Seconds) p.drawEllipse(QPointF(X(scale, s), centre), DotRadius, DotRadius);
  p.setPen(QPen(Colour(MedianColour), MedianStroke));
  const int median = X(scale, stats::Summarize(row.Seconds).Median);
  const int reach = static_cast<int>(PngDots.MedianReach);
  p.drawLine(median, centre - reach, median, centre + reach);
}

// A panel without rows keeps the room of one, so that its axis still has a place.
int RowsHeight(const PlotPanel& panel) {
  return std::max<int>(1, static_cast<int>(panel.Rows.size())) * PngDots.RowHeight;
}

int PanelHeight(const PlotPanel& panel) {
  return (panel.Title.empty() ? 0 : PanelTitleHeight) + RowsHeight(panel) + DotAxisLabels;
}

// A panel from `y` down, its title, its rows and its own axis; returns where it ends.
int DrawPanel(QPainter& p, const PlotPanel& panel, int left, int y, const std::string& separator) {
  if (!panel.Title.empty()) {
    DrawPanelTitle(p, panel.Title, y);
    y += PanelTitleHeight;
  }
  const DotScale scale = DotScaleOf(panel, PngDots, left);
  const int axisY = y + RowsHeight(panel);
  DrawAxis(p, scale, y, axisY, separator);
  for (std::size_t i = 0; i < panel.Rows.size(); ++i) {
    DrawRow(p, scale, panel.Rows[i], static_cast<int>(RowCentre(PngDots, y, i)));
  }
  return axisY + DotAxisLabels;
}

int HistogramHeight() {
  return PanelGap + PanelTitleHeight + PngHistogram.PlotHeight + PngHistogram.TimeLabels;
}

// A set's per-puzzle times of its libraries from `y` down: its title, axes and a step curve per
// library in its colour, whose legend is the solvers' above.
int DrawHistogram(QPainter& p, const HistogramPanel& panel, int y, const std::string& sep) {
  y += PanelGap;
  DrawPanelTitle(p, "Zeiten je Rätsel: " + panel.Title, y);
  const HistogramFrame frame = HistogramFrameOf(panel, PngHistogram, y + PanelTitleHeight);
  const int left = HistoryLeft, right = left + static_cast<int>(frame.PlotWidth());
  const int bottom = static_cast<int>(frame.Bottom()), top = static_cast<int>(frame.Top);
  p.setFont(Face(10));
  for (const double t : frame.Values()) {
    const int at = static_cast<int>(std::lround(frame.Y(t)));
    p.setPen(Colour(GridColour));
    p.drawLine(left, at, right, at);
    p.setPen(Colour(Ink));
    p.drawLine(left - static_cast<int>(TickLength), at, left, at);
    p.drawText(QRect(0, at - 9, left - TickLabelGap, 18), Qt::AlignRight | Qt::AlignVCenter,
               Text(Decimal(t, frame.Decimals, sep)));
  }
  for (const double us : DecadeTicks()) {
    const int at = static_cast<int>(std::lround(frame.X(us)));
    p.setPen(Colour(GridColour));
    p.drawLine(at, top, at, bottom);
    p.setPen(Colour(Ink));
    p.drawLine(at, bottom, at, bottom + static_cast<int>(TickLength));
    p.drawText(QRect(at - 40, bottom + PngHistogram.TickLabel, 80, 18),
               Qt::AlignHCenter | Qt::AlignTop, Text(DecadeLabel(us, sep)));
  }
  p.drawLine(left, top, left, bottom);
  p.drawLine(left, bottom, right, bottom);
  p.save();
  p.translate(SecondsTitleX, (top + bottom) / 2.0);
  p.rotate(-90);
  p.drawText(QRect(-PngHistogram.PlotHeight / 2, -9, PngHistogram.PlotHeight, 18), Qt::AlignCenter,
             QString::fromUtf8(PuzzleShareTitle));
  p.restore();
  p.drawText(QRect(left, bottom + PngHistogram.TimeLabels - 20, right - left, 18),
             Qt::AlignHCenter | Qt::AlignTop, QString::fromUtf8(PuzzleTimeTitle));
  for (const HistogramCurve& curve : panel.Curves) {
    QPolygonF line;
    for (const auto& [x, py] : frame.Steps(curve)) line << QPointF(x, py);
    p.setPen(QPen(Colour(SolverRgb(curve.Solver)), CurveStroke));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(line);
  }
  return bottom + PngHistogram.TimeLabels;
}

}  // namespace

QColor SolverColour(std::size_t index) {
  return plot::Colour(plot::SolverRgb(index));
}

QImage DrawComparison(const PlotData& data) {
  const std::vector<LegendKey> legend = LegendOf(data);
  int height = Top + AxisTitle + Legend(legend, 0, nullptr) * LegendLine + BottomMargin;
  for (const PlotPanel& panel : data.Panels) height += PanelHeight(panel);
  height += static_cast<int>(data.Histograms.size()) * HistogramHeight();
  if (data.Panels.size() > 1) height += static_cast<int>(data.Panels.size() - 1) * PanelGap;
  QImage image = Blank(height);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);

  DrawTitle(p, data.Title);
  const int left = NameColumn(data);
  int y = Top;
  for (std::size_t i = 0; i < data.Panels.size(); ++i) {
    y = DrawPanel(p, data.Panels[i], left, y + (i > 0 ? PanelGap : 0), data.DecimalSeparator);
  }
  DrawAxisTitle(p, QString::fromUtf8(RunSecondsTitle), left, y);
  y = y + AxisTitle + Legend(legend, y + AxisTitle, &p) * LegendLine;
  for (const HistogramPanel& panel : data.Histograms) {
    y = DrawHistogram(p, panel, y, data.DecimalSeparator);
  }
  p.end();
  return image;
}

}  // namespace report
