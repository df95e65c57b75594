// What the kit's PNG pictures share, so that they look alike: the width and margins, the fonts,
// the colours as Qt's, the title and the legend. For the drawing functions only; not part of the
// report's interface.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "PictureLayout.h"

namespace report::plot {

constexpr int Width = Png.Width;
constexpr int Top = 64;               // the title above the panels
constexpr int PanelTitleHeight = 30;  // a panel's set, with several sets
constexpr int PanelGap = 18;
constexpr int AxisTitle = 26;  // below the last panel
constexpr int LegendLine = 24;
constexpr int BottomMargin = 10;
constexpr int Right = Png.Right;

inline QColor Colour(Rgb rgb, int alpha = 255) {
  return QColor(rgb.Red, rgb.Green, rgb.Blue, alpha);
}

inline QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

QFont Face(double points, bool bold = false);

// A white picture of the kit's width with the title centred at its top, and a painter on it.
QImage Blank(int height);
void DrawTitle(QPainter& p, const std::string& title);
void DrawPanelTitle(QPainter& p, const std::string& title, int y);

// What explains an axis, centred below the last panel between `left` and the right margin.
void DrawAxisTitle(QPainter& p, const QString& text, int left, int y);

// One entry of the legend: its mark, drawn around a centre, and its name to the right.
struct LegendKey {
  QString Name;
  std::function<void(QPainter&, QPointF)> Mark;
};

// The legend from `y` down, wrapped at the width. Draws with `p` when given; returns its lines
// either way, so that the height can be known first.
int Legend(const std::vector<LegendKey>& keys, int y, QPainter* p);

}  // namespace report::plot
