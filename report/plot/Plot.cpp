#include "Plot.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

#include "Numbers.h"
#include "PlotParts.h"
#include "Statistics.h"

namespace report {
namespace {

using namespace plot;

constexpr int RowHeight = 52;
constexpr int AxisLabels = 30;  // a panel's ticks and their labels below its rows

const QColor MedianMark(214, 39, 40);

// Where a time lies across the picture: the axis's ticks, and the plot between Left and
// Left + PlotWidth.
struct Scale : Ticks {
  int Left = 0, PlotWidth = 0;
  int X(double seconds) const {
    return Left + static_cast<int>(std::lround((seconds - Low) / (High - Low) * PlotWidth));
  }
};

// The axis' range over a panel's runs, between `left` and the right margin.
Scale ScaleOf(const PlotPanel& panel, int left) {
  double low = 0, high = 0;
  bool any = false;
  for (const PlotRow& row : panel.Rows) {
    for (double s : row.Seconds) {
      low = any ? std::min(low, s) : s;
      high = any ? std::max(high, s) : s;
      any = true;
    }
  }
  return {TicksOver(low, high), left, Width - left - Right};
}

// Room at the left for the longest name in any panel, so that all panels line up.
int NameColumn(const PlotData& data) {
  const QFontMetrics names(Face(11));
  int left = 120;
  for (const PlotPanel& panel : data.Panels) {
    for (const PlotRow& row : panel.Rows) {
      left = std::max(left, names.horizontalAdvance(Text(row.Name)) + 24);
    }
  }
  return std::min(left, Width / 2);
}

// The grid from `top` down to the axis, and the axis with its labels.
void DrawAxis(QPainter& p, const Scale& scale, int top, int axisY, const std::string& separator) {
  p.setFont(Face(10));
  for (double t : scale.Values()) {
    const int at = scale.X(t);
    p.setPen(Grid);
    p.drawLine(at, top, at, axisY);
    p.setPen(Qt::black);
    p.drawLine(at, axisY, at, axisY + 5);
    p.drawText(QRect(at - 40, axisY + 7, 80, 18), Qt::AlignHCenter | Qt::AlignTop,
               Text(Decimal(t, scale.Decimals, separator)));
  }
  p.drawLine(scale.Left, axisY, scale.Left + scale.PlotWidth, axisY);
}

// Each solver's colour, then the median's mark.
std::vector<LegendKey> LegendOf(const PlotData& data) {
  std::vector<LegendKey> keys;
  for (std::size_t i = 0; i < data.Solvers.size(); ++i) {
    keys.push_back({Text(data.Solvers[i]), [i](QPainter& p, QPointF centre) {
                      QColor colour = SolverColour(i);
                      colour.setAlpha(DotAlpha);
                      p.setPen(Qt::NoPen);
                      p.setBrush(colour);
                      p.drawEllipse(centre, 5, 5);
                    }});
  }
  keys.push_back({QStringLiteral("Median"), [](QPainter& p, QPointF centre) {
                    p.setPen(QPen(MedianMark, 2.5));
                    p.drawLine(centre + QPointF(0, -7), centre + QPointF(0, 7));
                  }});
  return keys;
}

// A solver's name, its line, its runs in its colour and their median.
void DrawRow(QPainter& p, const Scale& scale, const PlotRow& row, int centre) {
  p.setFont(Face(11));
  p.setPen(Qt::black);
  p.drawText(QRect(8, centre - 12, scale.Left - 16, 24), Qt::AlignRight | Qt::AlignVCenter,
             Text(row.Name));
  p.setPen(Grid);
  p.drawLine(scale.Left, centre, scale.Left + scale.PlotWidth, centre);
  if (row.Seconds.empty()) return;
  QColor colour = SolverColour(row.Solver);
  colour.setAlpha(DotAlpha);
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  for (double s : row.Seconds) p.drawEllipse(QPointF(scale.X(s), centre), 5.5, 5.5);
  p.setPen(QPen(MedianMark, 2.5));
  const int median = scale.X(stats::Summarize(row.Seconds).Median);
  p.drawLine(median, centre - 14, median, centre + 14);
}

// A panel without rows keeps the room of one, so that its axis still has a place.
int RowsHeight(const PlotPanel& panel) {
  return std::max<int>(1, static_cast<int>(panel.Rows.size())) * RowHeight;
}

int PanelHeight(const PlotPanel& panel) {
  return (panel.Title.empty() ? 0 : PanelTitleHeight) + RowsHeight(panel) + AxisLabels;
}

// A panel from `y` down, its title, its rows and its own axis; returns where it ends.
int DrawPanel(QPainter& p, const PlotPanel& panel, int left, int y, const std::string& separator) {
  if (!panel.Title.empty()) {
    DrawPanelTitle(p, panel.Title, y);
    y += PanelTitleHeight;
  }
  const Scale scale = ScaleOf(panel, left);
  const int axisY = y + RowsHeight(panel);
  DrawAxis(p, scale, y, axisY, separator);
  for (std::size_t i = 0; i < panel.Rows.size(); ++i) {
    DrawRow(p, scale, panel.Rows[i], y + static_cast<int>(i) * RowHeight + RowHeight / 2);
  }
  return axisY + AxisLabels;
}

}  // namespace

QColor SolverColour(std::size_t index) {
  const std::array<int, 3> rgb = SolverRgb(index);
  return QColor(rgb[0], rgb[1], rgb[2]);
}

QImage DrawComparison(const PlotData& data) {
  const std::vector<LegendKey> legend = LegendOf(data);
  int height = Top + AxisTitle + Legend(legend, 0, nullptr) * LegendLine + BottomMargin;
  for (const PlotPanel& panel : data.Panels) height += PanelHeight(panel);
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
  DrawAxisTitle(p, QStringLiteral("Sekunden je Lauf (monoton gemessen)"), left, y);
  Legend(legend, y + AxisTitle, &p);
  p.end();
  return image;
}

}  // namespace report
