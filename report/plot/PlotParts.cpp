#include "PlotParts.h"

#include <QFontMetrics>
#include <QRect>
#include <algorithm>

namespace report::plot {

QFont Face(double points, bool bold) {
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
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
