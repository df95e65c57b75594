#include "PlotParts.h"

#include <QFontMetrics>
#include <QRect>
#include <algorithm>
#include <cmath>

namespace report::plot {
namespace {

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

QFont Face(double points, bool bold) {
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

std::vector<double> Ticks::Values() const {
  std::vector<double> values;
  for (double t = Low; t <= High + Step / 2; t += Step) values.push_back(t);
  return values;
}

Ticks TicksOver(double low, double high) {
  if (high <= 0) {
    low = 0;
    high = 1;
  }
  if (low <= 0.4 * high) low = 0;
  Ticks ticks;
  const double span = std::max(high - low, high * 1e-3);
  ticks.Step = TickStep(span);
  ticks.Low = std::floor(low / ticks.Step) * ticks.Step;
  // Room above the highest value, a fiftieth of the range shown (of the whole when it starts at
  // zero): a share of the value itself would crowd a zoomed axis with ticks.
  ticks.High = std::ceil((high + 0.02 * span) / ticks.Step) * ticks.Step;
  ticks.Decimals = std::max(0, static_cast<int>(-std::floor(std::log10(ticks.Step) + 1e-9)));
  return ticks;
}

QImage Blank(int height) {
  QImage image(Width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

void DrawTitle(QPainter& p, const std::string& title) {
  p.setPen(Qt::black);
  p.setFont(Face(14, true));
  p.drawText(QRect(0, 12, Width, 30), Qt::AlignHCenter | Qt::AlignVCenter, Text(title));
}

void DrawPanelTitle(QPainter& p, const std::string& title, int y) {
  p.setFont(Face(12, true));
  p.setPen(Qt::black);
  p.drawText(QRect(8, y, Width - 16, PanelTitleHeight), Qt::AlignLeft | Qt::AlignVCenter,
             Text(title));
}

void DrawAxisTitle(QPainter& p, const QString& text, int left, int y) {
  p.setFont(Face(10));
  p.setPen(Qt::black);
  p.drawText(QRect(left, y, Width - left - Right, AxisTitle), Qt::AlignHCenter | Qt::AlignTop,
             text);
}

int Legend(const std::vector<LegendKey>& keys, int y, QPainter* p) {
  const QFont font = Face(10);
  const QFontMetrics metrics(font);
  int x = 14, line = 0;
  for (const LegendKey& key : keys) {
    const int width = 16 + metrics.horizontalAdvance(key.Name);
    if (x > 14 && x + width > Width - Right) {
      x = 14;
      ++line;
    }
    const int centre = y + line * LegendLine + LegendLine / 2;
    if (p) {
      p->save();
      key.Mark(*p, QPointF(x + 5, centre));
      p->restore();
      p->setPen(Qt::black);
      p->setFont(font);
      p->drawText(QRect(x + 16, centre - 9, width, 18), Qt::AlignLeft | Qt::AlignVCenter, key.Name);
    }
    x += width + 24;
  }
  return line + 1;
}

}  // namespace report::plot
