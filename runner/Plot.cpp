#include "Plot.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "Statistics.h"
#include "TextReport.h"

namespace runner {
namespace {

constexpr int Width = 960;
constexpr int Top = 64;  // the title above the rows
constexpr int RowHeight = 52;
constexpr int Bottom = 64;  // the axis, its labels and its title below the rows
constexpr int Right = 32;

const QColor Dot(31, 119, 180, 170);  // translucent, so that runs on the same spot add up
const QColor MedianMark(214, 39, 40);
const QColor Grid(225, 225, 225);

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

QFont Face(double points, bool bold = false) {
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

// Ticks 1, 2 or 5 times a power of ten apart, about six over the range.
double TickStep(double range) {
  const double raw = range / 6;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0}) {
    if (m * power >= raw) return m * power;
  }
  return 10 * power;
}

}  // namespace

QImage DrawComparison(const PlotData& data) {
  const int rows = std::max<int>(1, static_cast<int>(data.Rows.size()));
  QImage image(Width, Top + rows * RowHeight + Bottom, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);

  double low = 0, high = 0;
  bool any = false;
  for (const PlotRow& row : data.Rows) {
    for (double s : row.Seconds) {
      low = any ? std::min(low, s) : s;
      high = any ? std::max(high, s) : s;
      any = true;
    }
  }
  if (!any || high <= 0) high = 1;
  // From zero, so that lengths compare, unless all runs lie close together far from it.
  if (low <= 0.4 * high) low = 0;
  const double step = TickStep(std::max(high - low, high * 1e-3));
  const double axisLow = std::floor(low / step) * step;
  const double axisHigh = std::ceil(high * 1.02 / step) * step;
  const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));

  p.setFont(Face(11));
  const QFontMetrics names(p.font());
  int left = 120;
  for (const PlotRow& row : data.Rows)
    left = std::max(left, names.horizontalAdvance(Text(row.Name)) + 24);
  left = std::min(left, Width / 2);
  const int plotWidth = Width - left - Right;
  auto x = [&](double seconds) {
    return left +
           static_cast<int>(std::lround((seconds - axisLow) / (axisHigh - axisLow) * plotWidth));
  };
  const int axisY = Top + rows * RowHeight;

  p.setPen(Qt::black);
  p.setFont(Face(14, true));
  p.drawText(QRect(0, 12, Width, 30), Qt::AlignHCenter | Qt::AlignVCenter, Text(data.Title));

  // The grid and the axis with its labels.
  p.setFont(Face(10));
  for (double t = axisLow; t <= axisHigh + step / 2; t += step) {
    const int at = x(t);
    p.setPen(Grid);
    p.drawLine(at, Top, at, axisY);
    p.setPen(Qt::black);
    p.drawLine(at, axisY, at, axisY + 5);
    p.drawText(QRect(at - 40, axisY + 7, 80, 18), Qt::AlignHCenter | Qt::AlignTop,
               Text(Decimal(t, decimals, data.DecimalSeparator)));
  }
  p.drawLine(left, axisY, left + plotWidth, axisY);
  p.drawText(QRect(left, axisY + 30, plotWidth, 20), Qt::AlignHCenter | Qt::AlignTop,
             QStringLiteral("Sekunden (monoton gemessen)"));
  // The key, at the left under the axis: a dot is a run, the red mark the median.
  p.setFont(Face(9));
  const int keyY = axisY + 40;
  p.setPen(Qt::NoPen);
  p.setBrush(Dot);
  p.drawEllipse(QPointF(14, keyY), 4.5, 4.5);
  p.setPen(Qt::black);
  p.drawText(QRect(24, keyY - 8, 120, 16), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("ein Lauf"));
  p.setPen(QPen(MedianMark, 2.5));
  p.drawLine(14, keyY + 10, 14, keyY + 22);
  p.setPen(Qt::black);
  p.drawText(QRect(24, keyY + 8, 120, 16), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Median"));

  for (std::size_t i = 0; i < data.Rows.size(); ++i) {
    const PlotRow& row = data.Rows[i];
    const int centre = Top + static_cast<int>(i) * RowHeight + RowHeight / 2;
    p.setFont(Face(11));
    p.setPen(Qt::black);
    p.drawText(QRect(8, centre - 12, left - 16, 24), Qt::AlignRight | Qt::AlignVCenter,
               Text(row.Name));
    p.setPen(Grid);
    p.drawLine(left, centre, left + plotWidth, centre);
    if (row.Seconds.empty()) continue;
    p.setPen(Qt::NoPen);
    p.setBrush(Dot);
    for (double s : row.Seconds) p.drawEllipse(QPointF(x(s), centre), 5.5, 5.5);
    p.setPen(QPen(MedianMark, 2.5));
    const int median = x(Summarize(row.Seconds).Median);
    p.drawLine(median, centre - 14, median, centre + 14);
  }
  p.end();
  return image;
}

PlotData PlotOf(const RunReport& report) {
  const RunOptions& o = report.Options;
  PlotData data;
  data.DecimalSeparator = o.DecimalSeparator;
  data.Title =
      std::to_string(report.Puzzles.Count) + " Rätsel " +
      (o.Source.Collection.empty() ? "von Build (Startzahl " + std::to_string(o.Source.Seed) + ")"
                                   : "aus " + o.Source.Collection.filename().string()) +
      ", " + std::to_string(o.Repeat) + (o.Repeat == 1 ? " Runde" : " Runden");
  for (const SolverReport& s : report.Solvers) {
    std::string name = s.Solver.Name;
    if (s.State == SolverState::Wrong) name += " (falsch)";
    if (s.State == SolverState::Failed) name += " (fehlgeschlagen)";
    data.Rows.push_back({name, s.MonotonicTimes()});
  }
  return data;
}

}  // namespace runner
