#include "Plot.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

#include "Statistics.h"
#include "TextReport.h"

namespace report {
namespace {

constexpr int Width = 960;
constexpr int Top = 64;               // the title above the panels
constexpr int PanelTitleHeight = 30;  // a panel's set, with several sets
constexpr int RowHeight = 52;
constexpr int AxisLabels = 30;  // a panel's ticks and their labels below its rows
constexpr int PanelGap = 18;
constexpr int AxisTitle = 26;  // below the last panel
constexpr int LegendLine = 24;
constexpr int BottomMargin = 10;
constexpr int Right = 32;

const QColor MedianMark(214, 39, 40);
const QColor Grid(225, 225, 225);
constexpr int DotAlpha = 170;  // translucent, so that runs on the same spot add up

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

// Where a time lies across the picture: the axis from Low to High with a tick every Step, and the
// plot between Left and Left + PlotWidth.
struct Scale {
  double Low = 0, High = 1, Step = 1;
  int Decimals = 0;  // of the tick labels
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
  if (!any || high <= 0) high = 1;
  // From zero, so that lengths compare, unless all runs lie close together far from it.
  if (low <= 0.4 * high) low = 0;
  Scale scale;
  scale.Step = TickStep(std::max(high - low, high * 1e-3));
  scale.Low = std::floor(low / scale.Step) * scale.Step;
  scale.High = std::ceil(high * 1.02 / scale.Step) * scale.Step;
  scale.Decimals = std::max(0, static_cast<int>(-std::floor(std::log10(scale.Step) + 1e-9)));
  scale.Left = left;
  scale.PlotWidth = Width - left - Right;
  return scale;
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
  for (double t = scale.Low; t <= scale.High + scale.Step / 2; t += scale.Step) {
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

// The legend from `y` down: each solver's colour, then the median's mark, wrapped at the width.
// Draws with `p` when given; returns its lines either way, so that the height can be known first.
int Legend(const PlotData& data, int y, QPainter* p) {
  const QFont font = Face(10);
  const QFontMetrics metrics(font);
  std::vector<QString> names;
  for (const std::string& name : data.Solvers) names.push_back(Text(name));
  names.push_back(QStringLiteral("Median"));
  int x = 14, line = 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const int width = 16 + metrics.horizontalAdvance(names[i]);
    if (x > 14 && x + width > Width - Right) {
      x = 14;
      ++line;
    }
    const int centre = y + line * LegendLine + LegendLine / 2;
    if (p) {
      if (i + 1 < names.size()) {
        QColor colour = SolverColour(i);
        colour.setAlpha(DotAlpha);
        p->setPen(Qt::NoPen);
        p->setBrush(colour);
        p->drawEllipse(QPointF(x + 5, centre), 5, 5);
      } else {
        p->setPen(QPen(MedianMark, 2.5));
        p->drawLine(x + 5, centre - 7, x + 5, centre + 7);
      }
      p->setPen(Qt::black);
      p->setFont(font);
      p->drawText(QRect(x + 16, centre - 9, width, 18), Qt::AlignLeft | Qt::AlignVCenter, names[i]);
    }
    x += width + 24;
  }
  return line + 1;
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
    p.setFont(Face(12, true));
    p.setPen(Qt::black);
    p.drawText(QRect(8, y, Width - 16, PanelTitleHeight), Qt::AlignLeft | Qt::AlignVCenter,
               Text(panel.Title));
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
  // Ten colours that people tell apart, less the red that marks the median.
  static const std::array<QColor, 9> palette{
      QColor(31, 119, 180),  QColor(255, 127, 14), QColor(44, 160, 44),
      QColor(148, 103, 189), QColor(140, 86, 75),  QColor(227, 119, 194),
      QColor(127, 127, 127), QColor(188, 189, 34), QColor(23, 190, 207)};
  return palette[index % palette.size()];
}

QImage DrawComparison(const PlotData& data) {
  int height = Top + AxisTitle + Legend(data, 0, nullptr) * LegendLine + BottomMargin;
  for (const PlotPanel& panel : data.Panels) height += PanelHeight(panel);
  if (data.Panels.size() > 1) height += static_cast<int>(data.Panels.size() - 1) * PanelGap;
  QImage image(Width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);

  p.setPen(Qt::black);
  p.setFont(Face(14, true));
  p.drawText(QRect(0, 12, Width, 30), Qt::AlignHCenter | Qt::AlignVCenter, Text(data.Title));
  const int left = NameColumn(data);
  int y = Top;
  for (std::size_t i = 0; i < data.Panels.size(); ++i) {
    y = DrawPanel(p, data.Panels[i], left, y + (i > 0 ? PanelGap : 0), data.DecimalSeparator);
  }
  p.setFont(Face(10));
  p.setPen(Qt::black);
  p.drawText(QRect(left, y, Width - left - Right, AxisTitle), Qt::AlignHCenter | Qt::AlignTop,
             QStringLiteral("Sekunden je Lauf (monoton gemessen)"));
  Legend(data, y + AxisTitle, &p);
  p.end();
  return image;
}

PlotData PlotOf(const record::RunRecord& record, const record::Summaries& summaries,
                const std::string& decimalSeparator) {
  PlotData data;
  data.DecimalSeparator = decimalSeparator;
  for (const record::Solver& solver : record.Solvers) data.Solvers.push_back(solver.Name);
  const int repeat = record.Settings.Repeat;
  const std::string rounds = std::to_string(repeat) + (repeat == 1 ? " Runde" : " Runden");
  const bool several = record.Sets.size() > 1;
  if (several) {
    data.Title = std::to_string(record.Sets.size()) + " Sammlungen, " + rounds;
  } else if (!record.Sets.empty()) {
    const record::PuzzleSet& puzzles = record.Sets[0];
    data.Title =
        std::to_string(puzzles.Count) + " Rätsel " +
        (puzzles.Collection.empty() ? "von Build (Startzahl " + std::to_string(puzzles.Seed) + ")"
                                    : "aus " + puzzles.Collection.filename().string()) +
        ", " + rounds;
  }
  for (std::size_t set = 0; set < summaries.Sets.size(); ++set) {
    PlotPanel panel;
    const record::PuzzleSet& puzzles = record.Sets[set];
    if (several) panel.Title = puzzles.Name + " (" + std::to_string(puzzles.Count) + " Rätsel)";
    const std::vector<record::SolverSummary>& solvers = summaries.Sets[set].Solvers;
    for (std::size_t i = 0; i < solvers.size(); ++i) {
      std::string name = record.Solvers[i].Name;
      if (solvers[i].State == record::Verdict::Wrong) name += " (falsch)";
      if (solvers[i].State == record::Verdict::Failed) name += " (fehlgeschlagen)";
      panel.Rows.push_back({name, i, solvers[i].MonotonicTimes});
    }
    data.Panels.push_back(std::move(panel));
  }
  return data;
}

}  // namespace report
